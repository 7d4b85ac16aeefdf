#include "recio/platform/retrying_calls.h"

#include <cerrno>

namespace recio {

WriteOutcome writeFully(int descriptor, const void* bytes, std::size_t count) {
  WriteOutcome outcome;
  const char* next = static_cast<const char*>(bytes);
  while (outcome.written < count) {
    std::int64_t put = platform().write(descriptor, next + outcome.written, count - outcome.written);
    if (put == -EINTR) continue;
    if (put < 0) {
      outcome.result = put;
      return outcome;
    }
    if (put == 0) {  // no progress and no error number: treat as an I/O error, never spin
      outcome.result = -EIO;
      return outcome;
    }
    outcome.written += static_cast<std::size_t>(put);
  }
  return outcome;
}

std::int64_t readRetrying(int descriptor, void* bytes, std::size_t count) {
  for (;;) {
    std::int64_t got = platform().read(descriptor, bytes, count);
    if (got != -EINTR) return got;
  }
}

int openRetrying(const char* path, OpenMode mode) {
  for (;;) {
    int descriptor = platform().open(path, mode);
    if (descriptor != -EINTR) return descriptor;
  }
}

}  // namespace recio
