// Files read to their end by five-double statements, by the record path first and by the statement calls alone: both
// must leave the same trace (support/record_trace.h). Reads come in blocks of 16 to 2056 bytes (the first byte
// chooses), so that records cross blocks and shapes meet their ends. The second byte chooses the file: the bytes that
// follow as they are, or records made of them in one of the styles fitting codes write (fixed columns, %g, Python's
// shortest digits, Fortran list-directed, ES26.16) with LF, CR LF or CR line ends, with or without '+' signs, now and
// then a byte of the input in place of one of the record.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "support/record_trace.h"

namespace {

constexpr char kName[] = "fuzz.in";

std::vector<std::uint64_t> readAll(std::string_view input, std::size_t chunk, bool fast) {
  fake::FakePlatform platform;
  platform.serveFromMemory(kName, input, chunk);
  return fake::traceRecords(platform, kName, fast);
}

// The formats of the five values of a record in each style.
const char* const kStyles[5][5] = {
    {"%10.3f", " %12.6f", " %10.4f", " %8.3f", " %13.6f"},   {"%g", " %g", " %g", " %g", " %g"},
    {"%.17g", " %.16g", " %.15g", " %.17g", " %.16g"},       {"%25.15f", "%25.16E", "%25.17f", "%25.17f", "%25.14f"},
    {"%26.16E", "%26.16E", "%26.16E", "%26.16E", "%26.16E"},
};
const char* const kLineEnds[3] = {"\n", "\r\n", "\r"};

// Records of the style `mode` (0 to 29) chooses, three bytes a value: a signed 16-bit number scaled by a power of ten;
// after a record, a byte divisible by 8 brings two more: a byte to put in the record, and where.
std::string styledRecords(const std::uint8_t* data, std::size_t size, unsigned mode) {
  const auto& formats = kStyles[mode % 5];
  const char* const lineEnd = kLineEnds[mode / 5 % 3];
  const bool signs = mode / 15 % 2 != 0;
  std::string text;
  std::size_t at = 0;
  while (at + 15 <= size) {
    std::string record;
    for (const char* format : formats) {
      const auto number = static_cast<std::int16_t>(data[at] | data[at + 1] << 8);
      const double value = number * std::pow(10.0, static_cast<int>(data[at + 2] % 24) - 12);
      at += 3;
      std::string withSign = format;
      if (signs) withSign.insert(withSign.find('%') + 1, "+");
      char field[64];
      std::snprintf(field, sizeof field, withSign.c_str(), value);
      record += field;
    }
    if (at + 2 < size && data[at] % 8 == 0) {
      record[data[at + 2] % record.size()] = static_cast<char>(data[at + 1]);
      at += 3;
    }
    text += record + lineEnd;
  }
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::size_t chunk = 16 + std::size_t{data[0]} * 8;
  const std::string input = data[1] < 128 ? std::string(reinterpret_cast<const char*>(data + 2), size - 2) : styledRecords(data + 2, size - 2, data[1] % 30);
  if (readAll(input, chunk, true) != readAll(input, chunk, false)) {
    std::fprintf(stderr, "the record path left another trace than the statement calls\n");
    std::abort();
  }
  return 0;
}
