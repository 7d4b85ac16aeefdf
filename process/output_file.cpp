#include "process/output_file.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "process/messages.h"
#include "process/system_calls.h"
#include "process/tool_process.h"

namespace process {
namespace {

constexpr int kMostLinks = 40;  // as the kernel follows them

std::string folderOf(const std::string& path) {
  const std::string folder = std::filesystem::path(path).parent_path().string();
  return folder.empty() ? "." : folder;
}

// The file a name leads to through its symbolic links (the name itself when
// it is none, or when the chain ends in a name not yet taken). A link that
// cannot be read sets `error`: taken for the file, it would be replaced.
struct Resolved {
  std::string path;
  int error = 0;
};

Resolved resolved(std::string path) {
  for (int hop = 0; hop < kMostLinks; ++hop) {
    char link[PATH_MAX];
    const ssize_t length = systemCalls().readlink(path.c_str(), link, sizeof link - 1);
    if (length < 0) return {path, errno == EINVAL || errno == ENOENT ? 0 : errno};
    const std::string next(link, static_cast<std::size_t>(length));
    path = next[0] == '/' ? next : folderOf(path) + "/" + next;
  }
  return {path};
}

bool sameAsStandardOutput(const struct stat& facts) {
  struct stat out {};
  return systemCalls().fstat(1, &out) == 0 && out.st_dev == facts.st_dev && out.st_ino == facts.st_ino;
}

// A name's file: its device and inode where it exists, its resolved path
// (folder made absolute) where not.
struct Identity {
  bool exists = false;
  bool terminalOrDevice = false;  // /dev/null, a terminal: written twice without harm
  bool pipe = false;              // a pipe or a FIFO: its bytes can be read once
  dev_t device = 0;
  ino_t inode = 0;
  std::string path;
  bool operator==(const Identity& o) const {
    if (terminalOrDevice || o.terminalOrDevice) return false;
    return exists == o.exists && (exists ? device == o.device && inode == o.inode : path == o.path);
  }
};

Identity identityOf(const std::string& name, int standardDescriptor) {
  struct stat facts {};
  Identity id;
  const bool found = name == kStandardStream ? systemCalls().fstat(standardDescriptor, &facts) == 0
                                             : systemCalls().stat(name.c_str(), &facts) == 0;
  if (found) return {true, S_ISCHR(facts.st_mode), S_ISFIFO(facts.st_mode), facts.st_dev, facts.st_ino, {}};
  const std::string target = resolved(name).path;
  char* folder = systemCalls().realpath(folderOf(target).c_str(), nullptr);
  id.path = (folder != nullptr ? std::string(folder) : folderOf(target)) + "/" +
            std::filesystem::path(target).filename().string();
  std::free(folder);
  return id;
}

// The rename made durable too: the folder synced, where the file system
// allows it (a failure there changes nothing that was written).
void syncFolder(const std::string& path) {
  const int folder = systemCalls().open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
  if (folder < 0) return;
  (void)systemCalls().fsync(folder);
  (void)systemCalls().close(folder);
}

}  // namespace

Output::Output(std::string name) : name_(std::move(name)) {
  struct stat facts {};
  const bool exists = name_ != kStandardStream && systemCalls().stat(name_.c_str(), &facts) == 0;
  if (name_ == kStandardStream) {
    standardOutput_ = true;
  } else if (exists && !S_ISREG(facts.st_mode)) {
    // A device, FIFO or socket: written in place.
  } else if (exists && sameAsStandardOutput(facts)) {
    // /dev/stdout, or the file standard output is redirected to: written
    // through standard output, after what the tool prints there.
    standardOutput_ = true;
  } else {
    const Resolved target = resolved(name_);
    target_ = target.path;
    unresolved_ = target.error;
  }
}

Output::~Output() { dropTemporary(); }

void Output::dropTemporary() {
  if (temporary_.empty()) return;
  (void)systemCalls().unlink(temporary_.c_str());
  releaseTemporary(slot_);
  temporary_.clear();
  slot_ = -1;
}

Failure Output::stage(std::string_view bytes) {
  if (target_.empty()) {
    held_.assign(bytes);
    return {};
  }
  if (unresolved_ != 0) return Failure(std::strerror(unresolved_));
  struct stat old {};
  const bool replacing = systemCalls().stat(target_.c_str(), &old) == 0;
  // Short, so that a target name of 255 bytes still has a temporary.
  static unsigned serial = 0;
  int descriptor = -1;
  for (int attempt = 0; descriptor < 0 && attempt < 100; ++attempt) {
    temporary_ = folderOf(target_) + "/.c2m" + std::to_string(getpid()) + "-" + std::to_string(serial++);
    slot_ = holdTemporary(temporary_);
    descriptor = systemCalls().open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    const int error = errno;
    if (descriptor >= 0) break;
    releaseTemporary(slot_);
    temporary_.clear();
    if (error != EEXIST) return Failure(std::strerror(error));
  }
  if (descriptor < 0) return Failure(std::strerror(EEXIST));
  // The new file keeps the permissions of the one it replaces.
  if (replacing) (void)systemCalls().fchmod(descriptor, old.st_mode & 07777);
  Failure failure = writeAll(descriptor, bytes);
  if (!failure && systemCalls().fsync(descriptor) != 0) failure = Failure(std::strerror(errno));
  if (systemCalls().close(descriptor) != 0 && !failure) failure = Failure(std::strerror(errno));
  if (failure) dropTemporary();
  return failure;
}

Failure Output::commit() {
  if (!target_.empty()) {
    if (temporary_.empty()) return {};
    if (systemCalls().rename(temporary_.c_str(), target_.c_str()) != 0) {
      const int error = errno;
      dropTemporary();
      return Failure(std::strerror(error));
    }
    releaseTemporary(slot_);
    temporary_.clear();
    syncFolder(target_);
    return {};
  }
  const int descriptor = standardOutput_ ? 1 : systemCalls().open(name_.c_str(), O_WRONLY | O_CLOEXEC, 0);
  if (descriptor < 0) return Failure(std::strerror(errno));
  Failure failure = writeAll(descriptor, held_);
  if (!standardOutput_ && systemCalls().close(descriptor) != 0 && !failure) failure = Failure(std::strerror(errno));
  return failure;
}

Failure OutputFiles::stage(const std::string& name, std::string_view bytes) {
  outputs_.emplace_back(name, std::make_unique<Output>(name));
  return outputs_.back().second->stage(bytes).after("cannot write " + shownName(name) + ": ");
}

bool OutputFiles::toStandardOutput() const {
  for (const auto& [name, output] : outputs_)
    if (output->toStandardOutput()) return true;
  return false;
}

namespace {
Failure commitWhere(const std::vector<std::pair<std::string, std::unique_ptr<Output>>>& outputs, bool inPlace) {
  for (const auto& [name, output] : outputs)
    if (output->inPlace() == inPlace)
      if (Failure failure = output->commit()) return failure.after("cannot write " + shownName(name) + ": ");
  return {};
}
}  // namespace

Failure OutputFiles::commitInPlace() { return commitWhere(outputs_, true); }

Failure OutputFiles::commitRenamed() { return commitWhere(outputs_, false); }

bool toTerminal(const std::string& name) { return name == kStandardStream && systemCalls().isatty(1) == 1; }

Failure unwritable(const std::string& name) {
  struct stat facts {};
  if (name == kStandardStream) return {};
  if (systemCalls().stat(name.c_str(), &facts) != 0) {
    // Links that lead round in a circle name no file: replacing one of them
    // would lose the link.
    if (errno == ELOOP) return Failure(std::strerror(ELOOP));
  } else if (S_ISDIR(facts.st_mode)) {
    return Failure("it is a folder");
  } else if (!S_ISREG(facts.st_mode)) {
    return {};
  }
  const Resolved target = resolved(name);
  if (target.error != 0) return Failure(std::strerror(target.error));
  const std::string folder = folderOf(target.path);
  if (systemCalls().stat(folder.c_str(), &facts) != 0) return Failure(std::strerror(errno));
  if (!S_ISDIR(facts.st_mode)) return Failure(std::strerror(ENOTDIR));
  if (systemCalls().access(folder.c_str(), W_OK) != 0) return Failure(std::strerror(errno));
  // A file its owner made read-only is kept, as chi2map keeps such a
  // table.dat: a rename over it would pass its permissions by.
  if (systemCalls().access(target.path.c_str(), W_OK) != 0 && errno != ENOENT) return Failure(std::strerror(errno));
  return {};
}

Failure sameFileRefusal(const std::vector<std::string>& outputs, const std::vector<std::string>& inputs) {
  std::vector<Identity> seen, given;
  for (const std::string& output : outputs) seen.push_back(identityOf(output, 1));
  for (const std::string& input : inputs) given.push_back(identityOf(input, 0));
  for (std::size_t a = 0; a < outputs.size(); ++a) {
    for (std::size_t b = a + 1; b < outputs.size(); ++b)
      if (seen[a] == seen[b])
        return Failure("the outputs " + shownName(outputs[a]) + " and " + shownName(outputs[b]) +
                           " are one file; give each a name of its own",
                       kUsage);
    for (std::size_t i = 0; i < inputs.size(); ++i)
      if (seen[a] == given[i])
        return Failure(
            "the output " + shownName(outputs[a]) + " is the input " + shownName(inputs[i]) + "; choose another name",
            kUsage);
  }
  // A file given twice is read twice; a pipe's second reader would find
  // nothing, or wait for a writer that never comes.
  for (std::size_t a = 0; a < inputs.size(); ++a)
    for (std::size_t b = a + 1; given[a].pipe && b < inputs.size(); ++b)
      if (given[a] == given[b])
        return Failure("the inputs " + shownName(inputs[a]) + " and " + shownName(inputs[b]) +
                           " are one pipe, which can be read only once; give it once",
                       kUsage);
  return {};
}

Failure refuseOutputs(const std::vector<std::string>& outputs, const std::vector<std::string>& inputs) {
  if (Failure refusal = sameFileRefusal(outputs, inputs)) return refusal;
  for (const std::string& output : outputs)
    if (Failure why = unwritable(output))
      return Failure("cannot write " + shownName(output) + ": " + why.why() + "; choose another name");
  return {};
}

}  // namespace process
