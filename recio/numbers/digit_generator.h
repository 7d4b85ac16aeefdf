// The one digit generator behind every printed double: one scaling by a
// power of ten in double arithmetic, then exact integer digit extraction and
// half-up rounding on the digits.
#pragma once

#include <cstdint>

namespace recio {

enum class DigitMode : std::uint8_t {
  Significant,  // round to n significant digits
  Fraction,     // round to n digits after the value's decimal point
};

// D[1]..D[20] are digits[0]..digits[19]; digits[20] is a zero byte.
// For a finite non-zero value, |value| ~ 0.D1D2D3... x 10^exponent.
// "NaN" / "INF" followed by 17 blanks for the non-finite values.
struct DecimalDigits {
  char digits[21];
  std::int32_t exponent;
};

[[nodiscard]] DecimalDigits toDecimalDigits(double value, std::int32_t n, DigitMode mode) noexcept;

// The same exponent and the same digits before the rounding place (D[1] up
// to D[r - 1], r the place of the rounding digit), for callers that read
// no further; the digits from the rounding place on are '0' or as
// generated. A fixed field needs a few digits, not seventeen.
[[nodiscard]] DecimalDigits toRoundedDigits(double value, std::int32_t n, DigitMode mode) noexcept;

}  // namespace recio
