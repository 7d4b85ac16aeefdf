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

// The layer's decimal-to-double conversion: scanDecimal, then decimalToDouble.
[[nodiscard]] double convertReal(const char* text, std::size_t length) noexcept;

}  // namespace recio
