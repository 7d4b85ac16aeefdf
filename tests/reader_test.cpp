// The free-form reader over files: records, separators, null values, repeat counts, the slash, and end of file.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "recio/reader/read_statement.h"
#include "recio/run.h"
#include "recio/statements.h"
#include "support/fake_platform.h"
#include "support/statements.h"
#include "support/work_dir.h"

namespace {

using recio::IoStatus;
using Values = std::vector<std::optional<double>>;
constexpr std::optional<double> kNull = std::nullopt;

struct Statement {
  int items;
  Values expected;  // values given back before the status
  IoStatus status = IoStatus::Ok;
};

struct ReaderCase {
  const char* name;
  std::string input;
  std::vector<Statement> statements;
};

void PrintTo(const ReaderCase& c, std::ostream* os) { *os << c.name; }

// Connects `input` as unit 1, runs `read` and stops; nothing may be left behind.
template <typename Body>
void withInput(const std::string& input, Body read) {
  fake::FakePlatform platform;
  fake::WorkDir dir;
  fake::writeFile("input.txt", input);
  recio::IoControl control;
  ASSERT_EQ(recio::connectUnit(control, 1, "input.txt", "old", {}), IoStatus::Ok);
  read(control);
  EXPECT_EQ(platform.run([&] { recio::stopRun(control); }), 0);
  EXPECT_EQ(platform.liveAllocations(), 0U);
  EXPECT_EQ(platform.openDescriptors(), 0);
}

class ReaderTest : public ::testing::TestWithParam<ReaderCase> {};

TEST_P(ReaderTest, GivesTheValuesOfEachStatement) {
  const ReaderCase& c = GetParam();
  withInput(c.input, [&](recio::IoControl& control) {
    for (std::size_t s = 0; s < c.statements.size(); ++s) {
      const fake::ReadOutcome outcome = fake::readDoubles(control, 1, c.statements[s].items);
      EXPECT_EQ(outcome.status, c.statements[s].status) << "statement " << s + 1;
      EXPECT_EQ(outcome.values, c.statements[s].expected) << "statement " << s + 1;
    }
  });
}

std::string caseName(const ::testing::TestParamInfo<ReaderCase>& info) { return info.param.name; }

const Values kOneToFive{1, 2, 3, 4, 5};
// A value whose first character is an asterisk is no repeat count (found by fuzzing).
const std::string kAsteriskThenTabs = "*" + std::string(127, '\t') + ".0  * 3 *0.21.25\n";

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Separators, ReaderTest,
    ::testing::Values(
        ReaderCase{"several_blanks_and_carriage_return", "  1.0   2.0  3.0 4.0    5.0\r\n", {{5, kOneToFive}}}, ReaderCase{"carriage_return_ends_a_line_and_a_value", "1.\r0 2.0 3.0 4.0 5.0\n", {{5, {1, 0, 2, 3, 4}}}},
        ReaderCase{"line_ends_of_every_kind", "1\r2\r\n3\n\r4\r\r5\n", {{1, {1}}, {1, {2}}, {1, {3}}, {1, {4}}, {1, {5}}, {1, {}, IoStatus::EndOfFile}}},
        ReaderCase{"values_spread_over_lines_the_rest_of_the_last_lost", "1,2,3\n4 5 6\n7 8 9 10 11\n", {{5, kOneToFive}, {5, {7, 8, 9, 10, 11}}}},
        ReaderCase{"exponent_letter_or_sign_without_digits", "1.5E 2.5e+,3d- 4D 5E\n", {{5, {1.5, 2.5, 3, 4, 5}}}}, ReaderCase{"no_decimal_comma", "1 000\n1,5\n", {{2, {1, 0}}, {2, {1, 5}}}}, ReaderCase{"comma_after_blanks_is_one_separator", "1.0 ,2.0\n1.0 , 2.0\n", {{2, {1, 2}}, {2, {1, 2}}}}, ReaderCase{"blank_then_two_commas_give_a_null_value", "1.0 ,,3.0 , ,5.0\n", {{5, {1, kNull, 3, kNull, 5}}}},
        ReaderCase{"value_null_value_value", "1.0,, 2.0\n", {{3, {1, kNull, 2}}}}, ReaderCase{"two_commas_give_a_null_value", "1.0,,3.0,4.0,5.0\n", {{5, {1, kNull, 3, 4, 5}}}}, ReaderCase{"leading_comma_is_a_null_value", ",2.0\n", {{2, {kNull, 2}}}}, ReaderCase{"empty_and_blank_lines_are_passed_over", "\n   \n\t\n1 2\n\n3 4 5\n", {{5, kOneToFive}}},
        ReaderCase{"comma_opening_the_next_line_separates", "1.0\n,2.0\n", {{2, {1, 2}}}}, ReaderCase{"comma_after_blanks_opening_the_next_line_separates", "1.0\n  ,2.0\n", {{2, {1, 2}}}}, ReaderCase{"comma_alone_on_the_next_line_separates", "1.0\n,\n2.0\n", {{2, {1, 2}}}}, ReaderCase{"comma_after_a_repeat_at_the_line_end_separates", "3*1.0\n,2.0\n", {{4, {1, 1, 1, 2}}}},
        ReaderCase{"blank_before_the_line_end_makes_the_comma_a_null", "1.0 \n,2.0\n", {{3, {1, kNull, 2}}}}, ReaderCase{"separator_comma_then_a_null", "1.0\n2.0,,3.0\n", {{4, {1, 2, kNull, 3}}}}),
    caseName);
