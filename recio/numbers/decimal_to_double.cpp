#include "recio/numbers/decimal_to_double.h"

#include <algorithm>
#include <limits>

namespace recio::detail {
namespace {

constexpr std::uint64_t kNotANumberBits = 0x7FFF'0000'FFFF'FFFFULL;

// 10^e beyond the double range: infinity or zero above, and below, divisions
// in steps whose divisors stay finite, so that a result in the subnormal
// range is not lost.
double scaleBeyondPowers(double v, std::int64_t e) noexcept {
  if (e > 0) return v != 0.0 ? std::numeric_limits<double>::infinity() : 0.0;
  v = v / powerOfTen(kLargestPowerOfTen);
  std::int64_t remaining = -e - kLargestPowerOfTen;
  while (remaining > 0 && v != 0.0) {
    const std::int64_t step = std::min<std::int64_t>(remaining, kLargestPowerOfTen);
    v = v / powerOfTen(static_cast<std::int32_t>(step));
    remaining -= step;
  }
  return v;
}

}  // namespace

double rareDecimalToDouble(ScannedDecimal::Kind kind, bool negative, std::uint64_t mantissa,
                           std::int64_t exponent) noexcept {
  double v = 0.0;
  switch (kind) {
    case ScannedDecimal::Kind::Infinity: v = std::numeric_limits<double>::infinity(); break;
    case ScannedDecimal::Kind::NotANumber: v = std::bit_cast<double>(kNotANumberBits); break;
    case ScannedDecimal::Kind::Finite: v = scaleBeyondPowers(truncatedToDouble(mantissa), exponent); break;
  }
  // The negative NaN has its own pattern.
  if (negative) v = std::bit_cast<double>(std::bit_cast<std::uint64_t>(v) | kSignBit);
  return v;
}

}  // namespace recio::detail
