// The texts of printed numbers: free-form doubles and integers, and a double
// in a fixed F w.d field. Pure functions; the writers place the text.
#pragma once

#include <cstddef>
#include <cstdint>

namespace recio {

// Longest free-form number text: sign area (2) + 16 digits + point + "E+308".
inline constexpr std::size_t kFreeFormNumberMax = 32;

// Free-form double with its sign area ("  1.00000000000000", " -INF", ...).
// A negative zero is written as zero. Returns the length placed in `out`.
[[nodiscard]] std::size_t freeFormDoubleText(double value, char* out) noexcept;

// Free-form 32-bit integer with its sign area ("  85", " -7").
[[nodiscard]] std::size_t freeFormIntegerText(std::int32_t value, char* out) noexcept;

// Exactly `width` characters of an F width.fractionDigits field, right-aligned,
// into `out`. signedWidth is width - 1 when the sign bit of value is set, else
// width. The caller has already made a negative zero positive.
void renderFixed(double value, std::int32_t width, std::int32_t signedWidth, std::int32_t fractionDigits,
                 char* out) noexcept;

// Exactly `width` characters of an F width.fractionDigits field as a
// fixed-field write places them: a negative zero is written as zero.
void fixedFieldText(double value, std::int32_t width, std::int32_t fractionDigits, char* out) noexcept;

}  // namespace recio
