// The bits of a double that printing and reading act on.
#pragma once

#include <bit>
#include <cstdint>

namespace recio {

inline constexpr std::uint64_t kSignBit = std::uint64_t{1} << 63U;

constexpr bool signBitSet(double value) { return (std::bit_cast<std::uint64_t>(value) & kSignBit) != 0; }

// A negative zero is written as zero; every other value keeps its sign.
constexpr double foldNegativeZero(double value) {
  return std::bit_cast<std::uint64_t>(value) == kSignBit ? 0.0 : value;
}

}  // namespace recio
