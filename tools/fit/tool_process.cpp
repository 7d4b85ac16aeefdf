#include "tools/fit/tool_process.h"

#include <fcntl.h>
#include <malloc.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>

extern char** environ;

namespace fit {
namespace {

// What a signal handler must clean up: gnuplot while it runs, and the partial
// files that exist. Changed only with the signals blocked.
constexpr int kMostPartials = 4;
constexpr std::size_t kLongestPath = 4096;
char gPartials[kMostPartials][kLongestPath];
volatile sig_atomic_t gPartialCount = 0;
volatile sig_atomic_t gChild = 0;

constexpr int kCleanupSignals[] = {SIGINT, SIGTERM, SIGHUP};

void onSignal(int signal) {
  const pid_t child = gChild;
  if (child > 0) {
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
  }
  for (int i = 0; i < gPartialCount; ++i) unlink(gPartials[i]);
  ::signal(signal, SIG_DFL);
  raise(signal);  // delivered once the handler returns: the process ends by the signal
}

class SignalsBlocked {
 public:
  SignalsBlocked() {
    sigset_t set;
    sigemptyset(&set);
    for (const int s : kCleanupSignals) sigaddset(&set, s);
    sigprocmask(SIG_BLOCK, &set, &previous_);
  }
  ~SignalsBlocked() { sigprocmask(SIG_SETMASK, &previous_, nullptr); }
  SignalsBlocked(const SignalsBlocked&) = delete;
  SignalsBlocked& operator=(const SignalsBlocked&) = delete;

 private:
  sigset_t previous_;
};

// A partial file, removed by a signal while it exists.
class Partial {
 public:
  explicit Partial(const std::string& path) {
    SignalsBlocked blocked;
    if (path.size() >= kLongestPath || gPartialCount == kMostPartials) return;
    std::memcpy(gPartials[gPartialCount], path.c_str(), path.size() + 1);
    slot_ = gPartialCount;
    gPartialCount = gPartialCount + 1;
  }
  ~Partial() {
    SignalsBlocked blocked;
    if (slot_ < 0) return;
    // Partials end in the order they began.
    gPartialCount = gPartialCount - 1;
  }
  Partial(const Partial&) = delete;
  Partial& operator=(const Partial&) = delete;
  [[nodiscard]] bool held() const { return slot_ >= 0; }

