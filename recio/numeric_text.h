// From the characters of one free-form value to a number.
//
// The reader hands over the value's characters (not terminated, any bytes);
// nothing here touches the record or the connection. The check decides
// whether the text may be converted for the item's kind; the conversions
// never fail.
#pragma once

#include <cstddef>
#include <cstdint>

#include "recio/io_control.h"
#include "recio/powers_of_ten.h"

namespace recio {

// True when every character is allowed for the kind (failure 10016 otherwise).
[[nodiscard]] bool checkNumericText(const char* text, std::size_t length, ItemType kind) noexcept;

// Decimal digits with a sign, accumulated with 32-bit wrap-around.
[[nodiscard]] std::int32_t convertInteger(const char* text, std::size_t length) noexcept;

// What the first pass over a real number's text found.
struct DecimalScan {
  enum class Kind : std::uint8_t { Finite, Infinity, NotANumber };
  Kind kind = Kind::Finite;
  bool negative = false;
  std::uint64_t mantissa = 0;   // the kept decimal digits
  std::int64_t exponent = 0;    // decimal exponent of the last kept digit, saturated
};

[[nodiscard]] DecimalScan scanDecimal(const char* text, std::size_t length) noexcept;
[[nodiscard]] double decimalToDouble(const DecimalScan& scan) noexcept;

// The layer's decimal-to-double conversion: the result of scanDecimal, then
// decimalToDouble, bit for bit.
[[nodiscard]] double convertReal(const char* text, std::size_t length) noexcept;

// A plain decimal: a sign, at most kPlainDecimalMax characters of digits
// and one point, whose digits make a mantissa m below 2^53, and an optional
// exponent (a letter E, e, D or d, a sign, or both, and at most
// kPlainExponentDigits digits) whose value x is at most 22 while x less the
// fraction digits is at least -22. Short enough that m needs no room test,
// and its double is one operation on exact operands (plainDecimalValue).
inline constexpr std::size_t kPlainDecimalMax = 19;
inline constexpr std::size_t kPlainExponentDigits = 4;
inline constexpr std::uint64_t kExactMantissaLimit = std::uint64_t{1} << 53;
inline constexpr std::int32_t kExactPowerMax = 22;

// m * 10^e for a plain decimal: m < 2^53 and 10^|e| (|e| <= 22) are exact
// doubles, so the one multiplication or division is the correctly rounded
// value of m * 10^e. The general steps drop the z trailing zeros of the
// fraction first and scale m / 10^z by 10^(e + z), where e + z <= x <= 22:
// exact operands again, the same exact value, the same double.
inline double plainDecimalValue(std::uint64_t m, std::int32_t e, bool negative) noexcept {
  // m < 2^53 fits the signed conversion, which needs no fix-up for the top bit.
  double v = static_cast<double>(static_cast<std::int64_t>(m));
  if (e > 0) {
    v = v * powerOfTen(e);
  } else if (e < 0) {
    v = v / powerOfTen(-e);
  }
  if (negative) v = -v;  // v is +0.0 or positive: negation only sets the sign bit
  return v;
}

// Whether the exponent x of a plain decimal with `fraction` digits after the
// point keeps both powers of ten exact (see plainDecimalValue).
inline bool plainExponent(std::int64_t x, std::int64_t fraction) noexcept {
  return x <= kExactPowerMax && x - fraction >= -kExactPowerMax;
}

// The shortcut behind convertReal for the texts data files are made of:
// plain decimals, nothing else. Gives the same double as the general steps,
// with one pass over the text; false, leaving `result` alone, for any other
// text.
[[nodiscard]] bool convertPlainDecimal(const char* text, std::size_t length, double& result) noexcept;

// The character check for a double and the conversion in one: false, with
// `result` untouched, when checkNumericText refuses the text.
[[nodiscard]] bool checkAndConvertReal(const char* text, std::size_t length, double& result) noexcept;

}  // namespace recio
