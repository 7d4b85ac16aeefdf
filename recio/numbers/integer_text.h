// Decimal text of an integer: the one routine behind every integer the layer
// writes (free-form items, exponents, reports).
#pragma once

#include <cstddef>
#include <cstdint>

namespace recio {

inline constexpr std::size_t kIntegerTextMax = 20;  // digits of 2^64 - 1

// The digits of `value`, no sign, no padding, at least `minimumDigits`
// (leading zeros; at most kIntegerTextMax); returns the length written.
std::size_t unsignedToText(std::uint64_t value, char* out, std::size_t minimumDigits = 1) noexcept;

// A minus sign for a negative value, then its digits.
std::size_t integerToText(std::int32_t value, char* out) noexcept;

}  // namespace recio
