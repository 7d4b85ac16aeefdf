// Number texts of the output statements. All digits of a double come from
// toDecimalDigits; nothing here rounds on its own.
#include "recio/numbers/printed_numbers.h"

#include <bit>
#include <cstdint>
#include <cstring>

#include "recio/numbers/byte_words.h"
#include "recio/numbers/decimal_scaling.h"
#include "recio/numbers/digit_generator.h"
#include "recio/numbers/float_bits.h"
#include "recio/numbers/integer_text.h"

namespace recio {
namespace {

bool isNotFinite(const DecimalDigits& d) noexcept { return d.digits[0] == 'N' || d.digits[0] == 'I'; }

// The digits a double has, and the places DecimalDigits holds (D[1]..D[20]).
constexpr std::int32_t kSignificantDigits = 16;
constexpr std::int32_t kStringDigits = 20;
// A free-form double shows 15 digits after its first place: a value of up to
// 15 integer digits as digits and a point, any other in the exponent form.
constexpr std::int32_t kFreeFormPlaces = 15;
// The least magnitude that the free-form writer rounds to 16 integer digits.
constexpr double kFreeFormLimit = 999999999999999.5;

// D[position] with 1-based positions; positions past D[20] read as '0'.
char digitAt(const DecimalDigits& d, std::int32_t position) noexcept {
  if (position < 1 || position > kStringDigits) return '0';
  return d.digits[position - 1];
}

// Appends to a field of fixed width and never writes past it, so a caller's
// inconsistent widths cannot overrun the output.
struct FieldWriter {
  char* out;
  std::int32_t width;
  std::int32_t used = 0;

