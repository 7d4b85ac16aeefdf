// The compiled formats of "table.dat": one per projection, and the empty
// format that ends a block with an empty line.
#pragma once

#include <cstdint>

namespace analysis {

// F6.1, 1X, F6.4, 1X, F8.1: T, YORP strength, chi-square (22 characters).
inline constexpr std::uint8_t kTYorpFormat[] = {5, 0, 1, 6, 1, 16, 0, 1, 5, 0, 1, 6, 4, 16, 0, 1, 5, 0, 1, 8, 1, 0};
// F6.1, 1X, F5.1, 1X, F8.1: T, f_KE, chi-square (21 characters).
inline constexpr std::uint8_t kTFkeFormat[] = {5, 0, 1, 6, 1, 16, 0, 1, 5, 0, 1, 5, 1, 16, 0, 1, 5, 0, 1, 8, 1, 0};
// F6.4, 1X, F5.1, 1X, F8.1: YORP strength, f_KE, chi-square (21 characters).
inline constexpr std::uint8_t kFkeYorpFormat[] = {5, 0, 1, 6, 4, 16, 0, 1, 5, 0, 1, 5, 1, 16, 0, 1, 5, 0, 1, 8, 1, 0};
inline constexpr std::uint8_t kEmptyFormat[] = {0};

}  // namespace analysis
