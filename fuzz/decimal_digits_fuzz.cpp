// Any 64-bit pattern through the digit generator and both number texts: fixed lengths, only the characters each text
// may hold, no writes outside the field, an F w.d field's common case as the general steps write it. For a normal value
// the unrounded digits must be the exact expansion of a double in [1, 10) near the value's scaled magnitude.
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "recio/numbers/digit_generator.h"
#include "recio/numbers/float_bits.h"
#include "recio/numbers/printed_numbers.h"

namespace {

void check(bool ok) {
  if (!ok) std::abort();
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool isNonFiniteWord(const char* p) { return std::memcmp(p, "NaN", 3) == 0 || std::memcmp(p, "INF", 3) == 0; }

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

// The decimal digits of sig * 5^(52 - ex), the exact expansion of the
// double x = sig * 2^(ex - 52) in [1, 10), padded with zeros to 17 digits.
std::string exactDigits(double x) {
  const std::uint64_t b = std::bit_cast<std::uint64_t>(x);
  const auto ex = static_cast<std::int32_t>((b >> 52) & 0x7FF) - 1023;
  std::vector<std::uint32_t> limbs;  // base 10^9, least significant first
  for (std::uint64_t sig = (b & ((std::uint64_t{1} << 52) - 1)) | (std::uint64_t{1} << 52); sig != 0; sig /= 1000000000U) limbs.push_back(static_cast<std::uint32_t>(sig % 1000000000U));
  for (std::int32_t i = 0; i < 52 - ex; ++i) {
    std::uint64_t carry = 0;
    for (std::uint32_t& limb : limbs) {
      const std::uint64_t product = std::uint64_t{limb} * 5U + carry;
      limb = static_cast<std::uint32_t>(product % 1000000000U);
      carry = product / 1000000000U;
    }
    if (carry != 0) limbs.push_back(static_cast<std::uint32_t>(carry));
  }
  std::string text = std::to_string(limbs.back());
  for (std::size_t i = limbs.size() - 1; i-- > 0;) {
    const std::string limb = std::to_string(limbs[i]);
    text += std::string(9 - limb.size(), '0') + limb;
  }
  return text.size() < 17 ? text + std::string(17 - text.size(), '0') : text;
}

void checkNormal(double value) {
  const std::uint64_t field = (std::bit_cast<std::uint64_t>(value) >> 52) & 0x7FF;
  if (field == 0 || field == 0x7FF) return;
  const recio::DecimalDigits d = recio::toDecimalDigits(value, -1000, recio::DigitMode::Fraction);
  // The scaled x is one of the doubles next to the 17 digits' value; its expansion must begin with them.
  const std::string digits(d.digits, 17);
  const double near = std::strtod((digits.substr(0, 1) + "." + digits.substr(1)).c_str(), nullptr);
  double x = 0.0;
  for (const double candidate : {std::nextafter(near, 0.0), near, std::nextafter(near, 10.0)}) {
    if (candidate >= 1.0 && candidate < 10.0 && exactDigits(candidate).compare(0, 17, digits) == 0) x = candidate;
  }
  check(x != 0.0);
  // x is |value| / 10^(k - 1), but for the rounding of the squared powers of ten.
  const std::int32_t m = 1 - d.exponent;
  const double scaled = std::fabs(value) * std::pow(10.0, m / 2) * std::pow(10.0, m - m / 2);
  check(std::fabs(x / scaled - 1.0) < 1e-13);
}

// At most kFreeFormNumberMax characters of a sign area and digits, point,
// exponent or word; nothing written beyond them.
void checkFreeForm(double value) {
  char buf[recio::kFreeFormNumberMax + 2];
  std::memset(buf, '#', sizeof buf);
  const std::size_t n = recio::freeFormDoubleText(value, buf);
  check(n <= recio::kFreeFormNumberMax && buf[n] == '#' && buf[0] == ' ' && (buf[1] == ' ' || buf[1] == '-'));
  check(n == 5 ? isNonFiniteWord(buf + 2) : std::strspn(buf + 2, "0123456789.E+-") == n - 2);
}

// Only the characters a field may hold, nothing outside it; overflow is all
// or nothing; the common case gives the general steps' text.
void checkFixed(double value, std::int32_t width, std::int32_t fractionDigits) {
  char buf[40];
  std::memset(buf, '#', sizeof buf);
  recio::fixedFieldText(value, width, fractionDigits, buf + 4);
  check(std::memcmp(buf, "####", 4) == 0 && buf[4 + width] == '#');
  char general[40];
  std::memset(general, '#', sizeof general);
  const double folded = recio::foldNegativeZero(value);
  recio::renderFixed(folded, width, recio::signBitSet(folded) ? width - 1 : width, fractionDigits, general + 4);
  check(std::memcmp(buf, general, sizeof buf) == 0);
  for (std::int32_t i = 0; i < width; ++i) check(std::strchr(" 0123456789.-*NaIF", buf[4 + i]) != nullptr && (buf[4] != '*' || buf[4 + i] == '*'));
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
  checkNormal(value);
  checkFreeForm(value);
  checkFixed(value, width, fractionDigits);
  return 0;
}