 private:
  int slot_ = -1;
};

std::string errorText(int error) { return std::strerror(error); }

std::string readAll(int descriptor) {
  std::string text;
  char buffer[4096];
  lseek(descriptor, 0, SEEK_SET);
  for (;;) {
    const ssize_t got = read(descriptor, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return text;
    text.append(buffer, static_cast<std::size_t>(got));
  }
}

// gnuplot's complaint in one line: its last line that names a script line
// (or its last line), without the script's name.
std::string gnuplotComplaint(const std::string& output) {
  std::string chosen, last;
  std::size_t start = 0;
  while (start < output.size()) {
    std::size_t end = output.find('\n', start);
    if (end == std::string::npos) end = output.size();
    std::string line = output.substr(start, end - start);
    start = end + 1;
    if (line.find_first_not_of(" \t^") == std::string::npos) continue;
    if (const auto at = line.find("\" line "); at != std::string::npos && line[0] == '"') line = line.substr(at + 2);
    last = line;
    if (line.rfind("line ", 0) == 0) chosen = line;
  }
  std::string complaint = chosen.empty() ? last : chosen;
  if (complaint.size() > 160) complaint = complaint.substr(0, 160) + "...";
  return complaint;
}

int memoryFile(const char* name, std::string_view text) {
  const int descriptor = memfd_create(name, MFD_CLOEXEC);
  if (descriptor >= 0 && writeAll(descriptor, text) != 0) {
    close(descriptor);
    return -1;
  }
  return descriptor;
}

}  // namespace

void startTool() {
  // Large blocks (the chi-square cube) always in mappings of their own: freed
  // or shrunk, they go back to the system at once, and pages never touched
  // cost nothing. glibc would otherwise raise this threshold after the first
  // such free and serve later large blocks from the heap.
  mallopt(M_MMAP_THRESHOLD, 128 * 1024);
  for (int descriptor = 0; descriptor <= 2; ++descriptor) {
    if (fcntl(descriptor, F_GETFD) != -1 || errno != EBADF) continue;
    // The lowest free descriptor: this one, as the lower ones are taken.
    const int opened = open("/dev/null", O_RDONLY);
    if (opened > descriptor) {
      dup2(opened, descriptor);
      close(opened);
    }
  }
  struct sigaction action {};
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  for (const int s : kCleanupSignals) sigaddset(&action.sa_mask, s);
  // A signal ignored from the start (nohup) stays ignored.
  for (const int s : kCleanupSignals) {
    struct sigaction previous {};
    if (sigaction(s, nullptr, &previous) == 0 && previous.sa_handler != SIG_IGN) sigaction(s, &action, nullptr);
  }
}

bool gnuplotFound() {
  const char* path = std::getenv("PATH");
  std::string_view folders = path != nullptr ? path : "/usr/bin:/bin";
  for (;;) {
    const auto colon = folders.find(':');
    const std::string folder(folders.substr(0, colon));
    if (access(((folder.empty() ? "." : folder) + "/gnuplot").c_str(), X_OK) == 0) return true;
    if (colon == std::string_view::npos) return false;
    folders.remove_prefix(colon + 1);
  }
}

int writeAll(int descriptor, std::string_view text) {
  while (!text.empty()) {
    const ssize_t put = write(descriptor, text.data(), text.size());
    if (put < 0 && errno == EINTR) continue;
    if (put < 0) return errno;
    if (put == 0) return EIO;
    text.remove_prefix(static_cast<std::size_t>(put));
  }
  return 0;
}

std::string visible(std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte != 0x7F) {
      out += c;
    } else if (c == '\t' || c == '\n' || c == '\r') {
      out += c == '\t' ? "\\t" : c == '\n' ? "\\n" : "\\r";
    } else {
      out.append("\\x").append(1, kHex[byte >> 4]).append(1, kHex[byte & 15]);
    }
  }
  return out;
}

std::string shownName(std::string_view name) { return "'" + visible(name) + "'"; }

int fail(std::string_view program, std::string_view message) {
  std::string line(program);
  line.append(": ").append(message).append("\n");
  (void)writeAll(2, line);
  return 1;
}

std::string unwritable(const std::string& path) {
  struct stat facts {};
  if (stat(path.c_str(), &facts) == 0 && S_ISDIR(facts.st_mode)) return "it is a folder";
  const std::filesystem::path folder = std::filesystem::path(path).parent_path();
  const std::string dir = folder.empty() ? "." : folder.string();
  if (stat(dir.c_str(), &facts) != 0) return errorText(errno);
  if (!S_ISDIR(facts.st_mode)) return errorText(ENOTDIR);
  if (access(dir.c_str(), W_OK) != 0) return errorText(errno);
  return {};
}

bool sameFile(const std::string& a, const std::string& b) {
  struct stat x {
  }, y{};
  return stat(a.c_str(), &x) == 0 && stat(b.c_str(), &y) == 0 && x.st_dev == y.st_dev && x.st_ino == y.st_ino;
}

std::string partialName(const std::string& output) {
  const std::filesystem::path path(output);
  return (path.parent_path() / ("." + path.filename().string() + ".partial-" + std::to_string(getpid()))).string();
}

