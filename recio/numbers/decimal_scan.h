// Scanning the number texts of free-form input: the character check, 32-bit
// integers, and decimal reals into a ScannedDecimal or a PlainDecimal, which
// decimal_to_double.h turns into doubles. Nothing here knows about records or
// connections: a scan sees characters only.
#pragma once

#include <cstddef>
#include <cstdint>

#include "recio/numbers/byte_table.h"

namespace recio {

enum class NumberKind : std::uint8_t { Integer, Real };

// True when every character is allowed for the kind: an optional sign, then
// digits for an integer; digits, '.', signs and E, e, D, d for a real, or
// anything at all after a leading I, i, N or n.
[[nodiscard]] bool checkNumberText(const char* text, std::size_t length, NumberKind kind) noexcept;

// Decimal digits with a sign, accumulated with 32-bit wrap-around.
[[nodiscard]] std::int32_t convertInteger(const char* text, std::size_t length) noexcept;

// What the general scan of a real's text found.
struct ScannedDecimal {
  enum class Kind : std::uint8_t { Finite, Infinity, NotANumber };
  Kind kind = Kind::Finite;
  bool negative = false;
  std::uint64_t mantissa = 0;  // the kept decimal digits
  std::int64_t exponent = 0;   // decimal exponent of the last kept digit, saturated
};

// The general scan: [sign] [digits] ['.' [digits]] [letter] [sign] [digits],
// each mantissa digit through the room test of a 64-bit mantissa; reading
// stops at the first character that does not fit ("1.2.3" is 1.2).
[[nodiscard]] ScannedDecimal scanDecimal(const char* text, std::size_t length) noexcept;

// A plain decimal: a sign, at most kPlainDecimalMax characters of digits and
// one point whose digits make a mantissa below 2^53, and an optional exponent
// (a letter E, e, D or d, a sign, or both, then at most kPlainExponentDigits
// digits) whose value x is at most 22 while x less the fraction digits is at
// least -22. No digit needs the room test, and its double is one operation on
// exact operands (plainDecimalValue), the general conversion's double.
inline constexpr std::size_t kPlainDecimalMax = 19;
inline constexpr std::size_t kPlainExponentDigits = 4;
inline constexpr std::uint64_t kExactMantissaLimit = std::uint64_t{1} << 53;
inline constexpr std::int32_t kExactPowerMax = 22;
// Up to this many characters of digits and point, the mantissa is below
// 10^15 < 2^53 without a test.
inline constexpr std::size_t kShortPlainDecimal = 15;

struct PlainDecimal {
  const char* end;         // the first character after the number
  std::uint64_t mantissa;  // all digits, point ignored
  std::int32_t exponent;   // x less the fraction digits
  bool negative;
  bool plain;  // the scanned number is a plain decimal
  // Where its digits stand: before and after the point, and whether an
  // exponent follows them.
  bool exponentGiven;
  std::size_t wholeDigits;
  std::size_t fractionDigits;
};

// Whether exponent x with `fraction` digits after the point keeps both powers
// of ten exact. In 64 bits: the fraction count may have wrapped.
constexpr bool plainExponent(std::int64_t x, std::int64_t fraction) noexcept {
  return x <= kExactPowerMax && x - fraction >= -kExactPowerMax;
}

constexpr bool isExponentLetter(char c) noexcept { return c == 'E' || c == 'e' || c == 'D' || c == 'd'; }

// The one plain-decimal scanner. Scans from `p` as long as the characters fit
// a plain decimal's pattern; the text must be followed by a character that
// cannot continue a number (the reader's records end in a line feed, value
// texts in a zero byte), so no loop needs a bound. `end` says where it
// stopped; whether the number ends there is the caller's to judge.
[[gnu::always_inline]] inline PlainDecimal scanPlainDecimal(const char* p) noexcept {
  PlainDecimal d;
  d.negative = *p == '-';
  if (d.negative || *p == '+') ++p;
  const char* const digits = p;
  // Two plain loops, each aligned on its own (see the loop alignment of the
  // release build). m wraps only for more digits than plain allows.
  std::uint64_t m = 0;
  for (;; ++p) {
    const std::uint64_t digit = digitValue(*p);
    if (digit > 9) break;
    m = m * 10U + digit;
  }
  d.wholeDigits = static_cast<std::size_t>(p - digits);
  std::size_t fractionDigits = 0;
  if (*p == '.') {
    const char* const fractionStart = ++p;
    for (;; ++p) {
      const std::uint64_t digit = digitValue(*p);
      if (digit > 9) break;
      m = m * 10U + digit;
    }
    fractionDigits = static_cast<std::size_t>(p - fractionStart);
  }
  const auto mantissaChars = static_cast<std::size_t>(p - digits);
  // Wraps for more than 2^31 fraction digits; plainExponent compares in 64
  // bits, and the length test below refuses such a number anyway.
  const auto fraction = static_cast<std::int32_t>(fractionDigits);
  std::int32_t x = 0;
  bool exponentPlain = true;
  // Blanks, line feeds and zero bytes all lie below '+': one test passes them.
  d.exponentGiven = *p >= '+' && (isExponentLetter(*p) || *p == '+' || *p == '-');
  if (d.exponentGiven) {
    // The letter is optional: a sign alone introduces the exponent ("1.5+3").
    if (isExponentLetter(*p)) ++p;
    const bool negativeExponent = *p == '-';
    if (negativeExponent || *p == '+') ++p;
    for (const char* const exponentStart = p; static_cast<std::size_t>(p - exponentStart) < kPlainExponentDigits; ++p) {
      const std::uint64_t digit = digitValue(*p);
      if (digit > 9) break;
      x = x * 10 + static_cast<std::int32_t>(digit);
    }
    if (negativeExponent) x = -x;
    exponentPlain = plainExponent(x, fraction);
  }
  d.end = p;
  d.mantissa = m;
  d.fractionDigits = fractionDigits;
  // Wraps, harmlessly, only where the number is not plain.
  d.exponent = static_cast<std::int32_t>(static_cast<std::int64_t>(x) - fraction);
  d.plain = exponentPlain &&
            (mantissaChars <= kShortPlainDecimal || (mantissaChars <= kPlainDecimalMax && m < kExactMantissaLimit));
  return d;
}

}  // namespace recio
