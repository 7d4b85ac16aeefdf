// Compiled formats: descriptors as bytes, each a code byte and its operands,
// ended by a 0 byte.
//
//   5  F w.d  repeat count (2 bytes, high first), w (1 byte), d (1 byte)
//   16 nX     n (2 bytes, high first)
//   0  end of format
#pragma once

#include <cstdint>

namespace recio {

inline constexpr std::uint8_t kFormatEnd = 0;
inline constexpr std::uint8_t kFixedPointEdit = 5;
inline constexpr std::uint8_t kSkipEdit = 16;

}  // namespace recio