// clang-format on

INSTANTIATE_TEST_SUITE_P(
    RepeatsAndSlash, ReaderTest,
    ::testing::Values(ReaderCase{"slash_ends_the_statement", "1.0 2.0 / 9.0\n8\n", {{5, {1, 2, kNull, kNull, kNull}}, {1, {8}}}},
                      ReaderCase{"repeat_fills_five", "5*0.25\n", {{5, {0.25, 0.25, 0.25, 0.25, 0.25}}}}, ReaderCase{"two_repeats", "2*1.0 3*2.0\n", {{5, {1, 1, 2, 2, 2}}}},
                      ReaderCase{"repeated_null", "3*,\n", {{3, {kNull, kNull, kNull}}}}, ReaderCase{"repeat_then_blank", "3* 7.0\n", {{3, {7, 7, 7}}}},
                      ReaderCase{"repeat_at_the_line_end", "3*\n7.0\n", {{3, {7, 7, 7}}}}, ReaderCase{"empty_value_after_a_count_is_the_next_one", "2* 1 2 3 4\n", {{5, {1, 1, 2, 3, 4}}}},
                      ReaderCase{"zero_repeat_serves_one", "0*4.0 5\n", {{2, {4, 5}}}}, ReaderCase{"repeat_outlasting_the_statement_is_dropped", "10*1.0\n2\n", {{5, {1, 1, 1, 1, 1}}, {1, {2}}}},
                      ReaderCase{"repeat_of_2147483647", "2147483647*1.5\n", {{3, {1.5, 1.5, 1.5}}}}, ReaderCase{"repeat_of_2147483648_serves_one", "2147483648*4.0 5\n", {{2, {4, 5}}}},
                      ReaderCase{"repeat_wrapped_to_0_serves_one", "4294967296*3 4\n", {{2, {3, 4}}}}, ReaderCase{"repeat_wrapped_to_1_serves_one", "4294967297*3.0 4\n", {{2, {3, 4}}}},
                      ReaderCase{"slash_right_after_a_value", "1 2/ 3\n", {{3, {1, 2, kNull}}}}, ReaderCase{"sixty_four_items", "64*7\n", {{64, Values(64, 7.0)}}}),
    caseName);

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    EndOfFileAndErrors, ReaderTest,
    ::testing::Values(
        ReaderCase{"empty_file", "", {{5, {}, IoStatus::EndOfFile}}}, ReaderCase{"last_line_without_line_feed_is_no_record", "1 2 3 4 5\n6 7 8 9 10", {{5, kOneToFive}, {5, {}, IoStatus::EndOfFile}}},
        ReaderCase{"end_of_file_in_the_middle_of_a_statement", "1 2 3\n", {{5, {1, 2, 3}, IoStatus::EndOfFile}}}, ReaderCase{"end_of_file_again_after_end_of_file", "", {{1, {}, IoStatus::EndOfFile}, {1, {}, IoStatus::EndOfFile}}},
        ReaderCase{"illegal_character_gives_an_error", "1 2 x 4 5\n6\n", {{5, {1, 2}, IoStatus::Error}, {1, {6}}}}, ReaderCase{"repeat_count_with_a_minus_is_illegal", "-2*1.0\n", {{2, {}, IoStatus::Error}}},
        ReaderCase{"asterisk_alone", "* 1 2 3 4 5\n", {{5, {}, IoStatus::Error}}}, ReaderCase{"asterisk_before_a_value", "*5 1 2 3 4\n", {{5, {}, IoStatus::Error}}}, ReaderCase{"two_asterisks", "1 ** 2 3 4\n", {{5, {1}, IoStatus::Error}}},
        ReaderCase{"asterisk_then_127_tabs", kAsteriskThenTabs, {{5, {}, IoStatus::Error}}}, ReaderCase{"repeat_count_with_a_plus_is_illegal", "+2*1.0\n", {{2, {}, IoStatus::Error}}}, ReaderCase{"repeat_count_with_a_plus_after_a_value", "1 +3*2.0\n", {{2, {1}, IoStatus::Error}}},
        ReaderCase{"nul_byte_is_an_ordinary_character", std::string("1 \0 3\n", 6), {{3, {1}, IoStatus::Error}}}, ReaderCase{"line_feed_right_after_a_nul_byte_ends_the_line", std::string("1 2 \0\n3 4\n", 10), {{2, {1, 2}}, {2, {3, 4}}}}),
    caseName);
