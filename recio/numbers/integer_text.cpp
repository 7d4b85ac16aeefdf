#include "recio/numbers/integer_text.h"

namespace recio {

std::size_t unsignedToText(std::uint64_t value, char* out, std::size_t minimumDigits) noexcept {
  char reversed[kIntegerTextMax];
  std::size_t count = 0;
  do {
    reversed[count++] = static_cast<char>('0' + value % 10U);
    value /= 10U;
  } while (value != 0);
  while (count < minimumDigits && count < kIntegerTextMax) reversed[count++] = '0';
  for (std::size_t i = 0; i < count; ++i) out[i] = reversed[count - 1 - i];
  return count;
}

std::size_t integerToText(std::int32_t value, char* out) noexcept {
  // The magnitude in unsigned arithmetic, so the most negative value needs no special case.
  const std::uint32_t magnitude =
      value < 0 ? 0U - static_cast<std::uint32_t>(value) : static_cast<std::uint32_t>(value);
  std::size_t length = 0;
  if (value < 0) out[length++] = '-';
  return length + unsignedToText(magnitude, out + length);
}

}  // namespace recio
