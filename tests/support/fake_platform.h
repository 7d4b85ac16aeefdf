// A platform for tests and fuzz targets: real files in the working directory, or one file served from memory; the
// console in memory; and any call made to fail on demand.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "recio/platform/platform.h"

namespace fake {

// Allocate stands for allocate and reallocate.
enum class Call { CheckReadWrite, QueryPath, Open, Duplicate, Read, Write, QueryDescriptor, Truncate, Close, Unlink, Allocate, Count };

const char* callName(Call call);

// Thrown by the fake exit so that a test sees the status.
struct ProcessExit {
  int status;
};

// One intercepted call: its kind, the descriptor it works on (for open, the
// one it returned; -1 when none) and the path it names ("" when none).
struct CallRecord {
  Call call;
  int descriptor;
  std::string path;
};

struct Fault {
  Call call;
  int nth;                       // 1-based among calls of that kind
  int errorNumber;               // returned as -errorNumber; ignored for Allocate (nullptr)
  std::int64_t shortCount = -1;  // for Write: accept this many bytes instead of failing
  bool persistent = false;       // every call from the nth on
};

class FakePlatform {
 public:
  FakePlatform();   // installs itself
  ~FakePlatform();  // restores the POSIX table
  FakePlatform(const FakePlatform&) = delete;
  FakePlatform& operator=(const FakePlatform&) = delete;

  void setStandardInput(std::string bytes) {
    stdin_ = std::move(bytes);
    stdinPosition_ = 0;
  }
  const std::string& standardOutput() const { return stdout_; }
  const std::string& standardError() const { return stderr_; }
  // Sizes of the writes to standard output, in order.
  const std::vector<std::size_t>& outputWrites() const { return stdoutWrites_; }

  // `path` then behaves as a file the user may read but not write, whoever runs the tests: the access check for writing
  // and a read-write open fail with EACCES.
  void readOnly(std::string path) { readOnly_.insert(std::move(path)); }
  // `name` then reads `bytes` (kept by the caller), at most `chunk` bytes a read, without touching the disk.
  void serveFromMemory(std::string name, std::string_view bytes, std::size_t chunk) {
    memoryName_ = std::move(name);
    memory_ = bytes;
    memoryChunk_ = chunk;
  }
  void addFault(const Fault& fault) { faults_.push_back(fault); }
  int calls(Call call) const { return counts_[static_cast<int>(call)]; }
  // Every intercepted call in order, with its descriptor and path.
  const std::vector<CallRecord>& callRecords() const { return records_; }
  std::size_t liveAllocations() const { return live_.size(); }
  int openDescriptors() const { return openDescriptors_; }

  // Runs `body` until the layer ends the process; returns the exit status, or -1 when `body` returned normally.
  int run(const std::function<void()>& body);

 private:
  friend struct Calls;  // the table's functions, in fake_platform.cpp
  const Fault* intercept(Call call, int descriptor = -1, const char* path = nullptr);

  std::string stdin_, stdout_, stderr_;
  std::size_t stdinPosition_ = 0;
  std::vector<std::size_t> stdoutWrites_;
  std::set<std::string> readOnly_;
  std::string memoryName_;
  std::string_view memory_;
  std::size_t memoryChunk_ = 0;
  std::size_t memoryPosition_ = 0;
  std::map<void*, std::size_t> live_;
  int openDescriptors_ = 0;
  std::vector<Fault> faults_;
  int counts_[static_cast<int>(Call::Count)] = {};
  std::vector<CallRecord> records_;
  recio::Platform table_{};
};

}  // namespace fake