std::string writeFileWhole(const std::string& path, std::string_view text) {
  // A device or a pipe (/dev/stdout, a process substitution) is written as
  // it is: there is nothing to rename it into.
  struct stat facts {};
  if (stat(path.c_str(), &facts) == 0 && !S_ISREG(facts.st_mode) && !S_ISDIR(facts.st_mode)) {
    const int descriptor = open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (descriptor < 0) return errorText(errno);
    const int error = writeAll(descriptor, text);
    const int closed = close(descriptor) == 0 ? 0 : errno;
    return error != 0 ? errorText(error) : closed != 0 ? errorText(closed) : std::string();
  }
  const std::string partial = partialName(path);
  const Partial guard(partial);
  if (!guard.held()) return errorText(ENAMETOOLONG);
  const int descriptor = open(partial.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (descriptor < 0) return errorText(errno);
  int error = writeAll(descriptor, text);
  if (close(descriptor) != 0 && error == 0) error = errno;
  if (error == 0 && rename(partial.c_str(), path.c_str()) != 0) error = errno;
  if (error != 0) unlink(partial.c_str());
  return error == 0 ? std::string() : errorText(error);
}

std::string drawWithGnuplot(const std::string& script, const std::string& partial, const std::string& output) {
  const int input = memoryFile("gnuplot-script", script);
  const int messages = memoryFile("gnuplot-output", "");
  if (input < 0 || messages < 0) return "cannot run gnuplot: " + errorText(errno);
  lseek(input, 0, SEEK_SET);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, input, 0);
  posix_spawn_file_actions_adddup2(&actions, messages, 1);
  posix_spawn_file_actions_adddup2(&actions, messages, 2);
  // No start-up file of the user's: the figure is the script's alone.
  char* argv[] = {const_cast<char*>("gnuplot"), const_cast<char*>("--default-settings"),
                  const_cast<char*>("/dev/stdin"), nullptr};
  std::string failure;
  {
    const Partial guard(partial);
    pid_t child = 0;
    int status = 0;
    int error = 0;
    {
      SignalsBlocked blocked;  // the handler must know the child as soon as it exists
      error = posix_spawnp(&child, "gnuplot", &actions, nullptr, argv, environ);
      if (error == 0) gChild = child;
    }
    if (error != 0) {
      failure = error == ENOENT ? "gnuplot not found (Debian package gnuplot-nox)"
                                : "cannot run gnuplot: " + errorText(error);
    } else {
      while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
      }
      {
        SignalsBlocked blocked;
        gChild = 0;
      }
      struct stat facts {};
      const bool drawn =
          WIFEXITED(status) && WEXITSTATUS(status) == 0 && stat(partial.c_str(), &facts) == 0 && facts.st_size > 0;
      if (!drawn) {
        const std::string complaint = gnuplotComplaint(readAll(messages));
        failure =
            "gnuplot could not draw '" + output + "'" + (complaint.empty() ? "" : " (gnuplot: " + complaint + ")");
      } else if (rename(partial.c_str(), output.c_str()) != 0) {
        failure = "cannot write '" + output + "': " + errorText(errno);
      }
    }
    if (!failure.empty()) unlink(partial.c_str());
  }
  posix_spawn_file_actions_destroy(&actions);
  close(input);
  close(messages);
  return failure;
}

bool positiveNumbers(std::string_view text, std::vector<double>& values, std::vector<std::string>& texts) {
  values.clear();
  texts.clear();
  for (;;) {
    const auto comma = text.find(',');
    std::string_view item = text.substr(0, comma);
    while (!item.empty() && item.front() == ' ') item.remove_prefix(1);
    while (!item.empty() && item.back() == ' ') item.remove_suffix(1);
    double value = 0;
    const auto [end, error] = std::from_chars(item.data(), item.data() + item.size(), value);
    if (item.empty() || error != std::errc{} || end != item.data() + item.size() || !std::isfinite(value) ||
        !(value > 0))
      return false;
    values.push_back(value);
    texts.emplace_back(item);
    if (comma == std::string_view::npos) return true;
    text.remove_prefix(comma + 1);
  }
}

}  // namespace fit
