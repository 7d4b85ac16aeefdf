// Character check and conversions of one free-form number text.
//
// The real conversion is deliberately not correctly rounded: a 64-bit decimal
// mantissa, truncated to 53 bits, scaled by one multiplication or division
// with the squaring powers of ten. Every value read from a data file depends
// on these exact steps, so none of them may be "improved".
#include "recio/numeric_text.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <limits>

#include "recio/powers_of_ten.h"

namespace recio {
namespace {

constexpr std::uint64_t kMantissaMax = std::numeric_limits<std::uint64_t>::max();
constexpr std::uint64_t kSignBit = std::uint64_t{1} << 63U;
constexpr std::uint64_t kNotANumberBits = 0x7FFF'0000'FFFF'FFFFULL;
constexpr int kMantissaBits = 53;

// Any exponent beyond this magnitude already gives infinity or zero. Keeping
// the exponent and the dropped-digit count within it means their sum can
// never overflow, however long the text.
constexpr std::int64_t kExponentCap = 1'000'000'000'000'000'000;

constexpr bool isDigit(char c) noexcept { return c >= '0' && c <= '9'; }
constexpr std::uint32_t digitValue(char c) noexcept { return static_cast<std::uint32_t>(c - '0'); }
constexpr bool isSign(char c) noexcept { return c == '+' || c == '-'; }
constexpr bool isInfinityLetter(char c) noexcept { return c == 'I' || c == 'i'; }
constexpr bool isNotANumberLetter(char c) noexcept { return c == 'N' || c == 'n'; }
constexpr bool isExponentLetter(char c) noexcept { return c == 'E' || c == 'e' || c == 'D' || c == 'd'; }
constexpr bool isRealCharacter(char c) noexcept { return isDigit(c) || isSign(c) || c == '.' || isExponentLetter(c); }

struct RealCharacterTable {
  bool allowed[256] = {};
  constexpr RealCharacterTable() {
    for (int c = 0; c < 256; ++c) allowed[c] = isRealCharacter(static_cast<char>(c));
  }
};
constexpr RealCharacterTable kRealCharacters{};


// m * 10 + d still fits the mantissa. Made for each digit on its own, so a
// small digit after a dropped large one may still be kept.
constexpr bool hasRoom(std::uint64_t m, std::uint32_t d) noexcept { return m <= (kMantissaMax - d) / 10U; }

constexpr std::int64_t clampExponent(std::int64_t e) noexcept { return std::clamp(e, -kExponentCap, kExponentCap); }

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

bool checkNumericText(const char* text, std::size_t length, ItemType kind) noexcept {
  std::size_t i = (length > 0 && isSign(text[0])) ? 1 : 0;
  switch (kind) {
    case ItemType::Integer32:
      for (; i < length; ++i)
        if (!isDigit(text[i])) return false;
      return true;
    case ItemType::Real64: {
      // "Inf..." and "NaN..." are taken whatever follows the letter.
      if (i < length && (isInfinityLetter(text[i]) || isNotANumberLetter(text[i]))) return true;
      // One table lookup a character, and no early exit, so the loop is a
      // plain reduction.
      bool allowed = true;
      for (; i < length; ++i) allowed &= kRealCharacters.allowed[static_cast<unsigned char>(text[i])];
      return allowed;
    }
    case ItemType::Character:
      break;
  }
  // No number text is valid for a kind that is not a number.
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
  for (; i < length && isDigit(text[i]); ++i) v = v * 10U + digitValue(text[i]);
  if (negative) v = 0U - v;
  return static_cast<std::int32_t>(v);
}

DecimalScan scanDecimal(const char* text, std::size_t length) noexcept {
  DecimalScan scan;
  std::size_t i = 0;
  if (i < length && isSign(text[i])) {
    scan.negative = text[i] == '-';
    ++i;
  }
  if (i < length && isInfinityLetter(text[i])) {
    scan.kind = DecimalScan::Kind::Infinity;
    return scan;
  }
  if (i < length && isNotANumberLetter(text[i])) {
    scan.kind = DecimalScan::Kind::NotANumber;
    return scan;
  }

  std::uint64_t m = 0;
  std::int64_t k = 0;  // decimal exponent of the last kept digit, so far
  for (; i < length && isDigit(text[i]); ++i) {
    const std::uint32_t d = digitValue(text[i]);
    if (hasRoom(m, d))
      m = m * 10U + d;
    else if (k < kExponentCap)
      ++k;  // the digit is lost but its place still counts
  }

  if (i < length && text[i] == '.') {
    ++i;
    // Zeros are held back until a non-zero digit needs them, so trailing
    // zeros never use up the mantissa.
    std::size_t heldZeros = 0;
    for (; i < length && isDigit(text[i]); ++i) {
      const std::uint32_t d = digitValue(text[i]);
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
  }

  // The letter is optional: a sign alone introduces the exponent ("1.5+3").
  if (i < length && isExponentLetter(text[i])) ++i;
  bool negativeExponent = false;
  if (i < length && isSign(text[i])) {
    negativeExponent = text[i] == '-';
    ++i;
  }
  std::int64_t x = 0;
  for (; i < length && isDigit(text[i]); ++i) {
    const auto d = static_cast<std::int64_t>(digitValue(text[i]));
    x = (x > (kExponentCap - d) / 10) ? kExponentCap : x * 10 + d;
  }
  // Whatever follows here does not fit the pattern and is ignored ("1.2.3").

  scan.mantissa = m;
  scan.exponent = clampExponent(k + (negativeExponent ? -x : x));
  return scan;
}

double decimalToDouble(const DecimalScan& scan) noexcept {
  double v = 0.0;
  switch (scan.kind) {
    case DecimalScan::Kind::Infinity:
      v = std::numeric_limits<double>::infinity();
      break;
    case DecimalScan::Kind::NotANumber:
      v = std::bit_cast<double>(kNotANumberBits);
      break;
    case DecimalScan::Kind::Finite:
      v = scaleByPowerOfTen(truncatedToDouble(scan.mantissa), scan.exponent);
      break;
  }
  // Setting the bit rather than negating makes "-0" a negative zero and
  // gives the negative NaN its own pattern.
  if (scan.negative) v = std::bit_cast<double>(std::bit_cast<std::uint64_t>(v) | kSignBit);
  return v;
}

bool convertPlainDecimal(const char* text, std::size_t length, double& result) noexcept {
  std::size_t i = 0;
  bool negative = false;
  if (length > 0 && isSign(text[0])) {
    negative = text[0] == '-';
    i = 1;
  }
  const std::size_t digits = i;
  std::uint64_t m = 0;  // wraps only for more digits than the test below lets through
  for (; i < length && isDigit(text[i]); ++i) m = m * 10U + digitValue(text[i]);
  std::int32_t fraction = 0;
  if (i < length && text[i] == '.') {
    const std::size_t first = ++i;
    for (; i < length && isDigit(text[i]); ++i) m = m * 10U + digitValue(text[i]);
    fraction = static_cast<std::int32_t>(i - first);
  }
  if (i - digits > kPlainDecimalMax || m >= kExactMantissaLimit) return false;
  std::int32_t x = 0;
  if (i < length) {
    // The letter is optional: a sign alone introduces the exponent ("1.5+3").
    if (isExponentLetter(text[i])) ++i;
    bool negativeExponent = false;
    if (i < length && isSign(text[i])) {
      negativeExponent = text[i] == '-';
      ++i;
    }
    const std::size_t first = i;
    for (; i < length && isDigit(text[i]) && i - first < kPlainExponentDigits; ++i) {
      x = x * 10 + static_cast<std::int32_t>(digitValue(text[i]));
    }
    if (negativeExponent) x = -x;
    if (i < length || !plainExponent(x, fraction)) return false;
  }
  result = plainDecimalValue(m, x - fraction, negative);
  return true;
}

double convertReal(const char* text, std::size_t length) noexcept {
  double v = 0.0;
  if (convertPlainDecimal(text, length, v)) return v;
  return decimalToDouble(scanDecimal(text, length));
}

bool checkAndConvertReal(const char* text, std::size_t length, double& result) noexcept {
  // A plain decimal has passed the character check on the way.
  if (convertPlainDecimal(text, length, result)) return true;
  if (!checkNumericText(text, length, ItemType::Real64)) return false;
  result = decimalToDouble(scanDecimal(text, length));
  return true;
}

}  // namespace recio
