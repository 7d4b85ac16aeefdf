// The layer's decimal-to-double conversion, from what a scan found.
//
// It is deliberately not correctly rounded: a 64-bit decimal mantissa,
// truncated to 53 bits, scaled by one multiplication or division by a
// squaring power of ten (by two divisions below 10^-308). Every value read
// from a data file depends on these exact steps, so none of them may be
// "improved".
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

#include "recio/numbers/decimal_scan.h"
#include "recio/numbers/float_bits.h"
#include "recio/numbers/powers_of_ten.h"

namespace recio {
namespace detail {

inline constexpr int kMantissaBits = 53;

// m as a double with the bits below the 53 most significant dropped, so the
// conversion itself can never round up. Below 2^53 that is the plain
// conversion.
inline double truncatedToDouble(std::uint64_t m) noexcept {
  if (m >> kMantissaBits != 0) {
    const auto shift = static_cast<unsigned>(64 - std::countl_zero(m) - kMantissaBits);
    m = (m >> shift) << shift;
  }
  return static_cast<double>(m);
}

// Infinity, NaN, and exponents beyond the powers of ten.
double rareDecimalToDouble(ScannedDecimal::Kind kind, bool negative, std::uint64_t mantissa,
                           std::int64_t exponent) noexcept;

}  // namespace detail

// The double of mantissa * 10^exponent: one multiplication or division by
// 10^|e| where |e| <= 308, each a single rounded operation.
[[gnu::always_inline]] inline double decimalToDouble(bool negative, std::uint64_t mantissa,
                                                     std::int64_t exponent) noexcept {
  if (exponent > kLargestPowerOfTen || exponent < -kLargestPowerOfTen) {
    return detail::rareDecimalToDouble(ScannedDecimal::Kind::Finite, negative, mantissa, exponent);
  }
  double v = detail::truncatedToDouble(mantissa);
  if (exponent > 0) {
    v = v * powerOfTen(static_cast<std::int32_t>(exponent));
  } else if (exponent < 0) {
    v = v / powerOfTen(static_cast<std::int32_t>(-exponent));
  }
  // Setting the bit rather than negating makes "-0" a negative zero.
  if (negative) v = std::bit_cast<double>(std::bit_cast<std::uint64_t>(v) | kSignBit);
  return v;
}

// The double of a scan.
[[gnu::always_inline]] inline double decimalToDouble(const ScannedDecimal& scan) noexcept {
  if (scan.kind != ScannedDecimal::Kind::Finite) {
    return detail::rareDecimalToDouble(scan.kind, scan.negative, scan.mantissa, scan.exponent);
  }
  return decimalToDouble(scan.negative, scan.mantissa, scan.exponent);
}

// The conversion of `length` characters that passed checkNumberText.
[[nodiscard]] inline double convertReal(const char* text, std::size_t length) noexcept {
  return decimalToDouble(scanDecimal(text, length));
}

}  // namespace recio
