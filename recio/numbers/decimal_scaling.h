// The digit generator's scaling of a double into [1, 10) (one rounded
// division or multiplication by a power of ten), shared by the digit string
// and by the fixed fields' digits taken as one integer. Inline, so that a
// field costs no call.
#pragma once

#include <bit>
#include <cstdint>

#include "recio/numbers/float_bits.h"
#include "recio/numbers/powers_of_ten.h"

namespace recio {

inline constexpr std::uint64_t kFractionMask = (std::uint64_t{1} << 52) - 1;
inline constexpr std::uint64_t kHiddenBit = std::uint64_t{1} << 52;

// The magnitude of a finite, non-zero value scaled into [1, 10), and its
// decimal exponent k: |value| ~ 0.D1D2D3... x 10^k.
struct Scaled {
  double x;
  std::int32_t k;
};

[[gnu::always_inline]] inline Scaled scaleIntoFirstDecade(std::uint64_t bits, std::int32_t exponentField) noexcept {
  // 19728 / 65536 is just below log10(2), so k is at most one off; C++20
  // shifts a negative product arithmetically, which floors it.
  std::int32_t k = ((exponentField - 1023) * 19728) >> 16;
  double x = std::bit_cast<double>(bits & ~kSignBit);
  if (k > 0) {
    x = x / powerOfTen(k);
  } else if (k < 0) {
    x = x * powerOfTen(-k);
  }
  k += 1;
  if (x >= 10.0) {
    x = x / 10.0;
    k += 1;
  }
  // Two narrow bands of tiny magnitudes get an estimate one too high.
  if (x < 1.0) {
    x = x * 10.0;
    k -= 1;
  }
  return {x, k};
}

// The most digits toFractionDigits rounds to, and 10^n up to them.
inline constexpr std::int32_t kMostFractionDigits = 10;
inline constexpr std::uint64_t kIntegerPowers[kMostFractionDigits + 1] = {
    1U, 10U, 100U, 1000U, 10000U, 100000U, 1000000U, 10000000U, 100000000U, 1000000000U, 10000000000U};

// The digits that toDecimalDigits(value, d, Fraction) gives a finite, normal
// (not zero, not subnormal) value, as one integer: `digits` is the value
// rounded to d fraction digits times 10^d, its decimal text D[1]..D[k+d]
// (k the exponent after rounding). `rounded` is false where the rounding
// place lies beyond kMostFractionDigits digits: then only the exponent,
// before rounding, is given (rounding never lowers it). Where the value is
// below a tenth of the last place, digits is 0 and the exponent as scaled.
struct FractionDigits {
  std::uint64_t digits;
  std::int32_t exponent;
  bool rounded;
};

[[gnu::always_inline]] inline FractionDigits toFractionDigits(double value, std::int32_t d) noexcept {
  const auto bits = std::bit_cast<std::uint64_t>(value);
  const Scaled scaled = scaleIntoFirstDecade(bits, static_cast<std::int32_t>((bits >> 52) & 0x7FFU));
  // r - 1 digits are kept: D[r] decides the rounding, half up.
  const std::int32_t r = d + 1 + scaled.k;
  if (r <= 0) return {0, scaled.k, true};
  if (r > kMostFractionDigits + 1) return {0, scaled.k, false};
  // x as fixed point with 52 fraction bits, below 10 x 2^52.
  const auto xBits = std::bit_cast<std::uint64_t>(scaled.x);
  const auto fixed = ((xBits & kFractionMask) | kHiddenBit) << ((((xBits >> 52) & 0x7FFU) - 1023U) & 3U);
  std::uint64_t digits = 0;
  if (r == 1) {
    digits = fixed >= 5 * kHiddenBit ? 1U : 0U;
  } else {
    // floor(x * 10^(r - 2) + 1/2): the product needs up to 86 bits, taken in
    // two halves; the low half's bits below 2^32 cannot reach the result.
    const std::uint64_t power = kIntegerPowers[r - 2];
    const std::uint64_t low = (fixed & 0xFFFFFFFFU) * power + (kHiddenBit >> 1U);
    const std::uint64_t high = (fixed >> 32U) * power;
    digits = (high + (low >> 32U)) >> 20U;
  }
  // A carry out of the first digit: one more integer digit.
  const std::int32_t exponent = digits == kIntegerPowers[r - 1] ? scaled.k + 1 : scaled.k;
  return {digits, exponent, true};
}

}  // namespace recio
