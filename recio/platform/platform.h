// The one door to the operating system.
//
// Every system service the record layer uses passes through the table of
// function pointers below, so that tests can swap in a platform that fails
// the n-th call of any kind. A call's result is a count or a descriptor
// when it is not negative, and the platform's error number negated when
// the call failed (-ENOENT, ...), never errno; errorNumberOf turns it into
// the layer's failure code. No other code of the layer calls POSIX
// directly. The real table forwards each call once: retry
// loops for interrupted and short transfers live in retrying_calls.cpp, above this
// table, so the fault injector exercises them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace recio {

// What a status query of a path or an open descriptor tells.
struct DescriptorFacts {
  std::int64_t size = 0;
  bool isCharacterDevice = false;
  bool isFifo = false;
};

enum class OpenMode {
  ReadOnly,
  ReadWrite,
  // Read-write, created with bits 0664 under the umask if missing, never cut
  // here: a file that appeared since the existence check keeps its bytes
  // until the first physical write cuts it.
  Create,
};

struct Platform {
  // Ignores the file-size-limit signal, so a write past the limit fails
  // with EFBIG and is reported instead of killing the process half-way.
  void (*ignoreFileSizeSignal)();
  // Access check for both read and write permission; 0 or -errno.
  int (*checkReadWrite)(const char* path);
  // Status query of a path; 0 when the path exists (its facts then in
  // `facts`, unless that is nullptr), else -errno.
  int (*queryPath)(const char* path, DescriptorFacts* facts);
  // A descriptor, or -errno.
  int (*open)(const char* path, OpenMode mode);
  // A copy of `descriptor` at the lowest free number at or above `lowest`
  // (closed on exec), or -errno. The original stays open.
  int (*duplicateAbove)(int descriptor, int lowest);
  // Bytes transferred (0 on end of file for read), or -errno. One call only.
  std::int64_t (*read)(int descriptor, void* bytes, std::size_t count);
  std::int64_t (*write)(int descriptor, const void* bytes, std::size_t count);
  int (*queryDescriptor)(int descriptor, DescriptorFacts* facts);
  int (*truncate)(int descriptor, std::int64_t length);
  int (*close)(int descriptor);
  int (*unlink)(const char* path);
  // Never returns; called through endProcess, since a pointer cannot carry
  // the noreturn attribute in standard C++.
  void (*exit)(int status);
  // The platform's text for an error number (C locale).
  const char* (*errorText)(int errorNumber);
  // Memory for the layer's buffers and records; nullptr when exhausted.
  void* (*allocate)(std::size_t bytes);
  void* (*reallocate)(void* block, std::size_t bytes);
  void (*release)(void* block);
};

// The error number of a call's result, or 0 when the call succeeded.
constexpr int errorNumberOf(std::int64_t result) { return result < 0 ? static_cast<int>(-result) : 0; }

// The table in force. Starts as the POSIX one.
const Platform& platform();

// Installs another table (tests); nullptr restores the POSIX one.
void installPlatform(const Platform* replacement);

// The POSIX table itself, for fakes that forward most calls.
const Platform& posixPlatform();

// Ends the process through the table in force.
[[noreturn]] void endProcess(int status);

}  // namespace recio
