// Every printed digit depends on these exact steps, so none of them may be
// replaced by a "better" conversion.
#include "recio/numbers/digit_generator.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <iterator>

#include "recio/numbers/float_bits.h"
#include "recio/numbers/powers_of_ten.h"

namespace recio {
namespace {

constexpr std::uint64_t kFractionMask = (std::uint64_t{1} << 52) - 1;
constexpr std::uint64_t kHiddenBit = std::uint64_t{1} << 52;
constexpr std::int32_t kGeneratedDigits = 17;
constexpr std::int32_t kStringDigits = 20;

void fillDigits(DecimalDigits& out, char c) noexcept {
  for (std::int32_t i = 0; i < kStringDigits; ++i) out.digits[i] = c;
  out.digits[kStringDigits] = '\0';
}

// floor(a / 65536): C++20 shifts negative operands arithmetically.
constexpr std::int32_t floorDiv65536(std::int32_t a) noexcept { return a >> 16; }
static_assert(floorDiv65536(-1) == -1 && floorDiv65536(-65536) == -1 && floorDiv65536(-65537) == -2);

// Every digit (all seventeen), or only those up to the rounding place.
enum class DigitsMade : std::uint8_t { All, UpToRounding };

// The magnitude of a finite, non-zero value scaled into [1, 10) by one
// rounded division or multiplication by a power of ten, and its decimal
// exponent k: |value| ~ 0.D1D2D3... x 10^k.
struct Scaled {
  double x;
  std::int32_t k;
};

Scaled scaleIntoFirstDecade(std::uint64_t bits, std::int32_t exponentField) noexcept {
  // 19728 / 65536 is just below log10(2), so k is at most one off.
  const std::int32_t e = exponentField - 1023;
  std::int32_t k = floorDiv65536(e * 19728);
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

// The first `count` digits of x in [1, 10), exactly: its unbiased exponent
// is 0..3, and the significand shifted by it is x as fixed point with 52
// fraction bits.
void extractDigits(double x, std::int32_t count, DecimalDigits& out) noexcept {
  const auto xBits = std::bit_cast<std::uint64_t>(x);
  const auto xExponent = static_cast<std::int32_t>((xBits >> 52) & 0x7FFU) - 1023;
  std::uint64_t fixed = (xBits & kFractionMask) | kHiddenBit;
  if (xExponent > 0 && xExponent <= 3) fixed <<= static_cast<std::uint32_t>(xExponent);
  fillDigits(out, '0');
  for (std::int32_t i = 0; i < count; ++i) {
    const auto digit = static_cast<std::uint32_t>(fixed >> 52);
    out.digits[i] = static_cast<char>('0' + static_cast<char>(digit));
    fixed = (fixed & kFractionMask) * 10U;
  }
}

// Half-up rounding on the digits at 1-based place r (1 <= r <= 17): a carry
// out of the first digit makes it 1 and raises the exponent.
void roundAtPlace(DecimalDigits& out, std::int32_t r) noexcept {
  const std::int32_t place = r - 1;
  if (out.digits[place] >= '5') {
    out.digits[place] = '0';
    std::int32_t i = place - 1;
    while (i >= 0 && out.digits[i] == '9') {
      out.digits[i] = '0';
      --i;
    }
    if (i >= 0) {
      out.digits[i] = static_cast<char>(out.digits[i] + 1);
    } else {
      out.digits[0] = '1';
      out.exponent += 1;
    }
  }
  if (r == kGeneratedDigits) out.digits[kGeneratedDigits - 1] = '0';
}

DecimalDigits generateDigits(double value, std::int32_t n, DigitMode mode, DigitsMade made) noexcept {
  DecimalDigits out{};
  const auto bits = std::bit_cast<std::uint64_t>(value);
  const auto exponentField = static_cast<std::int32_t>((bits >> 52) & 0x7FFU);
  if (exponentField == 0x7FF) {
    fillDigits(out, ' ');
    const char* word = (bits & kFractionMask) != 0 ? "NaN" : "INF";
    for (std::int32_t i = 0; i < 3; ++i) out.digits[i] = word[i];
    return out;
  }
  if (exponentField == 0) {
    // Zero and the subnormal numbers both print as zero.
    fillDigits(out, '0');
    return out;
  }
  const Scaled scaled = scaleIntoFirstDecade(bits, exponentField);
  // r is the 1-based digit at which to round; widen so n near the int32
  // limits cannot overflow.
  std::int64_t r = static_cast<std::int64_t>(n) + 1;
  if (mode == DigitMode::Fraction) r += scaled.k;
  const std::int32_t count = made == DigitsMade::All
                                 ? kGeneratedDigits
                                 : static_cast<std::int32_t>(std::clamp<std::int64_t>(r, 0, kGeneratedDigits));
  extractDigits(scaled.x, count, out);
  out.exponent = scaled.k;
  // Below a tenth of the last requested place, the value shows as zero
  // anyway: no rounding.
  if (mode == DigitMode::Fraction && r <= 0) return out;
  if (r >= 1) roundAtPlace(out, static_cast<std::int32_t>(std::min<std::int64_t>(r, kGeneratedDigits)));
  return out;
}

// 10^n for 0 <= n <= kMostFractionDigits, exact in 64 bits.
constexpr std::uint64_t kIntegerPowers[] = {1U,       10U,       100U,       1000U,       10000U,      100000U,
                                            1000000U, 10000000U, 100000000U, 1000000000U, 10000000000U};
static_assert(std::size(kIntegerPowers) == kMostFractionDigits + 1);

}  // namespace

FractionDigits toFractionDigits(double value, std::int32_t d) noexcept {
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

DecimalDigits toDecimalDigits(double value, std::int32_t n, DigitMode mode) noexcept {
  return generateDigits(value, n, mode, DigitsMade::All);
}

DecimalDigits toRoundedDigits(double value, std::int32_t n, DigitMode mode) noexcept {
  return generateDigits(value, n, mode, DigitsMade::UpToRounding);
}

}  // namespace recio
