// Arbitrary bytes through both checks and the conversion: the scan's fast case finds what the general steps digit by
// digit find, and the conversion equals the C library's correctly rounded strtod (fine here, outside the program) where
// it promises to, and lies within a relative 1e-14 of it elsewhere.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>

#include "recio/numbers/decimal_scan.h"
#include "recio/numbers/decimal_to_double.h"

namespace {

void require(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "numeric_text invariant broken: %s\n", what);
  std::abort();
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }
std::uint64_t bits(double v) { return std::bit_cast<std::uint64_t>(v); }

// The real number pattern, parsed on its own: [sign] digits ['.' digits] [E|e|D|d] [sign] digits, every part optional.
struct RealPattern {
  bool negative = false;
  char special = 0;  // 'I' or 'N' when that letter follows the sign
  std::string integerDigits;
  std::string fractionDigits;
  bool negativeExponent = false;
  std::string exponentDigits;
  std::size_t end = 0;  // length of the prefix that fits the pattern
};

RealPattern parse(const char* text, std::size_t length) {
  RealPattern p;
  std::size_t i = 0;
  auto at = [&](std::size_t j) { return j < length ? text[j] : '\0'; };
  if (i < length && (at(i) == '+' || at(i) == '-')) p.negative = at(i++) == '-';
  if (i < length && (at(i) == 'I' || at(i) == 'i')) p.special = 'I';
  if (i < length && (at(i) == 'N' || at(i) == 'n')) p.special = 'N';
  if (p.special != 0) return p;
  while (i < length && isDigit(at(i))) p.integerDigits += at(i++);
  if (i < length && at(i) == '.') {
    ++i;
    while (i < length && isDigit(at(i))) p.fractionDigits += at(i++);
  }
  const char letter = at(i);
  if (i < length && (letter == 'E' || letter == 'e' || letter == 'D' || letter == 'd')) ++i;
  if (i < length && (at(i) == '+' || at(i) == '-')) p.negativeExponent = at(i++) == '-';
  while (i < length && isDigit(at(i))) p.exponentDigits += at(i++);
  p.end = i;
  return p;
}

void checkReal(const char* text, std::size_t length) {
  const double v = recio::convertReal(text, length);
  const recio::ScannedDecimal scan = recio::scanDecimal(text, length);
  if (scan.kind == recio::ScannedDecimal::Kind::Finite) {
    std::uint64_t m = 0;
    std::int64_t k = 0, x = 0;
    std::size_t i = recio::detail::scanMantissaByDigit(text, length, scan.digitsAt, m, k);
    if (i < length && (recio::isExponentLetter(text[i]) || recio::isSign(text[i]))) i = recio::detail::scanExponent(text, length, i, x);
    require(scan.mantissa == m && scan.length == i, "the fast case keeps the general steps' digits");
    require(scan.exponent == std::clamp(k + x, -recio::kExponentCap, recio::kExponentCap), "and their exponent");
  }
  const bool minus = length > 0 && text[0] == '-';
  require(std::signbit(v) == minus, "sign bit set exactly for a leading '-'");

  const RealPattern p = parse(text, length);
  if (p.special == 'I') {
    require(std::isinf(v), "I after the sign gives infinity");
    return;
  }
  if (p.special == 'N') {
    require(bits(v) == (minus ? 0xFFFF'0000'FFFF'FFFFULL : 0x7FFF'0000'FFFF'FFFFULL), "NaN pattern");
    return;
  }
  require(!std::isnan(v), "only N gives a NaN");
  require(bits(v) == bits(recio::convertReal(text, p.end)), "text after the pattern is ignored");

  // The significant digits, as the mantissa keeps them: trailing fraction
  // zeros never count, leading zeros carry no value.
  std::string digits = p.integerDigits;
  std::string fraction = p.fractionDigits;
  while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
  digits += fraction;
  const std::size_t firstNonZero = digits.find_first_not_of('0');
  if (firstNonZero == std::string::npos) {
    require(v == 0.0, "no non-zero digit gives zero");
    return;
  }
  digits.erase(0, firstNonZero);

  long long exponent = 0;  // saturated well beyond any finite result
  for (char c : p.exponentDigits) exponent = exponent > 100'000'000'000LL ? exponent : exponent * 10 + (c - '0');
  if (p.negativeExponent) exponent = -exponent;
  const long long scale = exponent - static_cast<long long>(fraction.size());

  std::string normal = p.negative ? "-" : "";
  normal += p.integerDigits.empty() ? "0" : p.integerDigits;
  normal += "." + p.fractionDigits + "e" + (p.negativeExponent ? "-" : "");
  normal += p.exponentDigits.empty() ? "0" : p.exponentDigits;
  const double nearest = std::strtod(normal.c_str(), nullptr);

  if (digits.size() <= 15 && scale >= -22 && scale <= 22) {
    require(bits(v) == bits(nearest), "correctly rounded for < 2^53 mantissa and |e| <= 22");
    return;
  }
  const double largest = std::numeric_limits<double>::max();
  if (std::isinf(nearest)) {
    require(std::fabs(v) >= largest / 16, "an overflowing value stays huge");
  } else if (std::fabs(nearest) <= largest / 16) {
    const double tolerance = 1e-14 * std::fabs(nearest) + std::numeric_limits<double>::denorm_min();
    require(std::fabs(v - nearest) <= tolerance, "within 1e-14 of the nearest double");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const char* text = reinterpret_cast<const char*>(data);
  const bool integerOk = recio::checkNumberText(text, size, recio::NumberKind::Integer);
  const bool realOk = recio::checkNumberText(text, size, recio::NumberKind::Real);
  require(!integerOk || realOk, "an integer text is also a real text");
  (void)recio::convertInteger(text, size);  // for the sanitizers; its values are the unit tests'
  checkReal(text, size);
  return 0;
}
