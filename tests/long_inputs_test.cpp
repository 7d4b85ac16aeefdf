// Inputs of 10 to 100 MB for the real chi2map binary (label long): a line
// without a line feed, numbers of 10 MB, ten million empty lines, binary
// garbage. Each must end as its small equivalent does, with the program's
// own peak memory within twice the longest record plus a few megabytes; the
// times are printed. Every input is built by appending, in time linear in
// its size.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <iostream>
#include <string>

#include "support/fixtures.h"
#include "support/launcher.h"
#include "support/work_dir.h"

namespace {

using namespace fixtures;
constexpr std::size_t kMegabyte = 1 << 20;
constexpr long kSlackKb = 16 * 1024;

// Bytes that no number may hold: 0x80..0xFF and NUL, with line feeds.
std::string garbage(std::size_t bytes) {
  std::string text(bytes, '\0');
  std::uint32_t state = 12345;
  for (char& c : text) {
    state = state * 1103515245U + 12345U;
    const std::uint32_t pick = (state >> 16) % 64;
    c = pick == 0 ? '\n' : pick == 1 ? '\0' : static_cast<char>(0x80 | ((state >> 8) & 0x7F));
  }
  return text;
}
const std::string kGarbage = garbage(kMegabyte);

// 10^N written with N zeros, then scaled back: 100.0; and 0.5 after N zeros.
const std::string kZeros(10 * kMegabyte, '0');
const std::string kHugeRecord =
    "1" + kZeros + "E-" + std::to_string(kZeros.size() - 2) + " 0.2 0 0." + kZeros + "5E" + std::to_string(kZeros.size()) + " 45.0\n";

struct LongCase {
  const char* name;
  std::function<std::string()> input;
  std::string reply;
  std::string err;
  int choice;  // the worked example's table that results
};

void PrintTo(const LongCase& c, std::ostream* os) { *os << c.name; }

std::size_t longestLine(const std::string& text) {
  std::size_t longest = 0;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    longest = std::max(longest, end - start);
  }
  return std::max(longest, text.size() - start);
}

class LongInput : public ::testing::TestWithParam<LongCase> {};

TEST_P(LongInput, EndsAsTheSmallInputInBoundedMemory) {
  const LongCase& c = GetParam();
  fake::WorkDir dir;
  const std::string input = c.input();
  fake::writeFile("quorvi.res", input);
  const fake::Outcome got = fake::runChi2map({.reply = c.reply, .timeoutSeconds = 120});
  EXPECT_FALSE(got.timedOut);
  EXPECT_EQ(got.status, 0);
  EXPECT_EQ(got.out, kWorkedOut);
  EXPECT_EQ(got.err, c.err);
  EXPECT_EQ(fake::readFile("table.dat"), kWorkedTable[c.choice]);
  const std::size_t longest = std::max(longestLine(input), longestLine(c.reply));
  EXPECT_LE(got.peakKb, static_cast<long>(2 * longest / 1024) + kSlackKb) << "longest record " << longest << " bytes";
  std::cout << "[ long     ] " << c.name << ": " << input.size() + c.reply.size() << " bytes in " << got.seconds
            << " s, peak " << got.peakKb / 1024 << " MB\n";
}

// The line that loading stops at: the first of the garbage that holds more than a line feed.
const long kGarbageLine = 9 + static_cast<long>(kGarbage.find_first_not_of('\n'));

INSTANTIATE_TEST_SUITE_P(
    Inputs, LongInput,
    ::testing::Values(
        LongCase{"line_of_100_MB_without_line_feed", [] { return kWorked + std::string(100 * kMegabyte, '7'); }, "1\n", kEndsInsideRecord, 1},
        LongCase{"numbers_of_10_MB", [] { return kWorked + kHugeRecord; }, "2\n", "", 2},
        LongCase{"ten_million_empty_lines", [] { return std::string(10'000'000, '\n') + kWorked + std::string(1000, '\n'); },
                 std::string(10'000'000, '\n') + "3\n", "", 3},
        LongCase{"binary_garbage_after_records", [] { return kWorked + kGarbage; }, "2\n", stoppedAtLine(kGarbageLine), 2}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

// The program alone: its memory does not grow with what the test process holds.
TEST(LongInput, PeakMemoryIsTheProgramsOwn) {
  fake::WorkDir dir;
  fake::writeFile("quorvi.res", "");
  const std::string held(200 * kMegabyte, 'x');
  const fake::Outcome got = fake::runChi2map({});
  EXPECT_EQ(got.status, 0);
  EXPECT_LT(got.peakKb, kSlackKb) << held.size() << " bytes held here";
}

}  // namespace
