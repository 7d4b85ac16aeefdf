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

#ifndef CHI2MAP_BINARY
#error "CHI2MAP_BINARY must name the chi2map executable"
#endif
#ifndef CHI2MAP_LAUNCHER
#error "CHI2MAP_LAUNCHER must name the launcher helper"
#endif

extern char** environ;

namespace fake {
namespace {

// A memory file above the standard descriptors, so that no dup2 of the
// spawn maps a descriptor onto itself and keeps its close-on-exec flag.
int memoryFile(const char* name, const std::string& bytes = {}) {
  const int made = ::memfd_create(name, MFD_CLOEXEC);
  const int fd = made < 0 ? -1 : ::fcntl(made, F_DUPFD_CLOEXEC, 10);
  if (made >= 0) ::close(made);
  if (fd < 0 || ::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()) ||
      ::lseek(fd, 0, SEEK_SET) != 0) {
    throw std::runtime_error("cannot make the memory file " + std::string(name));
  }
  return fd;
}

std::string drain(int fd) {
  std::string bytes;
  ::lseek(fd, 0, SEEK_SET);
  char block[65536];
  for (ssize_t n; (n = ::read(fd, block, sizeof block)) > 0;) bytes.append(block, static_cast<std::size_t>(n));
  ::close(fd);
  return bytes;
}

}  // namespace

Outcome runChi2map(const Launch& launch) {
  const int in = launch.reply ? memoryFile("stdin", *launch.reply) : -1;
  const int out = memoryFile("stdout");
  const int err = memoryFile("stderr");
  const int report = memoryFile("report");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (in >= 0) {
    posix_spawn_file_actions_adddup2(&actions, in, 0);
  } else {
    posix_spawn_file_actions_addclose(&actions, 0);
  }
  posix_spawn_file_actions_adddup2(&actions, out, 1);
  posix_spawn_file_actions_adddup2(&actions, err, 2);
  posix_spawn_file_actions_adddup2(&actions, report, 3);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);  // its own group, killed whole on time-out
  posix_spawnattr_setpgroup(&attributes, 0);

  char mask[8];
  std::snprintf(mask, sizeof mask, "%o", static_cast<unsigned>(launch.umask));
  const std::string limit =
      launch.fileSizeLimit == RLIM_INFINITY ? "-" : std::to_string(static_cast<unsigned long long>(launch.fileSizeLimit));
  std::string arguments[] = {CHI2MAP_LAUNCHER, mask, limit, launch.unprivileged ? "1" : "0", CHI2MAP_BINARY};
  char* argv[] = {arguments[0].data(), arguments[1].data(), arguments[2].data(), arguments[3].data(),
                  arguments[4].data(), nullptr};

  Outcome outcome;
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = -1;
  const int spawned = ::posix_spawn(&pid, argv[0], &actions, &attributes, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  if (in >= 0) ::close(in);
  if (spawned != 0) {
    ::close(out);
    ::close(err);
    ::close(report);
    throw std::runtime_error("cannot spawn " + arguments[0]);
  }
  int helperStatus = 0;
  bool& late = outcome.timedOut;
  const auto deadline = start + std::chrono::seconds(launch.timeoutSeconds);
  while (::waitpid(pid, &helperStatus, WNOHANG) != pid) {
    if (std::chrono::steady_clock::now() > deadline) {
      late = true;
      ::kill(-pid, SIGKILL);
      ::waitpid(pid, &helperStatus, 0);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  outcome.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  int status = 0;
  if (std::sscanf(drain(report).c_str(), "%d %ld", &status, &outcome.peakKb) == 2) {
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
  } else {
    outcome.status = late ? 1000 + SIGKILL : -1;  // the helper itself failed or was killed
  }
  outcome.out = drain(out);
  outcome.err = drain(err);
  return outcome;
}

}  // namespace fake
