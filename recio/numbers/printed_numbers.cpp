// Number texts of the output statements. All digits of a double come from
// toDecimalDigits; nothing here rounds on its own.
#include "recio/numbers/printed_numbers.h"

#include <bit>
#include <cstdint>
#include <cstring>

#include "recio/numbers/digit_generator.h"
#include "recio/numbers/float_bits.h"
#include "recio/numbers/integer_text.h"

namespace recio {
namespace {

bool isNotFinite(const DecimalDigits& d) noexcept { return d.digits[0] == 'N' || d.digits[0] == 'I'; }

// D[position] with 1-based positions; positions past D[20] read as '0'.
char digitAt(const DecimalDigits& d, std::int32_t position) noexcept {
  if (position < 1 || position > 20) return '0';
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
  const DecimalDigits d = toDecimalDigits(value, 16, DigitMode::Significant);
  std::size_t len = 0;
  out[len++] = ' ';
  out[len++] = signBitSet(value) ? '-' : ' ';
  out[len++] = d.digits[0];
  out[len++] = '.';
  for (std::int32_t i = 1; i < 16; ++i) out[len++] = d.digits[i];
  out[len++] = 'E';
  const std::int32_t x = d.exponent - 1;
  out[len++] = x >= 0 ? '+' : '-';
  const auto magnitude = static_cast<std::uint64_t>(x >= 0 ? x : -x);  // |x| <= 308
  return len + unsignedToText(magnitude, out + len, 3);
}

}  // namespace

std::size_t freeFormDoubleText(double value, char* out) noexcept {
  value = foldNegativeZero(value);

  const DecimalDigits first = toDecimalDigits(value, 16, DigitMode::Fraction);
  if (isNotFinite(first)) {
    out[0] = ' ';
    out[1] = signBitSet(value) ? '-' : ' ';
    for (std::size_t i = 0; i < 3; ++i) out[2 + i] = first.digits[i];
    return 5;
  }
  const std::int32_t k1 = first.exponent;
  if (k1 < 0 || k1 > 15) return exponentFormText(value, out);

  const DecimalDigits second = toDecimalDigits(value, 15 - k1, DigitMode::Fraction);
  // Rounding to 15 digits can carry a value just below 10^15 up to 16
  // integer digits (p would be negative). The whole band from
  // 999999999999999.5 up takes the exponent form, so the choice does not
  // hinge on the last bit of the scaled value.
  const double magnitude = std::bit_cast<double>(std::bit_cast<std::uint64_t>(value) & ~kSignBit);
  if (second.exponent > 15 || magnitude >= 999999999999999.5) return exponentFormText(value, out);
  const std::int32_t p = 15 - second.exponent;

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

void renderFixed(double value, std::int32_t width, std::int32_t signedWidth, std::int32_t fractionDigits,
                 char* out) noexcept {
  FieldWriter field{out, width};
  const std::int32_t w = width;
  const std::int32_t d = fractionDigits;
  const bool sign = signBitSet(value);

  // Only digits before the rounding place are read.
  const DecimalDigits digits = toRoundedDigits(value, d, DigitMode::Fraction);
  const std::int32_t k = digits.exponent;
  bool overflow = false;

  if (isNotFinite(digits)) {
    const std::int32_t m = sign ? w - 1 : w;
    if (m < 3) {
      overflow = true;
    } else {
      field.repeat(' ', m - 3);
      if (sign) field.put('-');
      for (std::int32_t i = 0; i < 3; ++i) field.put(digits.digits[i]);
    }
  } else {
    // Places left for integer digits and blanks once the point, the
    // fraction digits and any minus sign are counted.
    const std::int32_t room = signedWidth - d - 1;
    if (k >= 1) {
      const std::int32_t blanks = room - k;
      if (blanks < 0) {
        overflow = true;
      } else if (k <= 16 && d >= 0 && k + d <= 20 && signedWidth == (sign ? w - 1 : w)) {
        // The common field, exactly `width` characters: written at once.
        char* next = out;
        for (std::int32_t i = 0; i < blanks; ++i) *next++ = ' ';
        if (sign) *next++ = '-';
        std::memcpy(next, digits.digits, static_cast<std::size_t>(k));
        next += k;
        *next++ = '.';
        std::memcpy(next, digits.digits + k, static_cast<std::size_t>(d));
        return;
      } else {
        field.repeat(' ', blanks);
        if (sign) field.put('-');
        if (k <= 16) {
          for (std::int32_t i = 1; i <= k; ++i) field.put(digitAt(digits, i));
          field.put('.');
          for (std::int32_t i = 1; i <= d; ++i) field.put(digitAt(digits, k + i));
        } else {
          // Only 16 significant digits exist; the rest of the integer is zeros.
          for (std::int32_t i = 1; i <= 16; ++i) field.put(digitAt(digits, i));
          field.repeat('0', k - 16);
          field.put('.');
          field.repeat('0', d);
        }
      }
    } else if (d <= 0) {
      // Rounds to zero with no fraction digits: no sign.
      if (w > 2) field.repeat(' ', w - 2);
      if (w >= 2) field.put('0');
      field.put('.');
    } else if (k + d <= 0) {
      // Rounds to zero at d fraction digits: the sign is dropped.
      if (room > 0) {
        field.repeat(' ', w - d - 2);
        field.put('0');
      } else if (sign) {
        field.repeat(' ', w - d - 1);
      }
      field.put('.');
      field.repeat('0', d);
    } else if (room < 0) {
      overflow = true;
    } else {
      // Below 1 but not zero once rounded.
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
    }
  }

  if (overflow) {
    field.used = 0;
    field.repeat('*', w);
  }
  // Only reachable with widths that contradict each other: keep the field
  // exactly `width` characters.
  while (field.used < w) field.put(' ');
}

void fixedFieldText(double value, std::int32_t width, std::int32_t fractionDigits, char* out) noexcept {
  value = foldNegativeZero(value);
  const std::int32_t signedWidth = signBitSet(value) ? width - 1 : width;
  renderFixed(value, width, signedWidth, fractionDigits, out);
}

}  // namespace recio
