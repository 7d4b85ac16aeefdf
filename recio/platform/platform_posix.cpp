// The real platform: each entry forwards to one POSIX call.
#include "recio/platform/platform.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

namespace recio {
namespace {

int failure() { return -errno; }

void ignoreFileSizeSignal() { (void)std::signal(SIGXFSZ, SIG_IGN); }

int checkReadWrite(const char* path) { return ::access(path, R_OK | W_OK) == 0 ? 0 : failure(); }

void describe(const struct stat& status, DescriptorFacts* facts) {
  facts->size = status.st_size;
  facts->isCharacterDevice = S_ISCHR(status.st_mode);
  facts->isFifo = S_ISFIFO(status.st_mode);
}

int queryPath(const char* path, DescriptorFacts* facts) {
  struct stat status {};
  if (::stat(path, &status) != 0) return failure();
  if (facts != nullptr) describe(status, facts);
  return 0;
}

int openPath(const char* path, OpenMode mode) {
  int flags = O_RDONLY;
  if (mode == OpenMode::ReadWrite) flags = O_RDWR;
  if (mode == OpenMode::Create) flags = O_RDWR | O_CREAT;
  int descriptor = ::open(path, flags | O_CLOEXEC, 0664);
  return descriptor >= 0 ? descriptor : failure();
}

int duplicateAbove(int descriptor, int lowest) {
  const int copy = ::fcntl(descriptor, F_DUPFD_CLOEXEC, lowest);
  return copy >= 0 ? copy : failure();
}

std::int64_t readBytes(int descriptor, void* bytes, std::size_t count) {
  ssize_t got = ::read(descriptor, bytes, count);
  return got >= 0 ? got : failure();
}

std::int64_t writeBytes(int descriptor, const void* bytes, std::size_t count) {
  ssize_t put = ::write(descriptor, bytes, count);
  return put >= 0 ? put : failure();
}

int queryDescriptor(int descriptor, DescriptorFacts* facts) {
  struct stat status {};
  if (::fstat(descriptor, &status) != 0) return failure();
  describe(status, facts);
  return 0;
}

int truncateTo(int descriptor, std::int64_t length) { return ::ftruncate(descriptor, length) == 0 ? 0 : failure(); }

int closeDescriptor(int descriptor) { return ::close(descriptor) == 0 ? 0 : failure(); }

int unlinkPath(const char* path) { return ::unlink(path) == 0 ? 0 : failure(); }

// exit(), not _exit(): the layer has written and closed everything by now, and
// the leak checkers of the sanitizer builds run at exit.
[[noreturn]] void exitProcess(int status) { std::exit(status); }

const char* errorText(int errorNumber) { return std::strerror(errorNumber); }

void* allocate(std::size_t bytes) { return std::malloc(bytes); }
void* reallocate(void* block, std::size_t bytes) { return std::realloc(block, bytes); }
void release(void* block) { std::free(block); }

constexpr Platform kPosix{
    .ignoreFileSizeSignal = ignoreFileSizeSignal,
    .checkReadWrite = checkReadWrite,
    .queryPath = queryPath,
    .open = openPath,
    .duplicateAbove = duplicateAbove,
    .read = readBytes,
    .write = writeBytes,
    .queryDescriptor = queryDescriptor,
    .truncate = truncateTo,
    .close = closeDescriptor,
    .unlink = unlinkPath,
    .exit = exitProcess,
    .errorText = errorText,
    .allocate = allocate,
    .reallocate = reallocate,
    .release = release,
};

const Platform* current = &kPosix;

}  // namespace

const Platform& platform() { return *current; }
void installPlatform(const Platform* replacement) { current = replacement ? replacement : &kPosix; }
const Platform& posixPlatform() { return kPosix; }

void endProcess(int status) {
  current->exit(status);
  std::abort();  // an exit entry that returned
}

}  // namespace recio
