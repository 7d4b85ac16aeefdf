#include "tools/fit/process.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <system_error>

namespace fit {
namespace {

// In the child between fork and exec only async-signal-safe calls.
[[noreturn]] void becomeProgram(char* const* argv, const Redirections& r) {
  if (!r.directory.empty() && chdir(r.directory.c_str()) != 0) _exit(127);
  const int in = open(r.input.c_str(), O_RDONLY);
  const int out = open(r.output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
  const int err = open(r.error.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
  if (in < 0 || out < 0 || err < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0) _exit(127);
  execv(argv[0], argv);
  _exit(127);
}

}  // namespace

TempDir::TempDir() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/chi2map-fit.XXXXXX";
  if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
}

TempDir::~TempDir() {
  if (path_.empty()) return;
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

int runProgram(const std::vector<std::string>& argv, const Redirections& redirections) {
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  const pid_t child = fork();
  if (child < 0) return -1;
  if (child == 0) becomeProgram(args.data(), redirections);
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return WEXITSTATUS(status);
}

std::string findOnPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::istringstream dirs(path != nullptr ? path : "");
  std::string dir;
  while (std::getline(dirs, dir, ':')) {
    const std::string candidate = (dir.empty() ? std::string(".") : dir) + "/" + name;
    if (access(candidate.c_str(), X_OK) == 0 && !std::filesystem::is_directory(candidate)) return candidate;
  }
  return {};
}

std::string ownDirectory() {
  std::error_code error;
  const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string() : self.parent_path().string();
}

bool readFile(const std::string& path, std::string& text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

bool writeFile(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  return !out.fail();
}

}  // namespace fit
