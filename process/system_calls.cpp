#include "process/system_calls.h"

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <cerrno>

namespace fit {
namespace {

int openFile(const char* path, int flags, mode_t mode) { return ::open(path, flags, mode); }
int pipeClosedOnExec(int descriptors[2]) { return ::pipe2(descriptors, O_CLOEXEC); }

const ToolSystem kReal = {openFile, ::read, ::write, ::fsync, ::close, ::rename, ::unlink, pipeClosedOnExec, ::fork};
ToolSystem gSystem = kReal;

}  // namespace

ToolSystem& toolSystem() { return gSystem; }
const ToolSystem& realToolSystem() { return kReal; }

int writeAll(int descriptor, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t put = gSystem.write(descriptor, bytes.data(), bytes.size());
    if (put < 0 && errno == EINTR) continue;
    if (put < 0) return errno;
    if (put == 0) return EIO;
    bytes.remove_prefix(static_cast<std::size_t>(put));
  }
  return 0;
}

ssize_t readSome(int descriptor, char* buffer, std::size_t size) {
  for (;;) {
    const ssize_t got = gSystem.read(descriptor, buffer, size);
    if (got >= 0 || errno != EINTR) return got;
  }
}

}  // namespace fit
