// Every printed digit depends on these exact steps, so none of them may be
// replaced by a "better" conversion.
#include "recio/numbers/digit_generator.h"

#include <algorithm>
#include <bit>
#include <cstdint>

#include "recio/numbers/decimal_scaling.h"
#include "recio/numbers/float_bits.h"

namespace recio {
namespace {

constexpr std::int32_t kGeneratedDigits = 17;
constexpr std::int32_t kStringDigits = 20;

void fillDigits(DecimalDigits& out, char c) noexcept {
  for (std::int32_t i = 0; i < kStringDigits; ++i) out.digits[i] = c;
  out.digits[kStringDigits] = '\0';
}

// Every digit (all seventeen), or only those up to the rounding place.
enum class DigitsMade : std::uint8_t { All, UpToRounding };

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

}  // namespace

DecimalDigits toDecimalDigits(double value, std::int32_t n, DigitMode mode) noexcept {
  return generateDigits(value, n, mode, DigitsMade::All);
}

DecimalDigits toRoundedDigits(double value, std::int32_t n, DigitMode mode) noexcept {
  return generateDigits(value, n, mode, DigitsMade::UpToRounding);
}

}  // namespace recio
