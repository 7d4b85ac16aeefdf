#include "support/fake_platform.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace fake {
namespace {

FakePlatform* gActive = nullptr;
constexpr int kMemoryFile = 1000;  // the descriptor of the file served from memory

const recio::Platform& real() { return recio::posixPlatform(); }

}  // namespace

struct Calls {
  static FakePlatform& fake() { return *gActive; }
  static bool inMemory(const char* path) { return !fake().memoryName_.empty() && fake().memoryName_ == path; }
  static int memoryFacts(recio::DescriptorFacts* facts) {
    if (facts != nullptr) *facts = recio::DescriptorFacts{static_cast<std::int64_t>(fake().memory_.size()), false, false};
    return 0;
  }

  // The test process keeps its own signal settings.
  static void ignoreFileSizeSignal() {}

  static int checkReadWrite(const char* path) {
    if (const Fault* f = fake().intercept(Call::CheckReadWrite, -1, path)) return -f->errorNumber;
    if (fake().readOnly_.count(path) != 0) return -EACCES;
    return inMemory(path) ? 0 : real().checkReadWrite(path);
  }

  static int queryPath(const char* path, recio::DescriptorFacts* facts) {
    if (const Fault* f = fake().intercept(Call::QueryPath, -1, path)) return -f->errorNumber;
    return inMemory(path) ? memoryFacts(facts) : real().queryPath(path, facts);
  }

  static int open(const char* path, recio::OpenMode mode) {
    FakePlatform& p = fake();
    if (const Fault* f = p.intercept(Call::Open, -1, path)) return -f->errorNumber;
    if (mode != recio::OpenMode::ReadOnly && p.readOnly_.count(path) != 0) return -EACCES;
    p.memoryPosition_ = 0;
    const int descriptor = inMemory(path) ? kMemoryFile : real().open(path, mode);
    if (descriptor >= 0) p.openDescriptors_ += 1;
    p.records_.back().descriptor = descriptor;
    return descriptor;
  }

  static int duplicateAbove(int descriptor, int lowest) {
    FakePlatform& p = fake();
    if (const Fault* f = p.intercept(Call::Duplicate, descriptor)) return -f->errorNumber;
    const int copy = real().duplicateAbove(descriptor, lowest);
    if (copy >= 0) p.openDescriptors_ += 1;
    p.records_.back().descriptor = copy;
    return copy;
  }

  static std::int64_t read(int descriptor, void* bytes, std::size_t count) {
    FakePlatform& p = fake();
    if (const Fault* f = p.intercept(Call::Read, descriptor)) return -f->errorNumber;
    if (descriptor != 0 && descriptor != kMemoryFile) return real().read(descriptor, bytes, count);
    const bool console = descriptor == 0;
    const std::string_view from = console ? std::string_view(p.stdin_) : p.memory_;
    std::size_t& position = console ? p.stdinPosition_ : p.memoryPosition_;
    // The console delivers a line at a time, as a terminal does.
    const std::size_t lineEnd = from.find('\n', position);
    const std::size_t piece = console ? (lineEnd == std::string_view::npos ? from.size() : lineEnd + 1) - position : p.memoryChunk_;
    const std::size_t take = std::min({count, piece, from.size() - position});
    if (take != 0) std::memcpy(bytes, from.data() + position, take);  // an empty view may have no data
    position += take;
    return static_cast<std::int64_t>(take);
  }

  static std::int64_t write(int descriptor, const void* bytes, std::size_t count) {
    FakePlatform& p = fake();
    const Fault* f = p.intercept(Call::Write, descriptor);
    if (f != nullptr && f->shortCount < 0) return -f->errorNumber;
    if (f != nullptr && static_cast<std::size_t>(f->shortCount) < count) count = static_cast<std::size_t>(f->shortCount);
    if (descriptor != 1 && descriptor != 2) return real().write(descriptor, bytes, count);
    (descriptor == 1 ? p.stdout_ : p.stderr_).append(static_cast<const char*>(bytes), count);
    if (descriptor == 1) p.stdoutWrites_.push_back(count);
    return static_cast<std::int64_t>(count);
  }

  static int queryDescriptor(int descriptor, recio::DescriptorFacts* facts) {
    if (const Fault* f = fake().intercept(Call::QueryDescriptor, descriptor)) return -f->errorNumber;
    return descriptor == kMemoryFile ? memoryFacts(facts) : real().queryDescriptor(descriptor, facts);
  }

  static int truncate(int descriptor, std::int64_t length) {
    if (const Fault* f = fake().intercept(Call::Truncate, descriptor)) return -f->errorNumber;
    return real().truncate(descriptor, length);
  }

  static int close(int descriptor) {
    const Fault* f = fake().intercept(Call::Close, descriptor);
    // A failed close still releases the descriptor, as on Linux.
    const int result = descriptor == kMemoryFile ? 0 : real().close(descriptor);
    if (result == 0) fake().openDescriptors_ -= 1;
    return f != nullptr ? -f->errorNumber : result;
  }

  static int unlink(const char* path) {
    if (const Fault* f = fake().intercept(Call::Unlink, -1, path)) return -f->errorNumber;
    return real().unlink(path);
  }

  [[noreturn]] static void exit(int status) { throw ProcessExit{status}; }

  static void* allocate(std::size_t bytes) {
    if (fake().intercept(Call::Allocate) != nullptr) return nullptr;
    void* block = std::malloc(bytes);
    if (block != nullptr) fake().live_[block] = bytes;
    return block;
  }

  static void* reallocate(void* block, std::size_t bytes) {
    if (fake().intercept(Call::Allocate) != nullptr) return nullptr;
    void* moved = std::realloc(block, bytes);
    if (moved != nullptr) {
      if (block != nullptr) fake().live_.erase(block);
      fake().live_[moved] = bytes;
    }
    return moved;
  }

  static void release(void* block) {
    if (block == nullptr) return;
    fake().live_.erase(block);
    std::free(block);
  }
};

const char* callName(Call call) {
  static const char* const kNames[] = {"access", "stat", "open", "fcntl", "read", "write", "fstat", "ftruncate", "close", "unlink", "allocate"};
  return kNames[static_cast<int>(call)];
}

FakePlatform::FakePlatform() {
  table_ = recio::Platform{.ignoreFileSizeSignal = Calls::ignoreFileSizeSignal,
                           .checkReadWrite = Calls::checkReadWrite,
                           .queryPath = Calls::queryPath,
                           .open = Calls::open,
                           .duplicateAbove = Calls::duplicateAbove,
                           .read = Calls::read,
                           .write = Calls::write,
                           .queryDescriptor = Calls::queryDescriptor,
                           .truncate = Calls::truncate,
                           .close = Calls::close,
                           .unlink = Calls::unlink,
                           .exit = Calls::exit,
                           .errorText = real().errorText,
                           .allocate = Calls::allocate,
                           .reallocate = Calls::reallocate,
                           .release = Calls::release};
  gActive = this;
  recio::installPlatform(&table_);
}

FakePlatform::~FakePlatform() {
  recio::installPlatform(nullptr);
  gActive = nullptr;
}

const Fault* FakePlatform::intercept(Call call, int descriptor, const char* path) {
  records_.push_back(CallRecord{call, descriptor, path != nullptr ? path : ""});
  const int count = ++counts_[static_cast<int>(call)];
  for (const Fault& fault : faults_)
    if (fault.call == call && (count == fault.nth || (fault.persistent && count > fault.nth))) return &fault;
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
