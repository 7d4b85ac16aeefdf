#include "support/launcher.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <stdexcept>
#include <thread>
#include <tuple>

extern char** environ;

namespace fake {
namespace {

// A memory file above the standard descriptors, so that no dup2 of the
// spawn maps a descriptor onto itself and keeps its close-on-exec flag.
int memoryFile(const std::string& bytes = {}) {
  const int made = ::memfd_create("launch", MFD_CLOEXEC);
  const int fd = made < 0 ? -1 : ::fcntl(made, F_DUPFD_CLOEXEC, 10);
  ::close(made);
  if (fd < 0 || ::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()) || ::lseek(fd, 0, SEEK_SET) != 0) throw std::runtime_error("cannot make a memory file");
  return fd;
}

std::string drain(int fd) {
  std::string bytes(static_cast<std::size_t>(::lseek(fd, 0, SEEK_END)), '\0');
  const bool whole = ::pread(fd, bytes.data(), bytes.size(), 0) == static_cast<ssize_t>(bytes.size());
  ::close(fd);
  return whole ? bytes : "(unreadable)";
}

}  // namespace

Outcome runChi2map(const Launch& launch) {
  const int in = launch.reply ? memoryFile(*launch.reply) : -1, out = memoryFile(), err = memoryFile(), report = memoryFile();
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (in >= 0) posix_spawn_file_actions_adddup2(&actions, in, 0);
  if (in < 0) posix_spawn_file_actions_addclose(&actions, 0);
  for (const auto& [from, to, closed] : {std::tuple{out, 1, launch.closedOutput}, {err, 2, launch.closedError}}) {
    if (closed) posix_spawn_file_actions_addclose(&actions, to);
    if (!closed) posix_spawn_file_actions_adddup2(&actions, from, to);
  }
  posix_spawn_file_actions_adddup2(&actions, report, 3);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);  // its own group, killed whole on time-out
  char mask[8];
  std::snprintf(mask, sizeof mask, "%o", static_cast<unsigned>(launch.umask));
  std::string arguments[] = {CHI2MAP_LAUNCHER, mask, launch.fileSizeLimit == RLIM_INFINITY ? "-" : std::to_string(launch.fileSizeLimit), launch.unprivileged ? "1" : "0", CHI2MAP_BINARY};
  char* argv[] = {arguments[0].data(), arguments[1].data(), arguments[2].data(), arguments[3].data(), arguments[4].data(), nullptr};

  Outcome outcome;
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = -1;
  const int spawned = ::posix_spawn(&pid, argv[0], &actions, &attributes, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  if (in >= 0) ::close(in);
  int helper = 0;
  while (spawned == 0 && ::waitpid(pid, &helper, WNOHANG) != pid) {
    if (std::chrono::steady_clock::now() > start + std::chrono::seconds(launch.timeoutSeconds)) {
      outcome.timedOut = true;
      ::kill(-pid, SIGKILL);
      ::waitpid(pid, &helper, 0);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  outcome.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  int status = 0;
  if (std::sscanf(drain(report).c_str(), "%d %ld", &status, &outcome.peakKb) == 2) outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
  outcome.out = drain(out);
  outcome.err = drain(err);
  return outcome;
}

}  // namespace fake