  void put(char c) noexcept {
    if (used < width) out[used] = c;
    ++used;
  }
  void repeat(char c, std::int32_t count) noexcept {
    for (std::int32_t i = 0; i < count; ++i) put(c);
  }
};

std::size_t exponentFormText(double value, char* out) noexcept {
  const DecimalDigits d = toDecimalDigits(value, kSignificantDigits, DigitMode::Significant);
  std::size_t len = 0;
  out[len++] = ' ';
  out[len++] = signBitSet(value) ? '-' : ' ';
  out[len++] = d.digits[0];
  out[len++] = '.';
  for (std::int32_t i = 1; i < kSignificantDigits; ++i) out[len++] = d.digits[i];
  out[len++] = 'E';
  const std::int32_t x = d.exponent - 1;
  out[len++] = x >= 0 ? '+' : '-';
  const auto magnitude = static_cast<std::uint64_t>(x >= 0 ? x : -x);  // |x| <= 308
  return len + unsignedToText(magnitude, out + len, 3);
}

}  // namespace

std::size_t freeFormDoubleText(double value, char* out) noexcept {
  value = foldNegativeZero(value);

  const DecimalDigits first = toDecimalDigits(value, kSignificantDigits, DigitMode::Fraction);
  if (isNotFinite(first)) {
    out[0] = ' ';
    out[1] = signBitSet(value) ? '-' : ' ';
    for (std::size_t i = 0; i < 3; ++i) out[2 + i] = first.digits[i];
    return 5;
  }
  const std::int32_t k1 = first.exponent;
  if (k1 < 0 || k1 > kFreeFormPlaces) return exponentFormText(value, out);

  const DecimalDigits second = toDecimalDigits(value, kFreeFormPlaces - k1, DigitMode::Fraction);
  // Rounding to 15 digits can carry a value just below 10^15 up to 16
  // integer digits (p would be negative). The whole band from
  // 999999999999999.5 up takes the exponent form, so the choice does not
  // hinge on the last bit of the scaled value.
  const double magnitude = std::bit_cast<double>(std::bit_cast<std::uint64_t>(value) & ~kSignBit);
  if (second.exponent > kFreeFormPlaces || magnitude >= kFreeFormLimit) return exponentFormText(value, out);
  const std::int32_t p = kFreeFormPlaces - second.exponent;

  const DecimalDigits d = toDecimalDigits(value, p, DigitMode::Fraction);
  const std::int32_t k = d.exponent;
  std::size_t len = 0;
  out[len++] = ' ';
  out[len++] = signBitSet(value) ? '-' : ' ';
  if (k >= 1) {
    for (std::int32_t i = 1; i <= k; ++i) out[len++] = digitAt(d, i);
  } else {
    out[len++] = '0';
  }
  out[len++] = '.';
  const std::int32_t start = k >= 1 ? k + 1 : 1;
  for (std::int32_t i = 0; i < p; ++i) out[len++] = digitAt(d, start + i);
  return len;
}

std::size_t freeFormIntegerText(std::int32_t value, char* out) noexcept {
  // The sign area: two blanks, or a blank and the minus sign of the text.
  out[0] = ' ';
  if (value >= 0) {
    out[1] = ' ';
    return 2 + integerToText(value, out + 2);
  }
  return 1 + integerToText(value, out + 1);
}

namespace {

// "NaN" or "INF" right-aligned, a minus sign before it when the sign bit is
// set; false when the field is narrower than that.
bool placeNotFinite(FieldWriter& field, const DecimalDigits& digits, bool sign) noexcept {
  const std::int32_t m = sign ? field.width - 1 : field.width;
  if (m < 3) return false;
  field.repeat(' ', m - 3);
  if (sign) field.put('-');
  for (std::int32_t i = 0; i < 3; ++i) field.put(digits.digits[i]);
  return true;
}

// A value that rounds to 1 or more, with `blanks` (>= 0) before it: only 16
// significant digits exist, the rest of a longer integer part is zeros.
void placeOneOrMore(FieldWriter& field, const DecimalDigits& digits, std::int32_t blanks, bool sign,
                    std::int32_t d) noexcept {
  const std::int32_t k = digits.exponent;
  field.repeat(' ', blanks);
  if (sign) field.put('-');
  if (k <= kSignificantDigits) {
    for (std::int32_t i = 1; i <= k; ++i) field.put(digitAt(digits, i));
    field.put('.');
    for (std::int32_t i = 1; i <= d; ++i) field.put(digitAt(digits, k + i));
  } else {
    for (std::int32_t i = 1; i <= kSignificantDigits; ++i) field.put(digitAt(digits, i));
    field.repeat('0', k - kSignificantDigits);
    field.put('.');
    field.repeat('0', d);
  }
}

// A value that rounds to zero at d fraction digits: no sign, and a leading
// zero only where the field has room for it.
void placeRoundedToZero(FieldWriter& field, std::int32_t room, bool sign, std::int32_t d) noexcept {
  const std::int32_t w = field.width;
  if (d <= 0) {
    if (w > 2) field.repeat(' ', w - 2);
    if (w >= 2) field.put('0');
    field.put('.');
    return;
  }
  if (room > 0) {
    field.repeat(' ', w - d - 2);
    field.put('0');
  } else if (sign) {
    field.repeat(' ', w - d - 1);
  }
  field.put('.');
  field.repeat('0', d);
}

// A value below 1 that does not round to zero; false when even the point,
// the fraction digits and any sign do not fit. The leading zero is dropped
// when the field has no room for it.
bool placeBelowOne(FieldWriter& field, const DecimalDigits& digits, std::int32_t room, bool sign,
                   std::int32_t d) noexcept {
  if (room < 0) return false;
  const std::int32_t k = digits.exponent;
  if (room > 0) {
    field.repeat(' ', room - 1);
    if (sign) field.put('-');
    field.put('0');
  } else if (sign) {
    field.put('-');
  }
  field.put('.');
  field.repeat('0', -k);
  for (std::int32_t i = 1; i <= d + k; ++i) field.put(digitAt(digits, i));
  return true;
}

// The common field of a value of 1 or more, exactly `width` characters:
// written at once.
bool placeCommonField(char* out, const DecimalDigits& digits, std::int32_t blanks, bool sign, std::int32_t d) noexcept {
  const std::int32_t k = digits.exponent;
  if (k > kSignificantDigits || d < 0 || k + d > kStringDigits) return false;
  char* next = out;
  for (std::int32_t i = 0; i < blanks; ++i) *next++ = ' ';
  if (sign) *next++ = '-';
  std::memcpy(next, digits.digits, static_cast<std::size_t>(k));
  next += k;
  *next++ = '.';
  std::memcpy(next, digits.digits + k, static_cast<std::size_t>(d));
  return true;
}

}  // namespace

void renderFixed(double value, std::int32_t width, std::int32_t signedWidth, std::int32_t fractionDigits,
                 char* out) noexcept {
  FieldWriter field{out, width};
  const std::int32_t d = fractionDigits;
  const bool sign = signBitSet(value);
  // Only digits before the rounding place are read.
  const DecimalDigits digits = toRoundedDigits(value, d, DigitMode::Fraction);
  const std::int32_t k = digits.exponent;
  // Places left for integer digits and blanks once the point, the fraction
  // digits and any minus sign are counted.
  const std::int32_t room = signedWidth - d - 1;
  bool fits = true;
  if (isNotFinite(digits)) {
    fits = placeNotFinite(field, digits, sign);
  } else if (k >= 1) {
    const std::int32_t blanks = room - k;
    fits = blanks >= 0;
    if (fits && signedWidth == (sign ? width - 1 : width) && placeCommonField(out, digits, blanks, sign, d)) return;
    if (fits) placeOneOrMore(field, digits, blanks, sign, d);
  } else if (d <= 0 || k + d <= 0) {
    placeRoundedToZero(field, room, sign, d);
  } else {
    fits = placeBelowOne(field, digits, room, sign, d);
  }
  if (!fits) {
    field.used = 0;
    field.repeat('*', width);
  }
  // Only reachable with widths that contradict each other: keep the field
  // exactly `width` characters.
  while (field.used < width) field.put(' ');
}

namespace {

// The widest field the common case takes: the field, its digits and its
// point fit one text word.
constexpr std::int32_t kMostCommonWidth = 8;
static_assert(kMostCommonWidth <= kMostFractionDigits);

// The last `width` (2 to 8) bytes of a text word, in fixed-size copies
// that may overlap.
void placeLastBytes(char* out, std::int32_t width, std::uint64_t word) noexcept {
  const auto w = static_cast<std::size_t>(width);
  if constexpr (std::endian::native == std::endian::little) {
    if (w == 8) {
      std::memcpy(out, &word, 8);
    } else if (w >= 4) {
      const auto first = static_cast<std::uint32_t>(word >> (8 * (8 - w)));
      const auto last = static_cast<std::uint32_t>(word >> 32U);
      std::memcpy(out, &first, 4);
      std::memcpy(out + w - 4, &last, 4);
    } else {
      const auto first = static_cast<std::uint16_t>(word >> (8 * (8 - w)));
      const auto last = static_cast<std::uint16_t>(word >> 48U);
      std::memcpy(out, &first, 2);
      std::memcpy(out + w - 2, &last, 2);
    }
  } else {
    std::uint8_t bytes[8];
    storeTextWord(word, bytes);
    std::memcpy(out, bytes + 8 - w, w);
  }
}

// The field of `digits` (the value times 10^d, rounded, below 10^7),
// right-aligned in `width` characters: `shown` digits (at least d, the
// integer digits and any zero before the point), the point before the last
// d of them, a minus sign before them, blanks first. Built as one text word
// whose last `width` bytes are the field.
void placeDigits(char* out, std::int32_t width, std::uint64_t digits, std::int32_t d, std::int32_t shown,
                 bool sign) noexcept {
  const std::uint64_t text = eightDigitsText(digits);
  // The last d bytes stay; those before move one place forward for the point.
  const std::uint64_t fraction = (~std::uint64_t{0} << (8 * (7 - d))) << 8U;
  std::uint64_t word = ((text & ~fraction) >> 8U) | (text & fraction) | (std::uint64_t{'.'} << (8 * (7 - d)));
  // Blanks before the first byte shown; the sign takes a leading zero's place.
  const std::int32_t start = 8 - shown - 1 - (sign ? 1 : 0);
  const std::uint64_t kept = ~std::uint64_t{0} << (8 * start);
  word = (word & kept) | (' ' * kEachByte & ~kept);
  if (sign) word -= std::uint64_t{'0' - '-'} << (8 * start);
  placeLastBytes(out, width, word);
}

// The field of a finite value in a field of the program's kind (d >= 0,
// w >= d + 2, w <= kMostCommonWidth), from the value rounded to d fraction
// digits as one integer: the same text as renderFixed. False for what it
// leaves to renderFixed: NaN, infinities, negative subnormals.
bool placeCommonFixed(double value, std::int32_t width, std::int32_t d, char* out) noexcept {
  const auto bits = std::bit_cast<std::uint64_t>(value);
  const auto exponentField = (bits >> 52) & 0x7FFU;
  const bool sign = signBitSet(value);
  if (exponentField == 0x7FF || (exponentField == 0 && sign)) return false;
  const std::int32_t room = (sign ? width - 1 : width) - d - 1;
  FractionDigits rounded{0, 0, true};
  if (exponentField != 0) {
    rounded = toFractionDigits(value, d);
    if (rounded.exponent > room) {
      placeLastBytes(out, width, '*' * kEachByte);
      return true;
    }
    if (!rounded.rounded) return false;
  }
  // Digits shown: the integer digits, or the zero before the point unless
  // the sign left no room for it, and the fraction digits.
  const std::int32_t integerDigits = rounded.exponent >= 1 ? rounded.exponent : (room == 0 ? 0 : 1);
  if (rounded.digits == 0) {
    // Rounds to zero: no sign; where the sign left no room for the zero, a
    // blank stands in its place.
    placeDigits(out, width, 0, d, (room == 0 && sign && d > 0 ? 0 : 1) + d, false);
  } else {
    placeDigits(out, width, rounded.digits, d, integerDigits + d, sign);
  }
  return true;
}

}  // namespace

void fixedFieldText(double value, std::int32_t width, std::int32_t fractionDigits, char* out) noexcept {
  value = foldNegativeZero(value);
  if (width >= 2 && width <= kMostCommonWidth && fractionDigits >= 0 && fractionDigits <= width - 2 &&
      placeCommonFixed(value, width, fractionDigits, out)) {
    return;
  }
  const std::int32_t signedWidth = signBitSet(value) ? width - 1 : width;
  renderFixed(value, width, signedWidth, fractionDigits, out);
}

}  // namespace recio
