// The tools' door to the operating system for what they write and for
// gnuplot: every call of the output writer and of the gnuplot runner goes
// through this table, so that a test can make the n-th write, the fsync, the
// rename or the open fail and check what the user is left with. Entries keep
// the POSIX contract (-1 and errno on failure).
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string_view>

namespace fit {

struct ToolSystem {
  int (*open)(const char* path, int flags, mode_t mode);
  ssize_t (*read)(int descriptor, void* buffer, std::size_t size);
  ssize_t (*write)(int descriptor, const void* bytes, std::size_t size);
  int (*fsync)(int descriptor);
  int (*close)(int descriptor);
  int (*rename)(const char* from, const char* to);
  int (*unlink)(const char* path);
  int (*pipe)(int descriptors[2]);
  pid_t (*fork)();
};

// The table in use: the real calls unless a test replaced some.
[[nodiscard]] ToolSystem& toolSystem();
// The real calls, for a test to restore or wrap.
[[nodiscard]] const ToolSystem& realToolSystem();

// All of `bytes` to the descriptor, short writes continued and EINTR retried
// (the only place that does either for writes); 0 or the error number. A
// write that returns 0 is EIO.
[[nodiscard]] int writeAll(int descriptor, std::string_view bytes);

// One read, EINTR retried: a count, 0 at the end, -1 with errno.
[[nodiscard]] ssize_t readSome(int descriptor, char* buffer, std::size_t size);

}  // namespace fit
