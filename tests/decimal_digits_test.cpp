// The digit generator: exact digit strings for chosen values, the rounding
// rule, and a randomized check of the digit extraction against an exact
// big-integer expansion of the scaled value.
#include "recio/numbers/digit_generator.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "recio/numbers/powers_of_ten.h"

namespace {

using recio::DigitMode;
using recio::toDecimalDigits;

std::uint64_t bitsOf(double v) { return std::bit_cast<std::uint64_t>(v); }
double fromBits(std::uint64_t b) { return std::bit_cast<double>(b); }

std::string digitString(const recio::DecimalDigits& d) { return std::string(d.digits, 20); }

// n far below any k: the rounding place is never reached, so the digits
// come back exactly as extracted.
constexpr std::int32_t kUnrounded = -1000;

struct DigitsCase {
  std::uint64_t bits;
  std::int32_t n;
  DigitMode mode;
  const char* digits;  // all 20 characters
  std::int32_t exponent;
};

void expectCases(const std::vector<DigitsCase>& cases) {
  for (const auto& c : cases) {
    const auto d = toDecimalDigits(fromBits(c.bits), c.n, c.mode);
    SCOPED_TRACE(testing::Message() << "value " << fromBits(c.bits) << " bits " << std::hex << c.bits << std::dec
                                    << " n " << c.n);
    EXPECT_EQ(digitString(d), c.digits);
    EXPECT_EQ(d.digits[20], '\0');
    EXPECT_EQ(d.exponent, c.exponent);
  }
}

TEST(DecimalDigits, SpecialValuesAndZero) {
  const DigitMode F = DigitMode::Fraction;
  const DigitMode S = DigitMode::Significant;
  expectCases({
      {0x7FF8000000000000, 16, F, "NaN                 ", 0},
      {0xFFF8000000000000, 16, F, "NaN                 ", 0},  // sign bit set
      {0x7FF0000000000001, 3, S, "NaN                 ", 0},   // signalling
      {0x7FF0000000000000, 16, F, "INF                 ", 0},
      {0xFFF0000000000000, 1, S, "INF                 ", 0},
      {0x0000000000000000, 16, F, "00000000000000000000", 0},
      {0x8000000000000000, 16, S, "00000000000000000000", 0},
      {0x0000000000000001, 16, F, "00000000000000000000", 0},  // smallest subnormal
      {0x000FFFFFFFFFFFFF, 300, F, "00000000000000000000", 0},  // largest subnormal
      {0x800FFFFFFFFFFFFF, 16, S, "00000000000000000000", 0},  // negative subnormal
  });
}

// The digits of the scaled value before any rounding: the exact expansion of
// x, truncated at 17 digits. These fix the scaling (one division or
// multiplication by the squared power of ten) and the extraction.
TEST(DecimalDigits, UnroundedDigitsOfTheScaledValue) {
  const DigitMode F = DigitMode::Fraction;
  expectCases({
      {bitsOf(1.0), kUnrounded, F, "10000000000000000000", 1},
      {bitsOf(12.25), kUnrounded, F, "12250000000000000000", 2},   // x = 1.225000000000000088...
      {bitsOf(150.25), kUnrounded, F, "15024999999999999000", 3},  // x = 1.502499999999999946...
      {bitsOf(0.35), kUnrounded, F, "35000000000000000000", 0},    // 0.35 * 10 is exactly 3.5
      {bitsOf(2.675), kUnrounded, F, "26749999999999998000", 1},
      {bitsOf(0.96), kUnrounded, F, "95999999999999996000", 0},
      {bitsOf(0.1), kUnrounded, F, "10000000000000000000", 0},     // 0.1 * 100 rounds to 10
      {bitsOf(-2.5), kUnrounded, F, "25000000000000000000", 1},    // sign ignored
      {bitsOf(1.0e300), kUnrounded, F, "99999999999999946000", 300},
      {0x7FEFFFFFFFFFFFFF, kUnrounded, F, "17976931348623146000", 309},  // largest double
      {0x0010000000000000, kUnrounded, F, "22250738585072027000", -307},  // smallest normal
      {bitsOf(999999999999999.5), kUnrounded, F, "99999999999999946000", 15},
  });
}

// For 2^-877 .. 1e-264 and 2^-681 .. 1e-205 the estimate is one too high and
// x falls just below 1; the generator multiplies by 10 once more, so the
// digits still start with the value's first digit.
TEST(DecimalDigits, TinyMagnitudeBands) {
  const DigitMode F = DigitMode::Fraction;
  const DigitMode S = DigitMode::Significant;
  expectCases({
      {bitsOf(std::ldexp(1.0, -877)), kUnrounded, F, "99241610332960998000", -264},
      {bitsOf(9.99e-265), kUnrounded, F, "99900000000000037000", -264},
      {bitsOf(std::ldexp(1.0, -681)), kUnrounded, F, "99671949510975714000", -205},
      {bitsOf(9.98e-206), 16, S, "99800000000000040000", -205},
      // Just outside the bands, for contrast: no extra multiplication.
      {bitsOf(1.0e-264), kUnrounded, F, "10000000000000004000", -263},
      {bitsOf(1.0e-205), kUnrounded, F, "10000000000000004000", -204},
      {bitsOf(std::nextafter(std::ldexp(1.0, -877), 0.0)), kUnrounded, F, "99241610332960998000", -264},
  });
}

TEST(DecimalDigits, HalfUpRoundingOnTheScaledDigits) {
  const DigitMode F = DigitMode::Fraction;
  const DigitMode S = DigitMode::Significant;
  expectCases({
      {bitsOf(0.35), 1, F, "40000000000000000000", 0},     // 3.5 rounds up
      {bitsOf(2.675), 2, F, "26749999999999998000", 1},    // next digit 4: untouched
      {bitsOf(0.125), 2, F, "13000000000000000000", 0},
      {bitsOf(12.25), 1, F, "12300000000000000000", 2},
      {bitsOf(150.25), 1, F, "15024999999999999000", 3},   // scaled just below the half
      {bitsOf(9.96), 1, F, "10000000000000008000", 2},     // carry through every digit
      {bitsOf(0.96), 0, F, "15999999999999996000", 1},     // r = 1: D1 becomes 1, tail kept
      {bitsOf(0.05), 1, F, "10000000000000000000", 0},     // r = 1 with carry
      {bitsOf(0.04), 1, F, "40000000000000000000", -1},    // r = 1, no carry
      {bitsOf(0.004), 1, F, "40000000000000000000", -2},   // r = 0: returned unrounded
      {bitsOf(99.5), 1, S, "10499999999999992000", 3},     // carry out of the top, significant mode
      {bitsOf(7.0), 0, S, "10000000000000000000", 2},
      {bitsOf(1.0e300), 16, S, "99999999999999950000", 300},  // r = 17: D17 cleared after rounding
      {bitsOf(2.0 / 3.0), 16, S, "66666666666666660000", 0},
      {bitsOf(1.5), 25, F, "15000000000000000000", 1},     // r capped at 17
      {bitsOf(150.25), 16, F, "15025000000000000000", 3},  // capped r rounds the 9s up
  });
}

// The table in powers_of_ten.h must be the squaring procedure the generator
// is defined with: shift m right; if m is now 0, multiply and stop; else
// multiply if the bit shifted out was 1; then square the base.
TEST(DecimalDigits, PowersOfTenFollowTheSquaringProcedure) {
  for (std::int32_t m = 1; m <= recio::kLargestPowerOfTen; ++m) {
    double result = 1.0;
    double base = 10.0;
    auto rest = static_cast<std::uint32_t>(m);
    for (;;) {
      const std::uint32_t bit = rest & 1U;
      rest >>= 1U;
      if (rest == 0) {
        result = result * base;
        break;
      }
      if (bit != 0) result = result * base;
      base = base * base;
    }
    EXPECT_EQ(bitsOf(recio::powerOfTen(m)), bitsOf(result)) << "10^" << m;
  }
  EXPECT_EQ(recio::powerOfTen(22), 1.0e22);
  EXPECT_EQ(recio::powerOfTen(100), std::nextafter(1.0e100, 2.0e100));  // one unit high
}

// Scaling is monotonic, so the two ends of a binade bound everything in it:
// each must come out with a non-zero first digit (x in [1, 10)).
TEST(DecimalDigits, EveryBinadeScalesIntoOneToTen) {
  std::int32_t previousK = -307;
  for (std::uint64_t field = 1; field <= 2046; ++field) {
    for (std::uint64_t fraction : {std::uint64_t{0}, (std::uint64_t{1} << 52) - 1}) {
      const auto d = toDecimalDigits(fromBits(field << 52 | fraction), kUnrounded, DigitMode::Fraction);
      ASSERT_GE(d.digits[0], '1') << "exponent field " << field;
      ASSERT_LE(d.digits[0], '9') << "exponent field " << field;
      ASSERT_GE(d.exponent, previousK) << "exponent field " << field;
      ASSERT_LE(d.exponent - previousK, 1) << "exponent field " << field;
      previousK = d.exponent;
    }
  }
}

// A tiny unsigned big integer, enough to write sig * 5^m in decimal.
class BigDecimal {
 public:
  explicit BigDecimal(std::uint64_t v) {
    while (v != 0) {
      limbs_.push_back(static_cast<std::uint32_t>(v & 0xFFFFFFFFU));
      v >>= 32U;
    }
  }
  void multiply(std::uint32_t factor) {
    std::uint64_t carry = 0;
    for (auto& limb : limbs_) {
      const std::uint64_t product = std::uint64_t{limb} * factor + carry;
      limb = static_cast<std::uint32_t>(product & 0xFFFFFFFFU);
      carry = product >> 32U;
    }
    if (carry != 0) limbs_.push_back(static_cast<std::uint32_t>(carry));
  }
  std::string decimal() const {
    std::vector<std::uint32_t> n = limbs_;
    std::string reversed;
    while (!n.empty()) {
      std::uint64_t rem = 0;
      for (std::size_t i = n.size(); i-- > 0;) {
        const std::uint64_t cur = (rem << 32U) | n[i];
        n[i] = static_cast<std::uint32_t>(cur / 1000000000U);
        rem = cur % 1000000000U;
      }
      while (!n.empty() && n.back() == 0) n.pop_back();
      for (int i = 0; i < 9; ++i) {
        reversed.push_back(static_cast<char>('0' + static_cast<char>(rem % 10U)));
        rem /= 10U;
      }
    }
    while (reversed.size() > 1 && reversed.back() == '0') reversed.pop_back();
    return std::string(reversed.rbegin(), reversed.rend());
  }

