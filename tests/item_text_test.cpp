// Exact texts of free-form numbers and of F w.d fields.
#include "recio/numbers/printed_numbers.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace {

double fromBits(std::uint64_t b) { return std::bit_cast<double>(b); }

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
const double kNegNaN = fromBits(0xFFF8000000000000);

std::string freeForm(double v) {
  char buf[recio::kFreeFormNumberMax + 8];
  const std::size_t n = recio::freeFormDoubleText(v, buf);
  EXPECT_LE(n, recio::kFreeFormNumberMax);
  return std::string(buf, n);
}

std::string fixedField(double v, std::int32_t w, std::int32_t d) {
  // Guard bytes on both sides catch a field that writes outside its width.
  std::string buf(static_cast<std::size_t>(w) + 8, '#');
  const bool sign = std::signbit(v);
  recio::renderFixed(v, w, sign ? w - 1 : w, d, buf.data() + 4);
  EXPECT_EQ(buf.substr(0, 4), "####");
  EXPECT_EQ(buf.substr(static_cast<std::size_t>(w) + 4), "####");
  return buf.substr(4, static_cast<std::size_t>(w));
}

struct FreeFormCase {
  double value;
  const char* text;
};

TEST(FreeFormDouble, Texts) {
  const std::vector<FreeFormCase> cases = {
      {0.0, "  0.000000000000000"},
      {-0.0, "  0.000000000000000"},
      {1.0, "  1.00000000000000"},
      {0.5, "  0.500000000000000"},
      {123.456, "  123.456000000000"},
      {1.0e10, "  10000000000.0000"},
      {1.0e-5, "  1.000000000000000E-005"},
      {-2.5, " -2.50000000000000"},
      {0.05, "  5.000000000000000E-002"},
      {-0.004, " -4.000000000000000E-003"},
      {1.0e15, "  1.000000000000000E+015"},
      {999999999999999.0, "  999999999999999."},
      {2.0 / 3.0, "  0.666666666666667"},
      {6.02e23, "  6.020000000000000E+023"},
      {5.0e-324, "  0.000000000000000"},
      {kNaN, "  NaN"},
      {kNegNaN, " -NaN"},
      {kInf, "  INF"},
      {-kInf, " -INF"},
      // The change of form at a tenth, decided after the first rounding.
      {0.1, "  0.100000000000000"},
      {0.09, "  9.000000000000000E-002"},
      {0.09999999999999999, "  0.100000000000000"},
      {99999.99999999999, "  100000.000000000"},  // carries one more integer digit
      {123456789012345.6, "  123456789012346."},
      {0.12345678901234568, "  0.123456789012346"},
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
      {-std::ldexp(1.0, -877), " -9.924161033296100E-265"},
      {9.99e-265, "  9.990000000000004E-265"},
      {1.0e-264, "  1.000000000000000E-264"},
      {std::ldexp(1.0, -681), "  9.967194951097571E-206"},
      {9.98e-206, "  9.980000000000004E-206"},
      // Just below 10^15: from 999999999999999.5 up, the exponent form.
      {999999999999999.375, "  999999999999999."},
      {999999999999999.5, "  9.999999999999995E+014"},
      {999999999999999.625, "  9.999999999999996E+014"},
      {999999999999999.875, "  9.999999999999998E+014"},
      {-999999999999999.75, " -9.999999999999998E+014"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(freeForm(c.value), c.text) << "bits " << std::hex << std::bit_cast<std::uint64_t>(c.value);
  }
}

TEST(FreeFormInteger, Texts) {
  const std::vector<std::pair<std::int32_t, const char*>> cases = {
      {0, "  0"},
      {85, "  85"},
      {-7, " -7"},
      {1000000, "  1000000"},
      {std::numeric_limits<std::int32_t>::max(), "  2147483647"},
      {std::numeric_limits<std::int32_t>::min(), " -2147483648"},
  };
  for (const auto& [value, text] : cases) {
    char buf[recio::kFreeFormNumberMax];
    const std::size_t n = recio::freeFormIntegerText(value, buf);
    EXPECT_EQ(std::string(buf, n), text) << value;
  }
}

struct FixedCase {
  std::int32_t w;
  std::int32_t d;
  double value;
  const char* field;
};

void expectFields(const std::vector<FixedCase>& cases) {
  for (const auto& c : cases) {
    EXPECT_EQ(fixedField(c.value, c.w, c.d), c.field)
        << "F" << c.w << "." << c.d << " of " << c.value << " bits " << std::hex
        << std::bit_cast<std::uint64_t>(c.value);
  }
}

TEST(RenderFixed, WorkedExamples) {
  expectFields({
      {8, 1, 1.0e10, "********"},
      {6, 4, 0.05, "0.0500"},
      {5, 1, 12.25, " 12.3"},
      {5, 1, 12.35, " 12.3"},
      {6, 1, -0.04, "   0.0"},
      {6, 1, -0.05, "  -0.1"},
      {6, 1, 0.35, "   0.4"},
      {6, 1, 123.456, " 123.5"},
      {6, 1, 150.25, " 150.2"},
      {6, 1, 9999.95, "******"},
      {6, 4, -0.5, "-.5000"},
      {6, 4, -1.0, "******"},
      {6, 4, -0.00004, " .0000"},
      {6, 4, 0.00004, "0.0000"},
      {6, 4, -0.00005, "-.0001"},
      {5, 1, -99.9, "-99.9"},
      {5, 1, -999.9, "*****"},
      {8, 1, 999999.9, "999999.9"},
      {8, 1, -99999.9, "-99999.9"},
      {6, 1, 0.0, "   0.0"},
      {6, 1, kNaN, "   NaN"},
      {6, 1, kNegNaN, "  -NaN"},
      {6, 1, -kInf, "  -INF"},
      {3, 1, kNaN, "NaN"},
      // The fields of the sample lines.
      {6, 1, 100.0, " 100.0"},
      {6, 4, -0.002, "-.0020"},
      {6, 1, 1.0, "   1.0"},
      {6, 4, 0.5, "0.5000"},
      {8, 1, 2.0, "     2.0"},
  });
}

TEST(RenderFixed, EdgeCases) {
  expectFields({
      // Exactly w characters, no blank; one digit more overflows.
      {6, 4, 9.9999, "9.9999"},
      {8, 1, 1000000.0, "********"},
      {6, 4, 10.0, "******"},
      {6, 4, 0.5, "0.5000"},
      // Half-way digits of the scaled value.
      {6, 1, 0.25, "   0.3"},
      {6, 1, 0.15, "   0.2"},
      {6, 1, 100.75, " 100.7"},
      {8, 1, 9999.95, " 10000.0"},
      {6, 4, 0.00096, "0.0010"},
      {6, 4, -0.00096, "-.0010"},
      {6, 4, -0.99996, "******"},  // rounds to -1.0000
      // Zero and subnormals; a negative subnormal keeps its sign.
      {6, 1, 5.0e-324, "   0.0"},
      {6, 1, fromBits(0x8000000000000001), "  -0.0"},
      {6, 4, fromBits(0x8000000000000001), "-.0000"},
      {8, 1, 1.0e-300, "     0.0"},
      {30, 27, std::ldexp(1.0, -877), " 0.000000000000000000000000000"},
      // Non-finite: m = w - 1 with the sign bit set, m < 3 overflows.
      {3, 1, -kInf, "***"},
      {2, 0, kNaN, "**"},
      {3, 1, kInf, "INF"},
      {4, 1, kNegNaN, "-NaN"},
      {4, 1, -kInf, "-INF"},
      // Room 0: no leading zero; sign clear and rounding to zero places nothing.
      {5, 4, 0.5, ".5000"},
      {5, 4, 0.00004, ".0000"},
      {5, 4, -0.00004, ".0000"},
      {5, 4, -0.5, "*****"},
      // No fraction digits.
      {4, 0, 0.4, "  0."},
      {1, 0, 0.4, "."},
      {2, 0, -0.4, "0."},
      {4, 0, 2.5, "  3."},
      {4, 0, 0.5, "  1."},
      {3, 0, -7.0, "-7."},
      {2, 0, -7.0, "**"},
      // More than 16 integer digits: zeros after the 16th; beyond D[20]: zeros.
      {26, 1, 123456789012345678901.0, "   123456789012345700000.0"},
      {40, 25, 1.5, "             1.5000000000000000000000000"},
      {30, 10, 123456789012.5, "       123456789012.5000000000"},
      {6, 3, 0.0005, " 0.001"},
  });
}

}  // namespace
