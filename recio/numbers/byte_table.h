// Tables that classify every byte value with one lookup, built at compile
// time, and the digit test every scanner shares.
#pragma once

#include <array>
#include <cstdint>

namespace recio {

using ByteTable = std::array<std::uint8_t, 256>;

// The table of `classify` (a constexpr function of a byte) over all 256 bytes.
template <typename Classify>
constexpr ByteTable makeByteTable(Classify classify) {
  ByteTable table{};
  for (unsigned byte = 0; byte < 256; ++byte) table[byte] = classify(static_cast<unsigned char>(byte));
  return table;
}

constexpr std::uint8_t lookUp(const ByteTable& table, char c) { return table[static_cast<unsigned char>(c)]; }

// A character's distance above '0': 0 to 9 for the digits, more for every
// other character (the subtraction wraps below '0').
constexpr std::uint64_t digitValue(char c) { return static_cast<unsigned char>(c) - std::uint64_t{'0'}; }
constexpr bool isDigit(char c) { return digitValue(c) <= 9; }

}  // namespace recio
