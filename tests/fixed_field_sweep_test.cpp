// F w.d fields: the common case (the value rounded as one integer) against the general steps (renderFixed on the digit
// string), byte for byte, over the values where they could part: every digit count, each side of every rounding
// boundary, carries, zeros, subnormals, NaN, infinities, asterisks. With CHI2MAP_SWEEP_SCALE (label long) the sweeps
// run that much longer.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>

#include "recio/numbers/float_bits.h"
#include "recio/numbers/printed_numbers.h"

#ifndef CHI2MAP_SWEEP_SCALE
#define CHI2MAP_SWEEP_SCALE 1
#endif

namespace {

constexpr int kScale = CHI2MAP_SWEEP_SCALE;
constexpr std::int32_t kWidest = 12;  // a little past the common case's widest field

// Both paths, guard bytes around each field; the first difference fails.
struct Comparison {
  long compared = 0;

  void field(double value, std::int32_t w, std::int32_t d) {
    std::string fast(static_cast<std::size_t>(w) + 2, '#');
    std::string general = fast;
    recio::fixedFieldText(value, w, d, fast.data() + 1);
    const double folded = recio::foldNegativeZero(value);
    recio::renderFixed(folded, w, recio::signBitSet(folded) ? w - 1 : w, d, general.data() + 1);
    ++compared;
    ASSERT_EQ(fast, general) << "F" << w << "." << d << " of " << value << " bits " << std::hex << std::bit_cast<std::uint64_t>(value);
  }
  // Every field from F1.0 to the widest, both signs.
  void everyField(double value) {
    for (std::int32_t w = 1; w <= kWidest; ++w) {
      for (std::int32_t d = 0; d < w; ++d) {
        field(value, w, d);
        field(-value, w, d);
        if (::testing::Test::HasFatalFailure()) return;
      }
    }
  }
  // The value and the doubles on each side of it.
  void around(double value) {
    everyField(std::nextafter(value, 0.0));
    everyField(value);
    everyField(std::nextafter(value, std::numeric_limits<double>::infinity()));
  }
};

TEST(FixedFieldSweep, SpecialValues) {
  Comparison compare;
  const double inf = std::numeric_limits<double>::infinity(), nan = std::numeric_limits<double>::quiet_NaN();
  for (const double v : {0.0, -0.0, 5.0e-324, 2.2250738585072009e-308, 2.2250738585072014e-308, inf, nan, 1.0e10, std::numeric_limits<double>::max(), std::ldexp(1.0, -877), std::ldexp(1.0, -681),
                         1.0e-264, 1.0e-205}) {
    compare.around(v);
  }
  EXPECT_GT(compare.compared, 6000);
}

// Half-way points between two texts at each place, and the texts themselves, with their neighbours: n + 1/2 units of
// 10^-d for n of every digit count, runs of nines (9.95 -> 10.0) among them.
TEST(FixedFieldSweep, RoundingBoundaries) {
  Comparison compare;
  std::mt19937_64 random(24);
  for (int round = 0; round < 40 * kScale; ++round) {
    for (std::int32_t digits = 1; digits <= 11; ++digits) {
      const auto top = static_cast<std::uint64_t>(std::pow(10.0, digits));
      const std::uint64_t n = round % 3 == 0 ? top - 1 : random() % top;  // nines carry
      const std::int32_t d = static_cast<std::int32_t>(random() % 9);
      const double unit = std::pow(10.0, -d);
      compare.around((static_cast<double>(n) + 0.5) * unit);
      compare.around(static_cast<double>(n) * unit);
      if (::testing::Test::HasFatalFailure()) return;
    }
  }
  EXPECT_GT(compare.compared, 100000);
}

// Any bit pattern, and values of every magnitude a table holds.
TEST(FixedFieldSweep, RandomValues) {
  Comparison compare;
  std::mt19937_64 random(2024);
  for (int i = 0; i < 8000 * kScale; ++i) {
    compare.everyField(std::bit_cast<double>(random()));
    const double scale = std::pow(10.0, static_cast<double>(random() % 24) - 12.0);
    compare.everyField(std::ldexp(static_cast<double>(random() >> 11U), -53) * scale);
    if (::testing::Test::HasFatalFailure()) return;
  }
  EXPECT_GT(compare.compared, 2000000);
}

}  // namespace
