// Powers of ten as both conversions form them: by repeated squaring in
// doubles, each product rounded to nearest. Exact up to 10^22; above that they
// carry the rounding of the squarings (10^100 is one unit in the last place
// high), and every converted digit depends on that, so no correctly rounded
// table may replace them.
#pragma once

#include <array>
#include <cstdint>

namespace recio {

inline constexpr std::int32_t kLargestPowerOfTen = 308;

// 10^n by repeated squaring: r = 1, s = 10; for each bit of n from the lowest
// up to the highest set bit, multiply r by s where the bit is set, then square
// s unless that was the highest bit. n = 0 gives 1.
constexpr double squaringPowerOfTen(std::int32_t n) {
  double result = 1.0;
  double base = 10.0;
  auto bits = static_cast<std::uint32_t>(n);
  while (bits != 0) {
    if ((bits & 1U) != 0) result = result * base;
    bits >>= 1U;
    if (bits == 0) break;
    base = base * base;
  }
  return result;
}

namespace detail {
constexpr std::array<double, kLargestPowerOfTen + 1> makePowerTable() {
  std::array<double, kLargestPowerOfTen + 1> table{};
  for (std::int32_t n = 0; n <= kLargestPowerOfTen; ++n) table[static_cast<std::size_t>(n)] = squaringPowerOfTen(n);
  return table;
}
inline constexpr std::array<double, kLargestPowerOfTen + 1> kPowerTable = makePowerTable();
}  // namespace detail

// 10^n for 0 <= n <= 308, from the table computed once at compile time.
inline double powerOfTen(std::int32_t n) { return detail::kPowerTable[static_cast<std::size_t>(n)]; }

}  // namespace recio
