#include "support/fake_platform.h"

#include <cstdlib>
#include <cstring>

namespace fake {
namespace {

FakePlatform* gActive = nullptr;

const recio::Platform& real() { return recio::posixPlatform(); }

// The test process keeps its own signal settings.
void ignoreFileSizeSignal() {}

int checkReadWrite(const char* path) {
  if (const Fault* f = gActive->intercept(Call::CheckReadWrite, -1, path)) return -f->errorNumber;
  return real().checkReadWrite(path);
}

int queryPath(const char* path, recio::DescriptorFacts* facts) {
  if (const Fault* f = gActive->intercept(Call::QueryPath, -1, path)) return -f->errorNumber;
  return real().queryPath(path, facts);
}

int openPath(const char* path, recio::OpenMode mode) {
  if (const Fault* f = gActive->intercept(Call::Open, -1, path)) return -f->errorNumber;
  int descriptor = real().open(path, mode);
  if (descriptor >= 0) gActive->openDescriptors_ += 1;
  gActive->recordDescriptor(descriptor);
  return descriptor;
}

std::int64_t readBytes(int descriptor, void* bytes, std::size_t count) {
  if (const Fault* f = gActive->intercept(Call::Read, descriptor, nullptr)) return -f->errorNumber;
  if (descriptor == 0) {
    FakePlatform& p = *gActive;
    std::size_t left = p.stdin_.size() - p.stdinPosition_;
    // The console delivers a line at a time, as a terminal does.
    std::size_t lineEnd = p.stdin_.find('\n', p.stdinPosition_);
    std::size_t take = lineEnd == std::string::npos ? left : lineEnd + 1 - p.stdinPosition_;
    if (take > count) take = count;
    std::memcpy(bytes, p.stdin_.data() + p.stdinPosition_, take);
    p.stdinPosition_ += take;
    return static_cast<std::int64_t>(take);
  }
  return real().read(descriptor, bytes, count);
}

std::int64_t writeBytes(int descriptor, const void* bytes, std::size_t count) {
  const Fault* f = gActive->intercept(Call::Write, descriptor, nullptr);
  if (f != nullptr && f->shortCount < 0) return -f->errorNumber;
  if (f != nullptr && static_cast<std::size_t>(f->shortCount) < count) count = static_cast<std::size_t>(f->shortCount);
  if (descriptor == 1 || descriptor == 2) {
    std::string& sink = descriptor == 1 ? gActive->stdout_ : gActive->stderr_;
    sink.append(static_cast<const char*>(bytes), count);
    if (descriptor == 1) gActive->stdoutWrites_.push_back(count);
    return static_cast<std::int64_t>(count);
  }
  return real().write(descriptor, bytes, count);
}

int queryDescriptor(int descriptor, recio::DescriptorFacts* facts) {
  if (const Fault* f = gActive->intercept(Call::QueryDescriptor, descriptor, nullptr)) return -f->errorNumber;
  return real().queryDescriptor(descriptor, facts);
}

int truncateTo(int descriptor, std::int64_t length) {
  if (const Fault* f = gActive->intercept(Call::Truncate, descriptor, nullptr)) return -f->errorNumber;
  return real().truncate(descriptor, length);
}

int closeDescriptor(int descriptor) {
  const Fault* f = gActive->intercept(Call::Close, descriptor, nullptr);
  // A failed close still releases the descriptor, as on Linux.
  int result = real().close(descriptor);
  if (result == 0) gActive->openDescriptors_ -= 1;
  return f != nullptr ? -f->errorNumber : result;
}

int unlinkPath(const char* path) {
  if (const Fault* f = gActive->intercept(Call::Unlink, -1, path)) return -f->errorNumber;
  return real().unlink(path);
}

[[noreturn]] void exitProcess(int status) { throw ProcessExit{status}; }

void* allocate(std::size_t bytes) {
  if (gActive->intercept(Call::Allocate) != nullptr) return nullptr;
  void* block = std::malloc(bytes);
  if (block != nullptr) gActive->live_[block] = bytes;
  return block;
}

void* reallocate(void* block, std::size_t bytes) {
  if (gActive->intercept(Call::Allocate) != nullptr) return nullptr;
  void* moved = std::realloc(block, bytes);
  if (moved != nullptr) {
    if (block != nullptr) gActive->live_.erase(block);
    gActive->live_[moved] = bytes;
  }
  return moved;
}

void release(void* block) {
  if (block == nullptr) return;
  gActive->live_.erase(block);
  std::free(block);
}

}  // namespace

const char* callName(Call call) {
  static const char* const kNames[] = {"access", "stat", "open", "read", "write", "fstat",
                                       "ftruncate", "close", "unlink", "allocate"};
  return kNames[static_cast<int>(call)];
}

FakePlatform::FakePlatform() {
  table_ = recio::Platform{ignoreFileSizeSignal, checkReadWrite, queryPath,   openPath,          readBytes,   writeBytes,
                           queryDescriptor, truncateTo, closeDescriptor,   unlinkPath,  exitProcess,
                           real().errorText, allocate,  reallocate,        release};
  gActive = this;
  recio::installPlatform(&table_);
}

FakePlatform::~FakePlatform() {
  recio::installPlatform(nullptr);
  gActive = nullptr;
}

FakePlatform& FakePlatform::active() { return *gActive; }

const Fault* FakePlatform::intercept(Call call) { return intercept(call, -1, nullptr); }

int FakePlatform::callsOn(Call call, int descriptor) const {
  int count = 0;
  for (const CallRecord& record : records_) count += record.call == call && record.descriptor == descriptor ? 1 : 0;
  return count;
}

void FakePlatform::recordDescriptor(int descriptor) {
  if (!records_.empty()) records_.back().descriptor = descriptor;
}

const Fault* FakePlatform::intercept(Call call, int descriptor, const char* path) {
  records_.push_back(CallRecord{call, descriptor, path != nullptr ? path : ""});
  int& count = counts_[static_cast<int>(call)];
  count += 1;
  allCalls_ += 1;
  log_.push_back(call);
  for (const Fault& fault : faults_) {
    bool kindMatches = fault.nth == 0 ? false : fault.call == call;
    int position = count;
    if (fault.nth < 0) {  // negative: position among all calls
      kindMatches = true;
      position = allCalls_;
    }
    int nth = fault.nth < 0 ? -fault.nth : fault.nth;
    if (!kindMatches) continue;
    if (position == nth || (fault.persistent && position > nth)) return &fault;
  }
  return nullptr;
}

int FakePlatform::run(const std::function<void()>& body) {
  try {
    body();
  } catch (const ProcessExit& exit) {
    return exit.status;
  }
  return -1;
}

}  // namespace fake
