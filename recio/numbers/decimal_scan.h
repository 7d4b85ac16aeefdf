// Scanning the number texts of free-form input: the character check, 32-bit
// integers, and decimal reals into a ScannedDecimal, which
// decimal_to_double.h turns into a double. Nothing here knows about records or
// connections: a scan sees characters only.
#pragma once

#include <cstddef>
#include <cstdint>

#include <algorithm>
#include <bit>

#include "recio/numbers/byte_table.h"
#include "recio/numbers/byte_words.h"

namespace recio {

enum class NumberKind : std::uint8_t { Integer, Real };

// True when every character is allowed for the kind: an optional sign, then
// digits for an integer; digits, '.', signs and E, e, D, d for a real, or
// anything at all after a leading I, i, N or n.
[[nodiscard]] bool checkNumberText(const char* text, std::size_t length, NumberKind kind) noexcept;

// Any exponent beyond this magnitude already gives infinity or zero. Keeping
// the exponent and the dropped-digit count within it means their sum can
// never overflow, however long the text.
inline constexpr std::int64_t kExponentCap = 1'000'000'000'000'000'000;

// Decimal digits with a sign, accumulated with 32-bit wrap-around.
[[nodiscard]] std::int32_t convertInteger(const char* text, std::size_t length) noexcept;

// What a scan of a real's text found: the kept digits as a 64-bit mantissa
// (each through the room test: m * 10 + d <= 2^64 - 1, a digit
// without room dropped and counted) and the decimal exponent of the last
// kept digit plus the written exponent, saturated; and how many characters
// fit the pattern.
struct ScannedDecimal {
  enum class Kind : std::uint8_t { Finite, Infinity, NotANumber };
  Kind kind = Kind::Finite;
  bool negative = false;
  std::uint64_t mantissa = 0;
  std::int64_t exponent = 0;
  std::size_t length = 0;      // characters read: the rest does not fit the pattern
  std::uint32_t digitsAt = 0;  // where the mantissa begins, after any sign
};

// Up to this many digits (leading zeros left out) fit the mantissa whatever
// they are: 10^19 - 1 < 2^64 - 1, so none needs the room test.
inline constexpr std::size_t kDigitsWithRoom = 19;

constexpr bool isExponentLetter(char c) noexcept { return c == 'E' || c == 'e' || c == 'D' || c == 'd'; }
constexpr bool isSign(char c) noexcept { return c == '+' || c == '-'; }
constexpr bool isInfinityLetter(char c) noexcept { return c == 'I' || c == 'i'; }
constexpr bool isNotANumberLetter(char c) noexcept { return c == 'N' || c == 'n'; }

namespace detail {

inline constexpr std::uint64_t kTensUpTo19[20] = {1,
                                                  10,
                                                  100,
                                                  1000,
                                                  10000,
                                                  100000,
                                                  1000000,
                                                  10000000,
                                                  100000000,
                                                  1000000000,
                                                  10000000000,
                                                  100000000000,
                                                  1000000000000,
                                                  10000000000000,
                                                  100000000000000,
                                                  1000000000000000,
                                                  10000000000000000,
                                                  100000000000000000,
                                                  1000000000000000000,
                                                  10000000000000000000U};

// The digits from p on, eight at a time while eight bytes may be read
// (below `end`), into m: m * 10^n + their value, n their count. Gives where
// they end; counts them in `count`, but takes at most 20 into m (the caller
// refuses more, so m's wrap there is harmless).
[[gnu::always_inline]] inline const char* takeDigits(const char* p, const char* end, std::uint64_t& m,
                                                     std::size_t& count) noexcept {
  const char* const first = p;
  while (end - p >= 8) {
    const std::uint64_t word = loadTextWord(p) - 0x30 * kEachByte;
    // Bit 7 of each byte that is no digit (none: a count of 64 bits, eight
    // digits). The subtraction's borrows run upwards from bytes below '0',
    // past the digits before them.
    const std::uint64_t others = nonDigitBytes(word + 0x30 * kEachByte);
    const auto n = static_cast<unsigned>(std::countr_zero(others) / 8);
    if (n == 8) {
      m = m * 100000000U + eightDigitsValue(word);
      p += 8;
      continue;
    }
    if (n != 0) m = m * kTensUpTo19[n] + eightDigitsValue(word << (8 * (8 - n)));
    count = static_cast<std::size_t>(p + n - first);
    return p + n;
  }
  for (; p < end && isDigit(*p); ++p) m = m * 10U + static_cast<std::uint64_t>(digitValue(*p));
  count = static_cast<std::size_t>(p - first);
  return p;
}

// Where the run of '0' that ends [first, end) begins; eight at a time.
inline const char* trailingZerosStart(const char* first, const char* end) noexcept {
  while (end - first >= 8) {
    const std::uint64_t others = loadTextWord(end - 8) ^ (0x30 * kEachByte);
    if (others != 0) return end - std::countl_zero(others) / 8;
    end -= 8;
  }
  while (end > first && end[-1] == '0') --end;
  return end;
}

// The general steps for a mantissa of more digits than kDigitsWithRoom: each
// digit through the room test, held-back fraction zeros. From `digits` (after
// the sign); sets m and k, gives where the digits end.
std::size_t scanMantissaByDigit(const char* text, std::size_t length, std::size_t i, std::uint64_t& m,
                                std::int64_t& k) noexcept;

// The exponent from text[i] on (an optional letter, an optional sign,
// digits), saturated; sets x, gives where it ends.
std::size_t scanExponent(const char* text, std::size_t length, std::size_t i, std::int64_t& x) noexcept;

// The first `count` (1 to 8) digits at p as a number: the word's bytes
// past them are shifted out, and the borrows of bytes below '0' there run
// upwards, out with them.
inline std::uint64_t leadingDigitsValue(const char* p, unsigned count) noexcept {
  return eightDigitsValue((loadTextWord(p) - 0x30 * kEachByte) << (8 * (8 - count)));
}

}  // namespace detail

// The number of the `count` <= kDigitsWithRoom digits at p, eight at a
// time. Reads up to 24 bytes from p, whatever follows the digits.
inline std::uint64_t digitsValue(const char* p, unsigned count) noexcept {
  if (count <= 8) return count == 0 ? 0 : detail::leadingDigitsValue(p, count);
  const std::uint64_t first = eightDigitsValue(loadTextWord(p) - 0x30 * kEachByte);
  if (count <= 16) return first * detail::kTensUpTo19[count - 8] + detail::leadingDigitsValue(p + 8, count - 8);
  const std::uint64_t second = eightDigitsValue(loadTextWord(p + 8) - 0x30 * kEachByte);
  return (first * 100000000U + second) * detail::kTensUpTo19[count - 16] +
         detail::leadingDigitsValue(p + 16, count - 16);
}

// The one scan of a real's text: [sign] [digits] ['.' [digits]] [letter]
// [sign] [digits]; reading stops at the first character that does not fit
// ("1.2.3" is 1.2, length 3). A mantissa of at most kDigitsWithRoom digits,
// leading zeros left out, is read eight digits at a time; trailing fraction
// zeros are left out of it as the general steps hold them back. Longer ones
// take the general steps digit by digit.
[[gnu::always_inline]] inline ScannedDecimal scanDecimal(const char* text, std::size_t length) noexcept {
  ScannedDecimal scan;
  const char* const end = text + length;
  const char* p = text;
  if (p < end && isSign(*p)) scan.negative = *p++ == '-';
  scan.digitsAt = static_cast<std::uint32_t>(p - text);
  if (p < end && (isInfinityLetter(*p) || isNotANumberLetter(*p))) {
    scan.kind = isInfinityLetter(*p) ? ScannedDecimal::Kind::Infinity : ScannedDecimal::Kind::NotANumber;
    scan.length = length;
    return scan;
  }
  const char* const digits = p;
  while (p < end && *p == '0') ++p;  // leading zeros change nothing
  std::uint64_t m = 0;
  std::size_t whole = 0;
  p = detail::takeDigits(p, end, m, whole);
  std::int64_t k = 0;
  bool byDigit = whole > kDigitsWithRoom;
  if (p < end && *p == '.') {
    const char* const fractionStart = ++p;
    // While m is 0, fraction zeros only lower the exponent.
    if (m == 0) {
      while (p < end && *p == '0') ++p;
    }
    const char* const significant = p;
    std::size_t taken = 0;
    p = detail::takeDigits(p, end, m, taken);
    byDigit = byDigit || whole + taken > kDigitsWithRoom;
    if (!byDigit) {
      // Trailing zeros are held back and dropped: out of m again.
      const char* const last = detail::trailingZerosStart(significant, p);
      const auto kept = static_cast<std::size_t>(last - significant);
      if (kept != taken) m /= detail::kTensUpTo19[taken - kept];
      if (kept != 0) k = -static_cast<std::int64_t>(last - fractionStart);
    }
  }
  auto i = static_cast<std::size_t>(p - text);
  if (byDigit) {
    m = 0;
    k = 0;
    i = detail::scanMantissaByDigit(text, length, static_cast<std::size_t>(digits - text), m, k);
  }
  std::int64_t x = 0;
  if (i < length && (isExponentLetter(text[i]) || isSign(text[i]))) i = detail::scanExponent(text, length, i, x);
  scan.mantissa = m;
  scan.exponent = std::clamp<std::int64_t>(k + x, -kExponentCap, kExponentCap);
  scan.length = i;
  return scan;
}
}  // namespace recio
