#include "recio/numbers/decimal_to_double.h"

#include <algorithm>
#include <bit>
#include <limits>

#include "recio/numbers/float_bits.h"

namespace recio {
namespace {

constexpr std::uint64_t kNotANumberBits = 0x7FFF'0000'FFFF'FFFFULL;
constexpr int kMantissaBits = 53;

// m as a double with the bits below the 53 most significant dropped, so the
// conversion itself can never round up.
double truncatedToDouble(std::uint64_t m) noexcept {
  const int width = 64 - std::countl_zero(m);
  if (width > kMantissaBits) {
    const auto shift = static_cast<unsigned>(width - kMantissaBits);
    m = (m >> shift) << shift;
  }
  return static_cast<double>(m);
}

double scaleByPowerOfTen(double v, std::int64_t e) noexcept {
  if (e == 0) return v;
  if (e > 0) {
    if (e <= kLargestPowerOfTen) return v * powerOfTen(static_cast<std::int32_t>(e));
    return v != 0.0 ? std::numeric_limits<double>::infinity() : 0.0;
  }
  if (e >= -kLargestPowerOfTen) return v / powerOfTen(static_cast<std::int32_t>(-e));
  // 10^e itself is below the double range: divide in steps whose divisors stay
  // finite, so that a result in the subnormal range is not lost.
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

double decimalToDouble(const ScannedDecimal& scan) noexcept {
  double v = 0.0;
  switch (scan.kind) {
    case ScannedDecimal::Kind::Infinity: v = std::numeric_limits<double>::infinity(); break;
    case ScannedDecimal::Kind::NotANumber: v = std::bit_cast<double>(kNotANumberBits); break;
    case ScannedDecimal::Kind::Finite: v = scaleByPowerOfTen(truncatedToDouble(scan.mantissa), scan.exponent); break;
  }
  // Setting the bit rather than negating makes "-0" a negative zero and
  // gives the negative NaN its own pattern.
  if (scan.negative) v = std::bit_cast<double>(std::bit_cast<std::uint64_t>(v) | kSignBit);
  return v;
}

double convertReal(const char* text, std::size_t length) noexcept { return decimalToDouble(scanDecimal(text, length)); }

double convertTerminatedReal(const char* text, std::size_t length) noexcept {
  const PlainDecimal plain = scanPlainDecimal(text);
  if (plain.plain && plain.end == text + length) return plainDecimalValue(plain);
  return convertReal(text, length);
}

}  // namespace recio
