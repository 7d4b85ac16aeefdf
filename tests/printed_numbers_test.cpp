// Every printed digit: the digit generator (exact digit strings for chosen values, the rounding rule), the free-form
// number texts and the F w.d fields of the fixed-field writer, one table per rule.
#include "recio/numbers/printed_numbers.h"
#include "recio/numbers/digit_generator.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

namespace {

using recio::DigitMode;

std::uint64_t bitsOf(double v) { return std::bit_cast<std::uint64_t>(v); }
double fromBits(std::uint64_t b) { return std::bit_cast<double>(b); }

constexpr DigitMode F = DigitMode::Fraction;
constexpr DigitMode S = DigitMode::Significant;
// n far below any k: the rounding place is never reached, so the digits come back exactly as extracted.
constexpr std::int32_t kUnrounded = -1000;

struct DigitsCase {
  std::uint64_t bits;
  std::int32_t n;
  DigitMode mode;
  const char* digits;  // all 20 characters
  std::int32_t exponent;
};

TEST(DecimalDigits, Texts) {
  const DigitsCase cases[] = {
      // Special values and zero; subnormals are zero.
      {0x7FF8000000000000, 16, F, "NaN                 ", 0},
      {0xFFF8000000000000, 16, F, "NaN                 ", 0},  // sign bit set
      {0x7FF0000000000001, 3, S, "NaN                 ", 0},   // signalling
      {0x7FF0000000000000, 16, F, "INF                 ", 0},
      {0x0000000000000000, 16, F, "00000000000000000000", 0},
      {0x8000000000000000, 16, S, "00000000000000000000", 0},
      {0x0000000000000001, 16, F, "00000000000000000000", 0},   // smallest subnormal
      {0x000FFFFFFFFFFFFF, 300, F, "00000000000000000000", 0},  // largest subnormal
      // The digits of the scaled value before any rounding: the exact expansion of x, truncated at 17 digits. These fix
      // the scaling (one division or multiplication by the squared power of ten) and the extraction.
      {bitsOf(1.0), kUnrounded, F, "10000000000000000000", 1},
      {bitsOf(12.25), kUnrounded, F, "12250000000000000000", 2},   // x = 1.225000000000000088...
      {bitsOf(150.25), kUnrounded, F, "15024999999999999000", 3},  // x = 1.502499999999999946...
      {bitsOf(0.35), kUnrounded, F, "35000000000000000000", 0},    // 0.35 * 10 is exactly 3.5
      {bitsOf(2.675), kUnrounded, F, "26749999999999998000", 1},
      {bitsOf(0.96), kUnrounded, F, "95999999999999996000", 0},
      {bitsOf(0.1), kUnrounded, F, "10000000000000000000", 0},   // 0.1 * 100 rounds to 10
      {bitsOf(-2.5), kUnrounded, F, "25000000000000000000", 1},  // sign ignored
      {bitsOf(1.0e300), kUnrounded, F, "99999999999999946000", 300},
      {0x7FEFFFFFFFFFFFFF, kUnrounded, F, "17976931348623146000", 309},   // largest double
      {0x0010000000000000, kUnrounded, F, "22250738585072027000", -307},  // smallest normal
      {bitsOf(999999999999999.5), kUnrounded, F, "99999999999999946000", 15},
      // For 2^-877 .. 1e-264 and 2^-681 .. 1e-205 the estimate is one too high
      // and x falls just below 1; the generator multiplies by 10 once more.
      {bitsOf(std::ldexp(1.0, -877)), kUnrounded, F, "99241610332960998000", -264},
      {bitsOf(9.99e-265), kUnrounded, F, "99900000000000037000", -264},
      {bitsOf(std::ldexp(1.0, -681)), kUnrounded, F, "99671949510975714000", -205},
      // Just outside the bands, for contrast: no extra multiplication.
      {bitsOf(1.0e-264), kUnrounded, F, "10000000000000004000", -263},
      {bitsOf(std::nextafter(std::ldexp(1.0, -877), 0.0)), kUnrounded, F, "99241610332960998000", -264},
      // Half-up rounding on the scaled digits.
      {bitsOf(0.35), 1, F, "40000000000000000000", 0},   // 3.5 rounds up
      {bitsOf(2.675), 2, F, "26749999999999998000", 1},  // next digit 4: untouched
      {bitsOf(0.125), 2, F, "13000000000000000000", 0},
      {bitsOf(12.25), 1, F, "12300000000000000000", 2},
      {bitsOf(150.25), 1, F, "15024999999999999000", 3},  // scaled just below the half
      {bitsOf(9.96), 1, F, "10000000000000008000", 2},    // carry through every digit
      {bitsOf(0.96), 0, F, "15999999999999996000", 1},    // r = 1: D1 becomes 1, tail kept
      {bitsOf(0.05), 1, F, "10000000000000000000", 0},    // r = 1 with carry
      {bitsOf(0.04), 1, F, "40000000000000000000", -1},   // r = 1, no carry
      {bitsOf(0.004), 1, F, "40000000000000000000", -2},  // r = 0: returned unrounded
      {bitsOf(99.5), 1, S, "10499999999999992000", 3},    // carry out of the top, significant mode
      {bitsOf(7.0), 0, S, "10000000000000000000", 2},
      {bitsOf(1.0e300), 16, S, "99999999999999950000", 300},  // r = 17: D17 cleared after rounding
      {bitsOf(2.0 / 3.0), 16, S, "66666666666666660000", 0},
      {bitsOf(1.5), 25, F, "15000000000000000000", 1},     // r capped at 17
      {bitsOf(150.25), 16, F, "15025000000000000000", 3},  // capped r rounds the 9s up
  };
  for (const DigitsCase& c : cases) {
    const recio::DecimalDigits d = recio::toDecimalDigits(fromBits(c.bits), c.n, c.mode);
    SCOPED_TRACE(testing::Message() << "value " << fromBits(c.bits) << " bits " << std::hex << c.bits << std::dec << " n " << c.n);
    EXPECT_EQ(std::string(d.digits, 20), c.digits);
    EXPECT_EQ(d.digits[20], '\0');
    EXPECT_EQ(d.exponent, c.exponent);
  }
}

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
const double kNegNaN = fromBits(0xFFF8000000000000);

struct FreeFormCase {
  double value;
  const char* text;
};

TEST(FreeFormDouble, Texts) {
  const FreeFormCase cases[] = {
      // clang-format off
      {0.0, "  0.000000000000000"},               {-0.0, "  0.000000000000000"},              {1.0e-5, "  1.000000000000000E-005"},
      {-2.5, " -2.50000000000000"},               {0.05, "  5.000000000000000E-002"},         {-0.004, " -4.000000000000000E-003"},
      {1.0e15, "  1.000000000000000E+015"},       {999999999999999.0, "  999999999999999."},  {5.0e-324, "  0.000000000000000"},
      {kNaN, "  NaN"},                            {kNegNaN, " -NaN"},                         {kInf, "  INF"},
      {-kInf, " -INF"},
      // The change of form at a tenth, decided after the first rounding.
      {0.1, "  0.100000000000000"},
      {0.09, "  9.000000000000000E-002"},
      {0.09999999999999999, "  0.100000000000000"},
      {99999.99999999999, "  100000.000000000"},  // carries one more integer digit
      {123456789012345.6, "  123456789012346."},
      // The squared powers carry rounding into the last digits.
      {1.0e300, "  9.999999999999995E+299"},
      {1.0e-300, "  1.000000000000001E-300"},
      {std::numeric_limits<double>::max(), "  1.797693134862315E+308"},
      {std::numeric_limits<double>::min(), "  2.225073858507203E-308"},
      {9999999999999998.0, "  9.999999999999998E+015"},
      // Subnormals are zero, but a set sign bit still shows.
      {fromBits(0x000FFFFFFFFFFFFF), "  0.000000000000000"},
      {fromBits(0x8000000000000001), " -0.000000000000000"},
      {fromBits(0x800FFFFFFFFFFFFF), " -0.000000000000000"},
      // Tiny bands where the scaled value first falls below 1.
      {std::ldexp(1.0, -877), "  9.924161033296100E-265"},
      {9.99e-265, "  9.990000000000004E-265"},
      {1.0e-264, "  1.000000000000000E-264"},
      {std::ldexp(1.0, -681), "  9.967194951097571E-206"},
      // Just below 10^15: from 999999999999999.5 up, the exponent form.
      {999999999999999.375, "  999999999999999."},        {999999999999999.5, "  9.999999999999995E+014"},    {999999999999999.625, "  9.999999999999996E+014"},
      {999999999999999.875, "  9.999999999999998E+014"},  {-999999999999999.75, " -9.999999999999998E+014"},
      // clang-format on
  };
  for (const FreeFormCase& c : cases) {
    char buf[recio::kFreeFormNumberMax + 8];
    const std::size_t n = recio::freeFormDoubleText(c.value, buf);
    ASSERT_LE(n, recio::kFreeFormNumberMax);
    EXPECT_EQ(std::string(buf, n), c.text) << "bits " << std::hex << bitsOf(c.value);
  }
}

struct FixedCase {
  std::int32_t w;
  std::int32_t d;
  double value;
  const char* field;
};

// The fields as the fixed-field writer places them.
TEST(FixedField, Texts) {
  const FixedCase cases[] = {
      // clang-format off
      {8, 1, 1.0e10, "********"},    {6, 4, 0.05, "0.0500"},        {5, 1, 12.25, " 12.3"},        {6, 1, -0.04, "   0.0"},
      {6, 1, -0.05, "  -0.1"},       {6, 1, 9999.95, "******"},     {6, 4, -0.5, "-.5000"},        {6, 4, -1.0, "******"},
      {6, 4, -0.00004, " .0000"},    {6, 4, 0.00004, "0.0000"},     {6, 4, -0.00005, "-.0001"},    {5, 1, -99.9, "-99.9"},
      {5, 1, -999.9, "*****"},       {8, 1, -99999.9, "-99999.9"},  {6, 1, 0.0, "   0.0"},         {6, 1, kNaN, "   NaN"},
      {6, 1, kNegNaN, "  -NaN"},     {6, 1, -kInf, "  -INF"},       {3, 1, kNaN, "NaN"},
      // A negative zero is written as zero.
      {6, 1, -0.0, "   0.0"},
      {6, 4, -0.0, "0.0000"},
      // Exactly w characters, no blank; one digit more overflows.
      {6, 4, 9.9999, "9.9999"},
      {8, 1, 1000000.0, "********"},
      {6, 4, 10.0, "******"},
      // Half-way digits of the scaled value.
      {6, 1, 0.25, "   0.3"},       {6, 1, 0.15, "   0.2"},       {6, 1, 100.75, " 100.7"},     {8, 1, 9999.95, " 10000.0"},
      {6, 4, 0.00096, "0.0010"},    {6, 4, -0.00096, "-.0010"},
      {6, 4, -0.99996, "******"},  // rounds to -1.0000
      // Zero and subnormals; a negative subnormal keeps its sign.
      {6, 1, 5.0e-324, "   0.0"},
      {6, 1, fromBits(0x8000000000000001), "  -0.0"},
      {6, 4, fromBits(0x8000000000000001), "-.0000"},
      {8, 1, 1.0e-300, "     0.0"},
      {30, 27, std::ldexp(1.0, -877), " 0.000000000000000000000000000"},
      // Non-finite: m = w - 1 with the sign bit set, m < 3 overflows.
      {3, 1, -kInf, "***"},     {2, 0, kNaN, "**"},       {3, 1, kInf, "INF"},      {4, 1, kNegNaN, "-NaN"},  {4, 1, -kInf, "-INF"},
      // Room 0: no leading zero; sign clear and rounding to zero places nothing.
      {5, 4, 0.5, ".5000"},       {5, 4, 0.00004, ".0000"},   {5, 4, -0.00004, ".0000"},  {5, 4, -0.5, "*****"},
      // No fraction digits.
      {4, 0, 0.4, "  0."},  {1, 0, 0.4, "."},     {2, 0, -0.4, "0."},   {4, 0, 2.5, "  3."},  {4, 0, 0.5, "  1."},  {3, 0, -7.0, "-7."},
      {2, 0, -7.0, "**"},
      // More than 16 integer digits: zeros after the 16th; beyond D[20]: zeros.
      {26, 1, 123456789012345678901.0, "   123456789012345700000.0"},
      {40, 25, 1.5, "             1.5000000000000000000000000"},
      {30, 10, 123456789012.5, "       123456789012.5000000000"},
      {6, 3, 0.0005, " 0.001"},
      // clang-format on
  };
  for (const FixedCase& c : cases) {
    // Guard bytes on both sides catch a field that writes outside its width.
    std::string buf(static_cast<std::size_t>(c.w) + 8, '#');
    recio::fixedFieldText(c.value, c.w, c.d, buf.data() + 4);
    EXPECT_EQ(buf, "####" + std::string(c.field) + "####") << "F" << c.w << "." << c.d << " of " << c.value << " bits " << std::hex << bitsOf(c.value);
  }
}

}  // namespace
