// The layer's decimal-to-double conversion, from what a scan found.
//
// It is deliberately not correctly rounded: a 64-bit decimal mantissa,
// truncated to 53 bits, scaled by one multiplication or division by a
// squaring power of ten (by two divisions below 10^-308). Every value read from a data file depends on these
// exact steps, so none of them may be "improved".
#pragma once

#include <cstddef>
#include <cstdint>

#include "recio/numbers/decimal_scan.h"
#include "recio/numbers/powers_of_ten.h"

namespace recio {

[[nodiscard]] double decimalToDouble(const ScannedDecimal& scan) noexcept;

// m * 10^e of a plain decimal: m < 2^53 and 10^|e| (|e| <= 22) are exact
// doubles, so the one multiplication or division is the correctly rounded
// value of m * 10^e. The general steps drop the z trailing zeros of the
// fraction first and scale m / 10^z by 10^(e + z), where e + z <= x <= 22:
// exact operands again, the same exact value, the same double.
[[gnu::always_inline]] inline double plainDecimalValue(const PlainDecimal& d) noexcept {
  // m < 2^53 fits the signed conversion, which needs no fix-up for the top bit.
  double v = static_cast<double>(static_cast<std::int64_t>(d.mantissa));
  if (d.exponent > 0) {
    v = v * powerOfTen(d.exponent);
  } else if (d.exponent < 0) {
    v = v / powerOfTen(-d.exponent);
  }
  if (d.negative) v = -v;  // v is +0.0 or positive: negation only sets the sign bit
  return v;
}

// The conversion of `length` characters that passed checkNumberText, by the
// general steps.
[[nodiscard]] double convertReal(const char* text, std::size_t length) noexcept;

// The same double for a text followed by a zero byte (or any other character
// that cannot continue a number), taking a plain decimal by the plain scan.
[[nodiscard]] double convertTerminatedReal(const char* text, std::size_t length) noexcept;

}  // namespace recio
