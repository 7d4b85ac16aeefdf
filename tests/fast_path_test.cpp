// The scan's fast case against the general steps, digit for digit; the work
// buffers grow where a byte-at-a-time collection would. With CHI2MAP_SWEEP_SCALE (label long) the sweeps run that much longer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "recio/numbers/decimal_scan.h"
#include "recio/numbers/decimal_to_double.h"
#include "recio/reader/read_statement.h"
#include "recio/run.h"
#include "recio/statements.h"
#include "support/fake_platform.h"
#include "support/statements.h"
#include "support/work_dir.h"

#ifndef CHI2MAP_SWEEP_SCALE
#define CHI2MAP_SWEEP_SCALE 1
#endif

namespace {

using recio::IoStatus;
constexpr int kScale = CHI2MAP_SWEEP_SCALE;

// The scan, its fast case included, finds what the general steps alone find
// (digit by digit, each through the room test), and the double follows.
void expectGeneral(const std::string& text) {
  const recio::ScannedDecimal scan = recio::scanDecimal(text.data(), text.size());
  if (scan.kind != recio::ScannedDecimal::Kind::Finite) return;
  std::uint64_t m = 0;
  std::int64_t k = 0, x = 0;
  std::size_t i = recio::detail::scanMantissaByDigit(text.data(), text.size(), scan.digitsAt, m, k);
  if (i < text.size() && (recio::isExponentLetter(text[i]) || recio::isSign(text[i]))) i = recio::detail::scanExponent(text.data(), text.size(), i, x);
  ASSERT_EQ(scan.mantissa, m) << '"' << text << '"';
  ASSERT_EQ(scan.exponent, std::clamp(k + x, -recio::kExponentCap, recio::kExponentCap)) << '"' << text << '"';
  ASSERT_EQ(scan.length, i) << '"' << text << '"';
}

std::string digits(std::mt19937_64& random, std::size_t count) {
  const bool runOfOne = random() % 4 == 0;  // 999..., trailing zeros
  const char only = static_cast<char>('0' + random() % 10);
  std::string out;
  for (std::size_t i = 0; i < count; ++i) out += runOfOne ? only : static_cast<char>('0' + random() % 10);
  return out;
}
std::string sign(std::mt19937_64& random) { return std::string(random() % 3 == 0 ? "-" : random() % 2 ? "+" : ""); }

// A decimal near the fast case's limits: up to 20 digits and more, runs of
// zeros, mantissas around 2^53, exponents around +-22 written every way.
std::string decimal(std::mt19937_64& random) {
  static const char* const kIntroducers[] = {"E", "e", "D", "d", "E+", "e-", "D-", "+", "-", "E+0", "e-00"};
  std::string mantissa = random() % 3 == 0 ? std::to_string((std::uint64_t{1} << 53) - 3000 + random() % 6000) : digits(random, random() % 24);
  if (random() % 4 != 0) mantissa.insert(random() % (mantissa.size() + 1), ".");
  std::string text = sign(random) + mantissa;
  if (random() % 2 == 0) text += std::string(kIntroducers[random() % 11]) + std::to_string(random() % 46);
  return text.empty() ? "0" : text;  // an empty text is no value
}

TEST(FastConversion, EqualsTheGeneralSteps) {
  std::vector<std::string> texts{""};
  for (std::size_t at = 0; at < texts.size() && texts[at].size() < 4; ++at)
    for (char c : std::string("019.+-eEdDx")) texts.push_back(texts[at] + c);
  // 3.0E23 and 7.0E23: the general steps scale 3 and 7 by the rounded 10^23.
  for (const char* edge : {"9007199254740993", "9007199254740995", "900719925474099.3", "18446744073709551616", "1E22", "1E23", "3.0E23", "7.0E23", "1.5E-22", "12345.6789E-19", "1E0022", "1E00022"}) {
    texts.push_back(edge);
  }
  for (const std::string& text : texts) expectGeneral(text);
  std::mt19937_64 random(53);
  for (int n = 0; n < 300'000 * kScale; ++n) expectGeneral(decimal(random));
}

// The record text (1024 bytes at first) and the value text grow by one 8192-byte step exactly when a byte-at-a-time
// collection would find them full before the next byte: the record before its line feed too. A tab takes the blanks to
// the next multiple of 8, a carriage return none.
TEST(WorkBuffers, GrowWhereByteAtATimeCollectionWould) {
  const struct {
    std::string input;
    double value;
    int growths;
  } cases[] = {
      // clang-format off
      {std::string(1022, ' ') + "1\n", 1, 0},              {std::string(1023, ' ') + "1\n", 1, 1},
      {std::string(9215, ' ') + "1\n", 1, 2},              {std::string(50000, ' ') + "3\n", 3, 6},
      {std::string(127, '\t') + "1234567\n", 1234567, 0},  {std::string(128, '\t') + "1\n", 1, 1},
      {std::string(30000, '\t') + "\n9\n", 9, 30},         {std::string(9000, '\r') + "4\r\n", 4, 0},
      {std::string(20000, '\n') + "5\n", 5, 0},
      // clang-format on
      {"1" + std::string(1016, '0') + "E-1016\n", 1, 0},  // 1023 characters
      {"1" + std::string(1017, '0') + "E-1017\n", 1, 2},
      {"1" + std::string(100000, '0') + "\n", HUGE_VAL, 26},
  };
  for (const auto& c : cases) {
    fake::FakePlatform platform;
    fake::WorkDir dir;
    fake::writeFile("input.txt", c.input);
    recio::IoControl control;
    ASSERT_EQ(recio::connectUnit(control, 1, "input.txt", "old", {}), IoStatus::Ok);
    const int before = platform.calls(fake::Call::Allocate);
    const fake::ReadOutcome outcome = fake::readDoubles(control, 1, 1);
    EXPECT_EQ(outcome.status, IoStatus::Ok) << c.input.size() << " bytes";
    EXPECT_EQ(outcome.values, std::vector<std::optional<double>>{c.value}) << c.input.size() << " bytes";
    EXPECT_EQ(platform.calls(fake::Call::Allocate) - before, c.growths) << c.input.size() << " bytes";
    EXPECT_EQ(platform.run([&] { recio::stopRun(control); }), 0);
  }
}

}  // namespace
