// The calls the layer makes through the platform table, made whole:
// interrupted calls are retried and a short write is continued, so callers
// see all-or-error. Only these loops retry; the table forwards each call once.
#pragma once

#include <cstddef>
#include <cstdint>

#include "recio/platform/platform.h"

namespace recio {

struct WriteOutcome {
  std::size_t written = 0;  // bytes accepted before any failure
  std::int64_t result = 0;  // 0 when all were written, else a failed call's result
};

// Writes all `count` bytes; a write that accepts nothing counts as EIO.
[[nodiscard]] WriteOutcome writeFully(int descriptor, const void* bytes, std::size_t count);

// One read, retried while interrupted: bytes read, 0 at end of file, or -errno.
[[nodiscard]] std::int64_t readRetrying(int descriptor, void* bytes, std::size_t count);

// Open, retried while interrupted: a descriptor or -errno.
[[nodiscard]] int openRetrying(const char* path, OpenMode mode);

}  // namespace recio
