#include "process/system_calls.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace process {
namespace {

int openFile(const char* path, int flags, mode_t mode) { return ::open(path, flags, mode); }
int pipeClosedOnExec(int descriptors[2]) { return ::pipe2(descriptors, O_CLOEXEC); }

int statOf(const char* path, struct stat* facts) { return ::stat(path, facts); }
int fstatOf(int descriptor, struct stat* facts) { return ::fstat(descriptor, facts); }

const SystemCalls kReal = {openFile,         ::read,     ::write,   ::fsync,        ::close, ::rename, ::unlink,
                           pipeClosedOnExec, ::fork,     ::waitpid, ::memfd_create, ::lseek, statOf,   fstatOf,
                           ::readlink,       ::realpath, ::access,  ::fchmod,       ::isatty};
SystemCalls gCalls = kReal;

}  // namespace

SystemCalls& systemCalls() { return gCalls; }
const SystemCalls& realSystemCalls() { return kReal; }

Failure writeAll(int descriptor, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t put = gCalls.write(descriptor, bytes.data(), bytes.size());
    if (put < 0 && errno == EINTR) continue;
    if (put < 0) return Failure(std::strerror(errno));
    if (put == 0) return Failure(std::strerror(EIO));
    bytes.remove_prefix(static_cast<std::size_t>(put));
  }
  return {};
}

ssize_t readSome(int descriptor, char* buffer, std::size_t size) {
  for (;;) {
    const ssize_t got = gCalls.read(descriptor, buffer, size);
    if (got >= 0 || errno != EINTR) return got;
  }
}

pid_t waitForChild(pid_t child, int& status) {
  for (;;) {
    const pid_t ended = gCalls.waitpid(child, &status, 0);
    if (ended >= 0 || errno != EINTR) return ended;
  }
}

}  // namespace process
