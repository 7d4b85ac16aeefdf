// Any 64-bit pattern through the digit generator and both number texts:
// fixed lengths, only the characters each text may hold, no writes outside
// the field.
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "recio/numbers/digit_generator.h"
#include "recio/numbers/printed_numbers.h"

namespace {

void check(bool ok) {
  if (!ok) std::abort();
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool isNonFiniteWord(const char* p) {
  return std::memcmp(p, "NaN", 3) == 0 || std::memcmp(p, "INF", 3) == 0;
}

void checkDigits(double value, std::int32_t n, recio::DigitMode mode) {
  const recio::DecimalDigits d = recio::toDecimalDigits(value, n, mode);
  check(d.digits[20] == '\0');
  if (isNonFiniteWord(d.digits)) {
    for (int i = 3; i < 20; ++i) check(d.digits[i] == ' ');
    check(d.exponent == 0);
    return;
  }
  for (int i = 0; i < 20; ++i) check(isDigit(d.digits[i]));
  for (int i = 17; i < 20; ++i) check(d.digits[i] == '0');
  check(d.exponent >= -308 && d.exponent <= 310);
}

// The unrounded digits must be the value's digits to well within the error
// of the squared powers of ten: |value| ~ D1..D17 x 10^(k-17).
void checkAccuracy(double value) {
  const std::uint64_t field = (std::bit_cast<std::uint64_t>(value) >> 52) & 0x7FF;
  if (field == 0 || field == 0x7FF) return;
  const recio::DecimalDigits d = recio::toDecimalDigits(value, -1000, recio::DigitMode::Fraction);
  check(d.digits[0] != '0');
  double digits = 0.0;
  for (int i = 0; i < 17; ++i) digits = digits * 10.0 + static_cast<double>(d.digits[i] - '0');
  // Two factors keep every intermediate in range at both ends.
  const std::int32_t m = 17 - d.exponent;
  double scaled = std::fabs(value) * std::pow(10.0, m / 2);
  scaled = scaled * std::pow(10.0, m - m / 2);
  check(std::fabs(digits / scaled - 1.0) < 1e-13);
}

void checkFreeForm(double value) {
  char buf[recio::kFreeFormNumberMax + 2];
  std::memset(buf, '#', sizeof buf);
  const std::size_t n = recio::freeFormDoubleText(value, buf);
  check(n <= recio::kFreeFormNumberMax);
  check(buf[n] == '#');
  check(buf[0] == ' ' && (buf[1] == ' ' || buf[1] == '-'));
  if (n == 5) {
    check(isNonFiniteWord(buf + 2));
    return;
  }
  if (n == 24 && buf[19] == 'E') {
    // " d.ddddddddddddddddE+ddd": 16 significant digits, 3 exponent digits.
    check(isDigit(buf[2]) && buf[2] != '0' && buf[3] == '.');
    for (std::size_t i = 4; i < 19; ++i) check(isDigit(buf[i]));
    check(buf[20] == '+' || buf[20] == '-');
    for (std::size_t i = 21; i < 24; ++i) check(isDigit(buf[i]));
    return;
  }
  // Fixed-point form: 15 digits and one point (a leading "0" below 1).
  check(n == 18 || n == 19);
  std::size_t points = 0;
  for (std::size_t i = 2; i < n; ++i) {
    if (buf[i] == '.') {
      ++points;
    } else {
      check(isDigit(buf[i]));
    }
  }
  check(points == 1);
}

void checkFixed(double value, std::int32_t width, std::int32_t fractionDigits) {
  char buf[40];
  std::memset(buf, '#', sizeof buf);
  const bool sign = (std::bit_cast<std::uint64_t>(value) >> 63) != 0;
  recio::renderFixed(value, width, sign ? width - 1 : width, fractionDigits, buf + 4);
  for (int i = 0; i < 4; ++i) check(buf[i] == '#');
  for (std::int32_t i = 0; i < width; ++i) {
    const char c = buf[4 + i];
    check(c == ' ' || isDigit(c) || c == '.' || c == '-' || c == '*' || c == 'N' || c == 'a' || c == 'I' ||
          c == 'F');
  }
  check(buf[4 + width] == '#');
  // Overflow is all or nothing.
  if (buf[4] == '*') {
    for (std::int32_t i = 0; i < width; ++i) check(buf[4 + i] == '*');
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 8) return 0;
  std::uint64_t bits = 0;
  std::memcpy(&bits, data, 8);
  const double value = std::bit_cast<double>(bits);
  const std::int32_t width = size > 8 ? 1 + data[8] % 30 : 8;
  const std::int32_t maxFraction = width >= 2 ? width - 2 : 0;
  const std::int32_t fractionDigits = size > 9 ? data[9] % (maxFraction + 1) : (maxFraction < 1 ? 0 : 1);
  const std::int32_t n = size > 10 ? static_cast<std::int32_t>(data[10]) - 128 : 16;

  checkDigits(value, n, recio::DigitMode::Fraction);
  checkDigits(value, n, recio::DigitMode::Significant);
  checkDigits(value, fractionDigits, recio::DigitMode::Fraction);
  checkAccuracy(value);
  checkFreeForm(value);
  // The writer makes a negative zero positive before the field.
  checkFixed(bits == (std::uint64_t{1} << 63) ? 0.0 : value, width, fractionDigits);
  return 0;
}
