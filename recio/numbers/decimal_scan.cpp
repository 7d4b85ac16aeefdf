// The character check and the scans of number texts.
#include "recio/numbers/decimal_scan.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "recio/numbers/byte_table.h"

namespace recio {
namespace {

constexpr std::uint64_t kMantissaMax = std::numeric_limits<std::uint64_t>::max();

constexpr bool isRealCharacter(char c) noexcept { return isDigit(c) || isSign(c) || c == '.' || isExponentLetter(c); }

constexpr ByteTable kRealCharacters =
    makeByteTable([](unsigned char c) -> std::uint8_t { return isRealCharacter(static_cast<char>(c)) ? 1 : 0; });

// m * 10 + d still fits the mantissa. Made for each digit on its own, so a
// small digit after a dropped large one may still be kept.
constexpr bool hasRoom(std::uint64_t m, std::uint32_t d) noexcept { return m <= (kMantissaMax - d) / 10U; }

}  // namespace

bool checkNumberText(const char* text, std::size_t length, NumberKind kind) noexcept {
  std::size_t i = (length > 0 && isSign(text[0])) ? 1 : 0;
  switch (kind) {
    case NumberKind::Integer:
      for (; i < length; ++i)
        if (!isDigit(text[i])) return false;
      return true;
    case NumberKind::Real: {
      // "Inf..." and "NaN..." are taken whatever follows the letter.
      if (i < length && (isInfinityLetter(text[i]) || isNotANumberLetter(text[i]))) return true;
      // One table lookup a character, and no early exit, so the loop is a
      // plain reduction.
      bool allowed = true;
      for (; i < length; ++i) allowed &= lookUp(kRealCharacters, text[i]) != 0;
      return allowed;
    }
  }
  return false;
}

std::int32_t convertInteger(const char* text, std::size_t length) noexcept {
  std::size_t i = 0;
  bool negative = false;
  if (length > 0 && isSign(text[0])) {
    negative = text[0] == '-';
    i = 1;
  }
  // Unsigned arithmetic gives the wrap-around modulo 2^32 without overflow.
  // The check has refused any other character; stopping at one keeps a text
  // that skipped the check harmless.
  std::uint32_t v = 0;
  for (; i < length && isDigit(text[i]); ++i) v = v * 10U + static_cast<std::uint32_t>(digitValue(text[i]));
  if (negative) v = 0U - v;
  return static_cast<std::int32_t>(v);
}

namespace detail {

// Integer digits, then a point and fraction digits, each through the room
// test; k is the decimal exponent of the last digit kept.
std::size_t scanMantissaByDigit(const char* text, std::size_t length, std::size_t i, std::uint64_t& m,
                                std::int64_t& k) noexcept {
  for (; i < length && isDigit(text[i]); ++i) {
    const auto d = static_cast<std::uint32_t>(digitValue(text[i]));
    if (hasRoom(m, d))
      m = m * 10U + d;
    else if (k < kExponentCap)
      ++k;  // the digit is lost but its place still counts
  }
  if (i >= length || text[i] != '.') return i;
  ++i;
  // Zeros are held back until a non-zero digit needs them, so trailing
  // zeros never use up the mantissa.
  std::size_t heldZeros = 0;
  for (; i < length && isDigit(text[i]); ++i) {
    const auto d = static_cast<std::uint32_t>(digitValue(text[i]));
    if (!hasRoom(m, d)) continue;
    if (d == 0) {
      ++heldZeros;
      continue;
    }
    for (; heldZeros > 0 && hasRoom(m, 0); --heldZeros) {
      m = m * 10U;
      if (k > -kExponentCap) --k;
    }
    heldZeros = 0;
    if (hasRoom(m, d)) {
      m = m * 10U + d;
      if (k > -kExponentCap) --k;
    }
  }
  return i;
}

std::size_t scanExponent(const char* text, std::size_t length, std::size_t i, std::int64_t& x) noexcept {
  // The letter is optional: a sign alone introduces the exponent ("1.5+3").
  if (i < length && isExponentLetter(text[i])) ++i;
  bool negative = false;
  if (i < length && isSign(text[i])) {
    negative = text[i] == '-';
    ++i;
  }
  x = 0;
  for (; i < length && isDigit(text[i]); ++i) {
    const auto d = static_cast<std::int64_t>(digitValue(text[i]));
    x = (x > (kExponentCap - d) / 10) ? kExponentCap : x * 10 + d;
  }
  if (negative) x = -x;
  return i;
}

}  // namespace detail

}  // namespace recio
