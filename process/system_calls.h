// The tools' door to the operating system for what they write, for what they
// read as a stream and for gnuplot: every such call goes through this table,
// so that a test can make the n-th write, the fsync, the rename, the open, a
// memory file or a look at a name fail and check what the user is left with.
// Entries keep the POSIX contract (-1 and errno on failure), and so do
// readSome and waitForChild below; the calls that a signal can interrupt are
// retried here and nowhere else.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <string_view>

#include "process/failure.h"

namespace process {

struct SystemCalls {
  int (*open)(const char* path, int flags, mode_t mode);
  ssize_t (*read)(int descriptor, void* buffer, std::size_t size);
  ssize_t (*write)(int descriptor, const void* bytes, std::size_t size);
  int (*fsync)(int descriptor);
  int (*close)(int descriptor);
  int (*rename)(const char* from, const char* to);
  int (*unlink)(const char* path);
  int (*pipe)(int descriptors[2]);
  pid_t (*fork)();
  pid_t (*waitpid)(pid_t child, int* status, int options);
  // gnuplot's script and messages live in memory files, read from their start.
  int (*memfd)(const char* name, unsigned flags);
  off_t (*lseek)(int descriptor, off_t offset, int whence);
  // What a name is, where its links lead and whether its folder takes files
  // (or a folder of PATH holds gnuplot); the permissions a replaced file
  // passes on; whether standard output is a terminal.
  int (*stat)(const char* path, struct stat* facts);
  int (*fstat)(int descriptor, struct stat* facts);
  ssize_t (*readlink)(const char* path, char* link, std::size_t size);
  char* (*realpath)(const char* path, char* resolved);
  int (*access)(const char* path, int mode);
  int (*fchmod)(int descriptor, mode_t mode);
  int (*isatty)(int descriptor);
};

// The table in use: the real calls unless a test replaced some.
[[nodiscard]] SystemCalls& systemCalls();
// The real calls, for a test to restore or wrap.
[[nodiscard]] const SystemCalls& realSystemCalls();

// All of `bytes` to the descriptor, short writes continued; the failure is
// the error's text. A write that returns 0 is EIO.
Failure writeAll(int descriptor, std::string_view bytes);

// One read: a count, 0 at the end, -1 with errno.
[[nodiscard]] ssize_t readSome(int descriptor, char* buffer, std::size_t size);

// Waits until the child ends: its pid, or -1 with errno.
[[nodiscard]] pid_t waitForChild(pid_t child, int& status);

}  // namespace process