 private:
  std::vector<std::uint32_t> limbs_;
};

// x = sig * 2^(ex - 52) = sig * 5^(52 - ex) / 10^(52 - ex): the decimal
// digits of the integer sig * 5^(52 - ex) are the exact expansion of x.
std::string exactDigits(double x) {
  const std::uint64_t b = bitsOf(x);
  const auto ex = static_cast<std::int32_t>((b >> 52) & 0x7FF) - 1023;
  BigDecimal n((b & ((std::uint64_t{1} << 52) - 1)) | (std::uint64_t{1} << 52));
  for (std::int32_t i = 0; i < 52 - ex; ++i) n.multiply(5);
  return n.decimal();
}

// The scaled value as the generator is documented to form it.
double documentedScaledValue(double v, std::int32_t& k) {
  const auto field = static_cast<std::int32_t>((bitsOf(v) >> 52) & 0x7FF);
  const std::int32_t e = field - 1023;
  k = static_cast<std::int32_t>(std::floor(static_cast<double>(e) * 19728.0 / 65536.0));
  double x = std::fabs(v);
  if (k > 0) x = x / recio::powerOfTen(k);
  if (k < 0) x = x * recio::powerOfTen(-k);
  k += 1;
  if (x >= 10.0) {
    x = x / 10.0;
    k += 1;
  }
  if (x < 1.0) {
    x = x * 10.0;
    k -= 1;
  }
  return x;
}

// Round the 17-digit integer of the unrounded digits half-up at place r by
// arithmetic (not digit by digit) and compare with the generator.
void expectRoundedAt(const std::string& unrounded, std::int32_t k, std::int32_t r, const recio::DecimalDigits& got) {
  std::uint64_t whole = 0;
  for (int i = 0; i < 17; ++i) whole = whole * 10U + static_cast<std::uint64_t>(unrounded[static_cast<std::size_t>(i)] - '0');
  std::uint64_t unit = 1;
  for (std::int32_t i = 0; i < 17 - r + 1; ++i) unit *= 10U;
  std::uint64_t kept = whole / unit;
  const std::uint64_t next = (whole / (unit / 10U)) % 10U;
  if (next >= 5) ++kept;
  std::uint64_t limit = 1;
  for (std::int32_t i = 0; i < r - 1; ++i) limit *= 10U;
  std::int32_t expectK = k;
  if (kept >= limit && r > 1) {
    kept /= 10U;
    ++expectK;
  } else if (r == 1 && kept == 1) {
    ++expectK;
  }
  std::string expect;
  for (std::int32_t i = 0; i < r - 1; ++i) {
    expect.insert(expect.begin(), static_cast<char>('0' + static_cast<char>(kept % 10U)));
    kept /= 10U;
  }
  if (r == 1 && expectK != k) expect = "1";
  ASSERT_EQ(std::string(got.digits, expect.size()), expect) << "r " << r;
  ASSERT_EQ(got.exponent, expectK) << "r " << r;
  if (r == 17) {
    ASSERT_EQ(got.digits[16], '0');
  }
}

TEST(DecimalDigits, RandomNormalsMatchExactExpansion) {
  std::mt19937_64 rng(20240611);
  for (int i = 0; i < 200000; ++i) {
    std::uint64_t b = rng();
    const std::uint64_t field = (b >> 52) & 0x7FF;
    if (field == 0 || field == 0x7FF) b ^= std::uint64_t{0x400} << 52;  // make it normal
    const double v = fromBits(b);
    SCOPED_TRACE(testing::Message() << "bits " << std::hex << b);

    std::int32_t k = 0;
    const double x = documentedScaledValue(v, k);
    ASSERT_GE(x, 1.0);
    ASSERT_LT(x, 10.0);
    const std::string exact = exactDigits(x);
    ASSERT_GE(exact.size(), 17U);

    const auto unrounded = toDecimalDigits(v, kUnrounded, DigitMode::Fraction);
    ASSERT_EQ(std::string(unrounded.digits, 17), exact.substr(0, 17));
    ASSERT_EQ(std::string(unrounded.digits + 17, 3), "000");
    ASSERT_EQ(unrounded.exponent, k);

    const auto significant = toDecimalDigits(v, 16, DigitMode::Significant);
    expectRoundedAt(exact, k, 17, significant);

    // A fraction place that lands somewhere in 1..17 for this value.
    const auto r = static_cast<std::int32_t>(1 + rng() % 17);
    const auto fraction = toDecimalDigits(v, r - 1 - k, DigitMode::Fraction);
    expectRoundedAt(exact, k, r, fraction);
  }
}

}  // namespace
