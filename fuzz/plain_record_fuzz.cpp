// Arbitrary bytes read to their end by five-double statements, by the record
// path first and by the statement calls alone: both must leave the same trace
// (support/record_trace.h). Reads come in blocks of 16 to 2056 bytes (the
// first byte chooses), so that records cross blocks and shapes meet their ends.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "support/record_trace.h"

namespace {

constexpr char kName[] = "fuzz.in";

std::vector<std::uint64_t> readAll(const std::uint8_t* data, std::size_t size, std::size_t chunk, bool fast) {
  fake::FakePlatform platform;
  platform.serveFromMemory(kName, std::string_view(reinterpret_cast<const char*>(data), size), chunk);
  return fake::traceRecords(platform, kName, fast);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t chunk = 16 + std::size_t{data[0]} * 8;
  if (readAll(data + 1, size - 1, chunk, true) != readAll(data + 1, size - 1, chunk, false)) {
    std::fprintf(stderr, "the record path left another trace than the statement calls\n");
    std::abort();
  }
  return 0;
}
