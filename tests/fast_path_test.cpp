// The conversion's shortcut and readItem's plain doubles against the general
// steps, bit for bit; the work buffers grow where a byte-at-a-time collection
// would. With CHI2MAP_SWEEP_SCALE (label long) the sweeps run that much longer.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
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

std::uint64_t bits(double v) { return std::bit_cast<std::uint64_t>(v); }

// The shortcut, where the plain scan takes the text, and the conversion of
// a terminated text give the general steps' double.
void expectGeneral(const std::string& text) {
  const double general = recio::convertReal(text.data(), text.size());
  ASSERT_EQ(bits(recio::convertTerminatedReal(text.c_str(), text.size())), bits(general)) << '"' << text << '"';
  const recio::PlainDecimal plain = recio::scanPlainDecimal(text.c_str());
  if (plain.plain && plain.end == text.c_str() + text.size()) {
    ASSERT_TRUE(recio::checkNumberText(text.data(), text.size(), recio::NumberKind::Real)) << '"' << text << '"';
    ASSERT_EQ(bits(recio::plainDecimalValue(plain)), bits(general)) << '"' << text << '"';
  }
}

std::string digits(std::mt19937_64& random, std::size_t count) {
  const bool runOfOne = random() % 4 == 0;  // 999..., trailing zeros
  const char only = static_cast<char>('0' + random() % 10);
  std::string out;
  for (std::size_t i = 0; i < count; ++i) out += runOfOne ? only : static_cast<char>('0' + random() % 10);
  return out;
}
std::string sign(std::mt19937_64& random) { return std::string(random() % 3 == 0 ? "-" : random() % 2 ? "+" : ""); }

// A decimal near the shortcut's limits: up to 20 digits, mantissas around
// 2^53, exponents around +-22 written every way.
std::string decimal(std::mt19937_64& random) {
  static const char* const kIntroducers[] = {"E", "e", "D", "d", "E+", "e-", "D-", "+", "-", "E+0", "e-00"};
  std::string mantissa = random() % 3 == 0 ? std::to_string((std::uint64_t{1} << 53) - 3000 + random() % 6000) : digits(random, random() % 21);
  if (random() % 4 != 0) mantissa.insert(random() % (mantissa.size() + 1), ".");
  std::string text = sign(random) + mantissa;
  if (random() % 2 == 0) text += std::string(kIntroducers[random() % 11]) + std::to_string(random() % 46);
  return text.empty() ? "0" : text;  // an empty text is no value
}

TEST(FastConversion, EqualsTheGeneralSteps) {
  std::vector<std::string> texts{""};
  for (std::size_t at = 0; at < texts.size() && texts[at].size() < 4; ++at) {
    for (char c : std::string("019.+-eEdDx")) texts.push_back(texts[at] + c);
  }
  // 3.0E23 and 7.0E23: the general steps scale 3 and 7 by the rounded 10^23.
  for (const char* edge : {"9007199254740993", "9007199254740995", "900719925474099.3", "18446744073709551616", "1E22", "1E23", "3.0E23", "7.0E23", "1.5E-22", "12345.6789E-19", "1E0022", "1E00022"}) {
    texts.push_back(edge);
  }
  for (const std::string& text : texts) expectGeneral(text);
  std::mt19937_64 random(53);
  for (int n = 0; n < 300'000 * kScale; ++n) expectGeneral(decimal(random));
}

// Random input in the reader's whole syntax. Each plain value is followed by
// '\1': left out, the value takes the fast path; replaced by "E00000" (five
// exponent digits), the same value takes the general steps.
std::string randomInput(std::mt19937_64& random) {
  static const char* const kOpenings[] = {"", "", "", "", " ", "  ", "\t", ",", " ,", ", ", "\t,"};
  static const char* const kOdd[] = {"*", "**", "*5", "*,", "3**", "+", "-.", ".", "+-1", "1.2.3", "x1", "-Inf", "/"};
  static const char* const kSeparators[] = {" ", " ", ",", ", ", " , ", "\t", "\r ", " \r", "/"};
  std::string out;
  for (int line = 1 + static_cast<int>(random() % 40); line > 0; --line) {
    out += kOpenings[random() % 11];
    for (int v = static_cast<int>(random() % 8); v > 0; --v) {
      const auto kind = random() % 10;
      if (kind == 0) {
        out += std::to_string(random() % 4) + "*";  // a repeat count: its value follows
      } else if (kind == 1) {
        out += kOdd[random() % 13];
      } else if (kind == 2 && random() % 8 == 0) {
        out += digits(random, 1000 + random() % 10000) + '\1';  // makes the value text grow
      } else {
        out += decimal(random) + '\1';
      }
      out += kSeparators[random() % 9];
    }
    out += random() % 8 == 0 ? "\r\n" : "\n";
  }
  if (random() % 4 == 0) out += "1 2 3";  // no line feed: never a record
  return out;
}

// A statement's status, and for each item whether it was assigned, and its bits.
struct Statement {
  IoStatus status;
  std::vector<std::pair<bool, std::uint64_t>> items;
  bool operator==(const Statement&) const = default;
};

std::vector<Statement> readAll(const std::string& input, const std::vector<int>& items) {
  fake::FakePlatform platform;
  fake::WorkDir dir;
  fake::writeFile("input.txt", input);
  recio::IoControl control;
  EXPECT_EQ(recio::connectUnit(control, 1, "input.txt", "old", {}), IoStatus::Ok);
  std::vector<Statement> statements;
  for (int count : items) {
    recio::prepareRead(control, 1, recio::ItemType::Real64, {true, true});
    Statement s{recio::beginRead(control), {}};
    for (int i = 0; i < count && s.status == IoStatus::Ok; ++i) {
      double value = 0.0;
      s.status = recio::readItem(control, &value);
      if (s.status == IoStatus::Ok) s.items.push_back({recio::itemAssigned(control), recio::itemAssigned(control) ? bits(value) : 0});
    }
    if (s.status == IoStatus::Ok) s.status = recio::endRead(control);
    statements.push_back(s);
    if (s.status == IoStatus::EndOfFile) break;
  }
  EXPECT_EQ(platform.run([&] { recio::stopRun(control); }), 0);
  EXPECT_EQ(platform.liveAllocations(), 0U);
  return statements;
}

std::string rendered(std::string marked, const std::string& mark) {
  for (std::size_t at = 0; (at = marked.find('\1', at)) != std::string::npos; at += mark.size()) marked.replace(at, 1, mark);
  return marked;
}

TEST(FastReader, EqualsTheGeneralSteps) {
  std::mt19937_64 random(1234);
  for (int n = 0; n < 300 * kScale && !HasFailure(); ++n) {
    const std::string input = randomInput(random);
    std::vector<int> items(200);
    for (int& count : items) count = 1 + static_cast<int>(random() % 6);
    const std::vector<Statement> fast = readAll(rendered(input, ""), items);
    const std::vector<Statement> general = readAll(rendered(input, "E00000"), items);
    const auto differs = std::mismatch(fast.begin(), fast.end(), general.begin(), general.end()).first;
    ASSERT_TRUE(differs == fast.end() && fast.size() == general.size()) << "input " << n << ", statement " << differs - fast.begin() + 1 << " of " << fast.size() << ": " << input;
  }
}

// The record text (1024 bytes at first) and the value text grow by one
// 8192-byte step exactly when a byte-at-a-time collection would find them
// full before the next byte: the record before its line feed too. A tab
// takes the blanks to the next multiple of 8, a carriage return none.
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
