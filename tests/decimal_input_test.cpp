// Number texts of free-form input: the character check, the integer
// conversion, the general scan and conversion of reals, and the powers of ten.
#include "recio/numbers/decimal_scan.h"
#include "recio/numbers/decimal_to_double.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

#include "recio/numbers/powers_of_ten.h"

namespace {

using namespace std::string_view_literals;
using recio::NumberKind;

std::uint64_t bits(double v) { return std::bit_cast<std::uint64_t>(v); }
double real(std::string_view text) { return recio::convertReal(text.data(), text.size()); }
std::int32_t integer(std::string_view text) { return recio::convertInteger(text.data(), text.size()); }

constexpr std::uint64_t kInf = 0x7FF0'0000'0000'0000;
constexpr std::uint64_t kNegInf = 0xFFF0'0000'0000'0000;
constexpr std::uint64_t kNaN = 0x7FFF'0000'FFFF'FFFF;
constexpr std::uint64_t kNegNaN = 0xFFFF'0000'FFFF'FFFF;
constexpr std::uint64_t kNegZero = 0x8000'0000'0000'0000;

struct CheckCase {
  std::string_view text;
  NumberKind kind;
  bool allowed;
};

TEST(CheckNumericText, AllowsOnlyTheKindsCharacters) {
  const CheckCase cases[] = {
      {"7", NumberKind::Integer, true},      {"+7", NumberKind::Integer, true},         {"-5", NumberKind::Integer, true},   {"-", NumberKind::Integer, true},
      {"", NumberKind::Integer, true},       {"0123456789", NumberKind::Integer, true}, {"7.0", NumberKind::Integer, false}, {"7e0", NumberKind::Integer, false},
      {"seven", NumberKind::Integer, false}, {"--5", NumberKind::Integer, false},       {"5-", NumberKind::Integer, false},  {"7 ", NumberKind::Integer, false},
      {"7\0"sv, NumberKind::Integer, false}, {"Inf", NumberKind::Integer, false},       {"1.0", NumberKind::Real, true},     {"1.5+3", NumberKind::Real, true},
      {"2.5D-1", NumberKind::Real, true},    {"2.5d-1", NumberKind::Real, true},        {"E5", NumberKind::Real, true},      {".", NumberKind::Real, true},
      {"-", NumberKind::Real, true},         {"+-1", NumberKind::Real, true},           {"Inf", NumberKind::Real, true},     {"-infinity", NumberKind::Real, true},
      {"i", NumberKind::Real, true},         {"NaN", NumberKind::Real, true},           {"n/a", NumberKind::Real, true},     {"+N$ \0"sv, NumberKind::Real, true},
      {"1.0Q0", NumberKind::Real, false},    {"1.0E+00x", NumberKind::Real, false},     {"$1", NumberKind::Real, false},     {"1i", NumberKind::Real, false},
      {"-+Inf", NumberKind::Real, false},    {"1,0", NumberKind::Real, false},          {"'1'", NumberKind::Real, false},    {"2*", NumberKind::Real, false},
      {"1.0\0"sv, NumberKind::Real, false},
  };
  for (const auto& c : cases) EXPECT_EQ(recio::checkNumberText(c.text.data(), c.text.size(), c.kind), c.allowed) << '"' << c.text << "\" kind " << static_cast<int>(c.kind);
}

TEST(ConvertInteger, WrapsModulo2To32) {
  const struct {
    std::string_view text;
    std::int32_t value;
  } cases[] = {
      // clang-format off
      {"7", 7},                                                   {"+7", 7},
      {"-5", -5},                                                 {"-", 0},
      {"+", 0},                                                   {"-0", 0},
      {"", 0},                                                    {"000000000000000000000042", 42},
      {"2147483647", 2147483647},                                 {"2147483648", std::numeric_limits<std::int32_t>::min()},
      {"-2147483648", std::numeric_limits<std::int32_t>::min()},  {"-2147483649", 2147483647},  {"4294967296", 0},                                          {"4294967297", 1},
      {"-4294967295", 1},
      // clang-format on
      {"99999999999999999999", 1661992959},  // (10^20 - 1) mod 2^32
  };
  for (const auto& c : cases) EXPECT_EQ(integer(c.text), c.value) << '"' << c.text << '"';
}

// Expected values are bit patterns of the conversion as defined: a truncated
// mantissa and the squaring powers of ten, not the correctly rounded doubles.
TEST(ConvertReal, ExactResults) {
  const struct {
    std::string text;
    std::uint64_t bits;
  } cases[] = {
      // clang-format off
      {"1.5+3", bits(1500.0)},                         {"2.5D-1", bits(0.25)},
      {".5", bits(0.5)},                               {"5.", bits(5.0)},
      {"1.2.3", bits(0x1.3333333333333p+0)},           {"1e5e5", bits(100000.0)},
      {"1.5E", bits(1.5)},                             {"1.5e-", bits(1.5)},
      {"2D+", bits(2.0)},                              {"E5", 0},
      {".", 0},                                        {"+0", 0},                                       {"-", kNegZero},  {"-0", kNegZero},
      {"-E5", kNegZero},                               {"Inf", kInf},
      {"-infinity", kNegInf},                          {"i", kInf},
      {"NaN", kNaN},                                   {"-nan", kNegNaN},
      {"0.1", bits(0x1.999999999999ap-4)},             {"9007199254740995", bits(9007199254740994.0)},
      {"1E100", bits(0x1.249ad2594c37ep+332)},   // 1.0000000000000002E+100
      {"1E308", bits(0x1.1ccf385ebc8a3p+1023)},  // 1.0000000000000006E+308
      {"1.7976931348623157E308", kInf},          // P(292) is high: the largest double's text overflows
      {"1E309", kInf},                {"-1E400", kNegInf},            {"0E400", 0},                   {"-0E400", kNegZero},
      {"1E99999999999", kInf},        {"1E-99999999999", 0},          {"-1E-99999999999", kNegZero},
      {"1E4294967297", kInf},  // would be 10.0 if the exponent wrapped in 32 bits
      {"1E-4294967297", 0},
      {"1E18446744073709551617", kInf},
      {"1234567890123456789012345", bits(0x1.056e0f36a6444p+80)},  // 1.2345678901234568E+24
      {"184467440737095516165", bits(0x1.3ffffffffffffp+67)},      // 1.8446744073709548e+20
      {"0.333333333333333333333333333333", bits(0x1.5555555555555p-2)},
      // Below 10^-308: two divisions, the second landing in the subnormal range.
      {"1E-320", 0x7e8},                                   {"2.2250738585072014E-308", 0x000f'ffff'ffff'fffd},
      {"4.9406564584124654E-324", 1},                      {"3E-324", 1},
      {"2E-324", 0},                                       {"1E-400", 0},
      {"12345E-310", 0x006b'bd9b'61ba'5a8f},  // 12345 / 10^308 / 10^2, each division rounded: not lost
      // 400 digits: only the first 19 or 20 are kept, the others counted.
      {"1" + std::string(399, '0') + "E-399", bits(1.0)},  // 10^19 and 10^-19: exact
      {std::string(400, '9'), kInf},
      {"0." + std::string(399, '0') + "1", 0},
      {"-" + std::string(399, '0') + "5", bits(-5.0)},
      // clang-format on
  };
  for (const auto& c : cases) EXPECT_EQ(bits(real(c.text)), c.bits) << '"' << c.text << "\" gave " << real(c.text);
}

// The room test, m * 10 + d <= 2^64 - 1, is made for each digit on its own;
// held-back fraction zeros count only when a non-zero digit follows.
TEST(ScanDecimal, MantissaRoomAndExponent) {
  const struct {
    std::string_view text;
    std::uint64_t mantissa;
    std::int64_t exponent;
  } cases[] = {
      // clang-format off
      {"18446744073709551615", 18446744073709551615ULL, 0},             {"18446744073709551616", 1844674407370955161ULL, 1},
      {"184467440737095516165", 18446744073709551615ULL, 1},            {"99999999999999999999", 9999999999999999999ULL, 1},
      {"1234567890123456789012345", 12345678901234567890ULL, 5},        {"000000000000000000000000000001", 1, 0},
      {"1.000000000000000000000000000000", 1, 0},                       {"1.50", 15, -1},
      {"0.001", 1, -3},                                                 {"0.000", 0, 0},
      {"1.5E3", 15, 2},                                                 {"0.18446744073709551616", 1844674407370955161ULL, -19},
      {"0.100000000000000000000000001", 10000000000000000000ULL, -20},  {"1844674407370955161.7", 1844674407370955161ULL, 0},
      {"1844674407370955161.75", 18446744073709551615ULL, -1},          {std::string_view("000", 2), 0, 0},
      // clang-format on
      {"1844674407370955161.07", 1844674407370955161ULL, 0},    // 7 has no room: the zero stays held
      {"1844674407370955161.05", 18446744073709551610ULL, -1},  // the zero is taken in, then 5 has none
      {"99999999999999999999.5", 9999999999999999999ULL, 1},
      {"1E-2147483648", 1, -2147483648LL},
      {"1234567890123456789012345E-2147483648", 12345678901234567890ULL, -2147483643LL},
  };
  for (const auto& c : cases) {
    const recio::ScannedDecimal scan = recio::scanDecimal(c.text.data(), c.text.size());
    EXPECT_EQ(scan.kind, recio::ScannedDecimal::Kind::Finite) << c.text;
    EXPECT_EQ(scan.mantissa, c.mantissa) << c.text;
    EXPECT_EQ(scan.exponent, c.exponent) << c.text;
    EXPECT_EQ(scan.length, c.text.size()) << c.text;
  }
  const recio::ScannedDecimal huge = recio::scanDecimal("1E99999999999999999999999", 25);
  EXPECT_GT(huge.exponent, std::int64_t{std::numeric_limits<std::int32_t>::max()});
  const recio::ScannedDecimal tiny = recio::scanDecimal("1E-99999999999999999999999", 26);
  EXPECT_LT(tiny.exponent, std::int64_t{std::numeric_limits<std::int32_t>::min()});
}

// The squaring procedure: exact up to 10^22, then the products' rounding.
TEST(PowerOfTen, ExactThenRoundedProducts) {
  const double exact[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  for (int n = 0; n <= 22; ++n) EXPECT_EQ(recio::powerOfTen(n), exact[n]) << "n = " << n;
  EXPECT_EQ(bits(recio::powerOfTen(23)), bits(1e23));  // one rounding, to the nearest
  EXPECT_EQ(bits(recio::powerOfTen(100)), bits(1e100) + 1);
  EXPECT_EQ(bits(recio::powerOfTen(308)), bits(1e308) + 3);
}

}  // namespace