// clang-format on

// Each line end counts one line, a carriage return and line feed pair too
// when a read ends between the two: the line each one-item statement ends on.
TEST(ReaderLines, EveryKindOfLineEndCountsOnce) {
  const struct {
    std::string input;
    std::vector<std::int64_t> lines;
  } cases[] = {{"1\r\n2\r\n3\r\n", {1, 2, 3}}, {"1\r\r\n2\n\r3\r", {1, 3, 5}}, {"\r\n\r\n\n1\r\n\r2\n", {4, 6}}};
  for (const auto& c : cases) {
    for (const std::size_t chunk : {1U, 2U, 3U, 8192U}) {
      fake::FakePlatform platform;
      platform.serveFromMemory("input.txt", c.input, chunk);
      recio::IoControl control;
      ASSERT_EQ(recio::connectUnit(control, 1, "input.txt", "old", {}), IoStatus::Ok);
      for (const std::int64_t line : c.lines) {
        EXPECT_EQ(fake::readDoubles(control, 1, 1).status, IoStatus::Ok);
        EXPECT_EQ(recio::inputPosition(control, 1).line, line) << c.input << " in reads of " << chunk;
      }
      EXPECT_EQ(fake::readDoubles(control, 1, 1).status, IoStatus::EndOfFile);
      EXPECT_FALSE(recio::inputPosition(control, 1).endedInsideRecord);
      EXPECT_EQ(platform.run([&] { recio::stopRun(control); }), 0);
    }
  }
}

// One integer item, as the menu reply is read.
TEST(ReaderValues, IntegerItems) {
  const struct {
    std::string input;
    Values expected;
    IoStatus status;
  } cases[] = {
      {"7\n", {7}, IoStatus::Ok},     {" 7 \n", {7}, IoStatus::Ok},       {"-5\n", {-5}, IoStatus::Ok},     {"3\r\n", {3}, IoStatus::Ok},   {"4294967298\n", {2}, IoStatus::Ok},
      {"2 3\n", {2}, IoStatus::Ok},   {"2,garbage\n", {2}, IoStatus::Ok}, {"2*3\n", {3}, IoStatus::Ok},     {"\n\n3\n", {3}, IoStatus::Ok}, {" \t \n2\n", {2}, IoStatus::Ok},
      {",\n", {kNull}, IoStatus::Ok}, {"/\n", {kNull}, IoStatus::Ok},     {"", {}, IoStatus::EndOfFile},    {"2", {}, IoStatus::EndOfFile}, {"\n\n  \n", {}, IoStatus::EndOfFile},
      {"7.0\n", {}, IoStatus::Error}, {"7e0\n", {}, IoStatus::Error},     {"seven\n", {}, IoStatus::Error},
  };
  for (const auto& c : cases) {
    withInput(c.input, [&](recio::IoControl& control) {
      const fake::ReadOutcome outcome = fake::readIntegers(control, 1, 1);
      EXPECT_EQ(outcome.status, c.status) << c.input;
      EXPECT_EQ(outcome.values, c.expected) << c.input;
    });
  }
}

}  // namespace
