// The reader's record path against the statement calls it stands for (the
// portable build runs it on the portable byte scans), and the fixed-field
// digits against the full generator's.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "recio/numbers/digit_generator.h"
#include "support/record_trace.h"
#include "support/work_dir.h"

namespace {

// Lines of one shape per column (as printf writes them: digits before and after the point, a sign), the
// values apart by blanks or by tabs, ended by line feeds or CR LF pairs, with random digits, some values off
// their column's shape, and now and then a line off the shape: a tab, a carriage return, a comma, an
// exponent, too few values or more, a slash, an empty line, a line longer than the record text.
std::string randomFile(std::mt19937_64& random) {
  int whole[5], fraction[5];
  std::size_t width[5];
  bool negative[5];
  for (int v = 0; v < 5; ++v) {
    whole[v] = static_cast<int>(random() % 10);
    fraction[v] = static_cast<int>(random() % 10);
    negative[v] = random() % 4 == 0;
    width[v] = static_cast<std::size_t>(whole[v] + fraction[v]) + 3 + random() % 3;
  }
  const std::string lineEnd = random() % 3 == 0 ? "\r\n" : "\n", tab = random() % 4 == 0 ? "\t" : "";
  std::string file;
  while (file.size() < 40000) {
    std::string line;
    for (int v = 0; v < 5; ++v) {
      const bool off = random() % 8 == 0;
      std::string value = negative[v] != (off && random() % 2 == 0) ? "-" : "";
      const int digits = off ? static_cast<int>(random() % 10) : whole[v];
      for (int d = 0; d < digits; ++d) value += static_cast<char>('0' + random() % 10);
      if (fraction[v] > 0 || digits == 0) value += '.';
      for (int d = 0; d < fraction[v]; ++d) value += static_cast<char>('0' + random() % 10);
      line += tab.empty() ? std::string(value.size() < width[v] ? width[v] - value.size() : 1, ' ') + value : tab + value;
    }
    const std::size_t at = random() % line.size();
    const char* const odd[] = {"\t", "\r", ",", " ,", "e2", "+", "/", " 1 2", ",,", "3*", "x"};
    switch (random() % 30) {
      case 0: line.insert(at, odd[random() % std::size(odd)]); break;
      case 1: line += odd[random() % std::size(odd)]; break;
      case 2: line.resize(at); break;
      case 3: line.clear(); break;
      case 4: line.insert(0, 1100, ' '); break;
      default: break;
    }
    file += line + lineEnd;
  }
  if (random() % 2 == 0) file += "1 2 3";
  return file;
}

// The trace of reading `input`, by the record path first or by the statement calls alone.
std::vector<std::uint64_t> readAll(const std::string& input, bool fast) {
  fake::FakePlatform platform;
  fake::WorkDir dir;
  fake::writeFile("quorvi.res", input);
  return fake::traceRecords(platform, "quorvi.res", fast);
}

TEST(FastRecord, LeavesWhatTheStatementCallsLeave) {
  std::mt19937_64 random(13);
  for (int n = 0; n <= 30 && !HasFailure(); ++n) {
    // The last: tabs that make each record text twice as long as its line, whose bytes then have no shape of it.
    std::string input = n < 30 ? randomFile(random) : "";
    for (int i = 0; n == 30 && i < 40; ++i) input += std::to_string(100 + i) + "\t456\t789\t12\t" + std::to_string(i % 10) + "\n";
    const std::vector<std::uint64_t> fast = readAll(input, true);
    const std::vector<std::uint64_t> general = readAll(input, false);
    ASSERT_EQ(fast.size(), general.size()) << "input " << n;
    const auto differ = std::mismatch(fast.begin(), fast.end(), general.begin());
    EXPECT_TRUE(differ.first == fast.end()) << "input " << n << ", trace entry " << differ.first - fast.begin();
  }
}

// The five styles fitting codes write, each with every line end, with and
// without '+' signs, over several blocks; some end without their last line
// feed, so that a record of a recent shape meets the block's end.
TEST(FastRecord, EveryStyleAsTheStatementCalls) {
  const struct {
    const char* name;
    const char* formats[5];
  } styles[] = {
      {.name = "fixed", .formats = {"%10.3f", " %12.6f", " %10.4f", " %8.3f", " %13.6f"}}, {.name = "%g", .formats = {"%g", " %g", " %g", " %g", " %g"}},
      {.name = "shortest", .formats = {"%.17g", " %.16g", " %.15g", " %.17g", " %.16g"}},  {.name = "list-directed", .formats = {"%25.15f", "%25.16E", "%25.17f", "%25.17f", "%25.14f"}},
      {.name = "ES", .formats = {"%26.16E", "%26.16E", "%26.16E", "%26.16E", "%26.16E"}},
  };
  std::mt19937_64 random(24);
  for (const auto& style : styles) {
    for (const char* lineEnd : {"\n", "\r\n", "\r"}) {
      for (const bool signs : {false, true}) {
        std::string input;
        for (int record = 0; record < 400; ++record) {
          for (int v = 0; v < 5; ++v) {
            std::string format = style.formats[v];
            if (signs) format.insert(format.find('%') + 1, "+");
            const double value = v == 2 ? std::ldexp(static_cast<double>(random() % 2001) - 1000, -10) : 50.0 + 12.5 * (record / 25) - 0.02 * (record % 25) * v;
            char text[64];
            std::snprintf(text, sizeof text, format.c_str(), value);
            input += text;
          }
          input += lineEnd;
        }
        if (random() % 2 == 0) input.resize(input.size() - 1 - (lineEnd[1] != 0));
        const std::vector<std::uint64_t> fast = readAll(input, true);
        ASSERT_EQ(fast, readAll(input, false)) << style.name << (signs ? ", signs" : "") << ", line end " << int{lineEnd[0]};
      }
    }
  }
}

// The fixed-field writer's digits: those before the rounding place and the
// exponent are the full generator's, for every magnitude and place.
TEST(FastRecord, RoundedDigitsAsAllDigits) {
  std::mt19937_64 random(17);
  for (int n = 0; n < 300000; ++n) {
    const double value = std::bit_cast<double>(random() >> (random() % 12));
    const auto places = static_cast<std::int32_t>(random() % 24) - 3;
    const recio::DecimalDigits all = recio::toDecimalDigits(value, places, recio::DigitMode::Fraction);
    const recio::DecimalDigits rounded = recio::toRoundedDigits(value, places, recio::DigitMode::Fraction);
    ASSERT_EQ(rounded.exponent, all.exponent) << value << " " << places;
    const auto read = static_cast<std::size_t>(std::clamp(all.exponent + places, 0, 20));
    ASSERT_EQ(std::string(rounded.digits, read), std::string(all.digits, read)) << value << " " << places;
  }
}

}  // namespace
