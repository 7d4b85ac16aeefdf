// A platform for tests: real files in the working directory, the console in
// memory, and any call made to fail on demand.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "recio/platform/platform.h"

namespace fake {

enum class Call {
  CheckReadWrite,
  QueryPath,
  Open,
  Read,
  Write,
  QueryDescriptor,
  Truncate,
  Close,
  Unlink,
  Allocate,  // allocate and reallocate
  Count
};

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
  int nth;  // 1-based among calls of that kind; negative: -n-th among all calls
  int errorNumber;      // returned as -errorNumber; ignored for Allocate (nullptr)
  std::int64_t shortCount = -1;  // for Write: accept this many bytes instead of failing
  bool persistent = false;       // every call from the nth on
};

class FakePlatform {
 public:
  FakePlatform();  // installs itself
  ~FakePlatform();  // restores the POSIX table
  FakePlatform(const FakePlatform&) = delete;
  FakePlatform& operator=(const FakePlatform&) = delete;

  void setStandardInput(std::string bytes) { stdin_ = std::move(bytes); stdinPosition_ = 0; }
  const std::string& standardOutput() const { return stdout_; }
  const std::string& standardError() const { return stderr_; }
  // Sizes of the writes to standard output, in order.
  const std::vector<std::size_t>& outputWrites() const { return stdoutWrites_; }

  void addFault(const Fault& fault) { faults_.push_back(fault); }
  int calls(Call call) const { return counts_[static_cast<int>(call)]; }
  int allCalls() const { return allCalls_; }
  // Calls of each kind in order, for enumerating fault positions.
  const std::vector<Call>& callLog() const { return log_; }
  // The same calls with their descriptors and paths.
  const std::vector<CallRecord>& callRecords() const { return records_; }
  // Calls of a kind made on one descriptor.
  int callsOn(Call call, int descriptor) const;
  std::size_t liveAllocations() const { return live_.size(); }
  int openDescriptors() const { return openDescriptors_; }

  // Runs `body` until the layer ends the process; returns the exit status,
  // or -1 when `body` returned normally.
  int run(const std::function<void()>& body);

  // The active fake (its functions are plain function pointers).
  static FakePlatform& active();

  // Internal: decides whether the call fails, and how.
  const Fault* intercept(Call call);
  const Fault* intercept(Call call, int descriptor, const char* path);
  // Internal: notes the descriptor an open returned in its record.
  void recordDescriptor(int descriptor);

  std::string stdin_;
  std::size_t stdinPosition_ = 0;
  std::string stdout_;
  std::string stderr_;
  std::vector<std::size_t> stdoutWrites_;
  std::map<void*, std::size_t> live_;
  int openDescriptors_ = 0;

 private:
  std::vector<Fault> faults_;
  int counts_[static_cast<int>(Call::Count)] = {};
  int allCalls_ = 0;
  std::vector<Call> log_;
  std::vector<CallRecord> records_;
  recio::Platform table_{};
};

}  // namespace fake
