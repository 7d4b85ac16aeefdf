// A platform for the fuzz targets: one named file served from memory, in
// reads of at most `chunk` bytes, so that no input touches the disk; standard
// error kept, everything else written dropped; memory blocks counted; exit
// thrown as MemoryPlatform::Exit.
#pragma once

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "recio/platform/platform.h"

namespace fuzzing {

class MemoryPlatform {
 public:
  struct Exit {
    int status;
  };

  MemoryPlatform(const char* name, const std::uint8_t* bytes, std::size_t size, std::size_t chunk)
      : name_(name), bytes_(bytes), size_(size), chunk_(chunk == 0 ? 1 : chunk) {
    active() = this;
    recio::installPlatform(&kTable);
  }
  ~MemoryPlatform() {
    recio::installPlatform(nullptr);
    active() = nullptr;
  }
  MemoryPlatform(const MemoryPlatform&) = delete;
  MemoryPlatform& operator=(const MemoryPlatform&) = delete;

  std::size_t liveBlocks() const { return liveBlocks_; }
  int openDescriptors() const { return openDescriptors_; }
  const std::string& standardError() const { return standardError_; }

 private:
  static constexpr int kFile = 3;  // the descriptor of the one file

  static MemoryPlatform*& active() {
    static MemoryPlatform* current = nullptr;
    return current;
  }
  static MemoryPlatform& self() { return *active(); }
  static int missing(const char* path) { return std::strcmp(path, self().name_) == 0 ? 0 : -ENOENT; }

  static void ignoreFileSizeSignal() {}
  static int checkReadWrite(const char* path) { return missing(path); }
  static int queryPath(const char* path, recio::DescriptorFacts* facts) {
    if (missing(path) == 0 && facts != nullptr) queryDescriptor(kFile, facts);
    return missing(path);
  }
  static int open(const char* path, recio::OpenMode) {
    if (missing(path) != 0) return -ENOENT;
    self().position_ = 0;
    self().openDescriptors_ += 1;
    return kFile;
  }
  static std::int64_t read(int descriptor, void* into, std::size_t count) {
    MemoryPlatform& p = self();
    if (descriptor != kFile) return 0;  // standard input is empty
    const std::size_t take = std::min({p.size_ - p.position_, count, p.chunk_});
    if (take != 0) std::memcpy(into, p.bytes_ + p.position_, take);
    p.position_ += take;
    return static_cast<std::int64_t>(take);
  }
  static std::int64_t write(int descriptor, const void* from, std::size_t count) {
    if (descriptor == 2) self().standardError_.append(static_cast<const char*>(from), count);
    return static_cast<std::int64_t>(count);
  }
  static int queryDescriptor(int, recio::DescriptorFacts* facts) {
    *facts = recio::DescriptorFacts{static_cast<std::int64_t>(self().size_), false, false};
    return 0;
  }
  static int truncate(int, std::int64_t) { return 0; }
  static int close(int descriptor) {
    if (descriptor == kFile) self().openDescriptors_ -= 1;
    return 0;
  }
  static int unlink(const char*) { return 0; }
  [[noreturn]] static void exit(int status) { throw Exit{status}; }
  static const char* errorText(int errorNumber) { return std::strerror(errorNumber); }
  static void* allocate(std::size_t count) {
    void* block = std::malloc(count);
    self().liveBlocks_ += block != nullptr ? 1 : 0;
    return block;
  }
  static void* reallocate(void* block, std::size_t count) {
    void* moved = std::realloc(block, count);
    self().liveBlocks_ += moved != nullptr && block == nullptr ? 1 : 0;
    return moved;
  }
  static void release(void* block) {
    self().liveBlocks_ -= block != nullptr ? 1 : 0;
    std::free(block);
  }

  static constexpr recio::Platform kTable{ignoreFileSizeSignal, checkReadWrite, queryPath, open, read, write,
                                          queryDescriptor, truncate, close, unlink, exit, errorText,
                                          allocate, reallocate, release};

  const char* name_;
  const std::uint8_t* bytes_;
  std::size_t size_;
  std::size_t chunk_;
  std::size_t position_ = 0;
  std::size_t liveBlocks_ = 0;
  int openDescriptors_ = 0;
  std::string standardError_;
};

}  // namespace fuzzing
