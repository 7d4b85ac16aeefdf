// The free-form reader over files: records, separators, null values, repeat
// counts, the slash, and end of file.
#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "recio/connect.h"
#include "recio/disconnect.h"
#include "recio/run.h"
#include "support/fake_platform.h"
#include "support/statements.h"
#include "support/work_dir.h"

namespace {

using recio::IoStatus;
constexpr std::optional<double> kNull = std::nullopt;

struct Statement {
  int items;
  std::vector<std::optional<double>> expected;  // values given back before the status
  IoStatus status = IoStatus::Ok;
};

struct ReaderCase {
  const char* name;
  std::string input;
  std::vector<Statement> statements;
};

void PrintTo(const ReaderCase& c, std::ostream* os) { *os << c.name; }

class ReaderTest : public ::testing::TestWithParam<ReaderCase> {};

TEST_P(ReaderTest, GivesTheValuesOfEachStatement) {
  const ReaderCase& c = GetParam();
  fake::FakePlatform platform;
  fake::WorkDir dir;
  fake::writeFile("input.txt", c.input);
  recio::IoControl control;
  ASSERT_EQ(recio::connectUnit(control, 1, "input.txt", "old", {}), IoStatus::Ok);
  for (std::size_t s = 0; s < c.statements.size(); ++s) {
    const Statement& statement = c.statements[s];
    fake::ReadOutcome outcome = fake::readDoubles(control, 1, statement.items);
    EXPECT_EQ(outcome.status, statement.status) << "statement " << s + 1;
    ASSERT_EQ(outcome.values.size(), statement.expected.size()) << "statement " << s + 1;
    for (std::size_t i = 0; i < outcome.values.size(); ++i) {
      EXPECT_EQ(outcome.values[i], statement.expected[i]) << "statement " << s + 1 << " item " << i + 1;
    }
  }
  EXPECT_EQ(platform.run([&] { recio::stopRun(control); }), 0);
  EXPECT_EQ(platform.liveAllocations(), 0U);
  EXPECT_EQ(platform.openDescriptors(), 0);
}

const std::vector<std::optional<double>> kOneToFive{1, 2, 3, 4, 5};

INSTANTIATE_TEST_SUITE_P(
    Separators, ReaderTest,
    ::testing::Values(
        ReaderCase{"blanks", "1.0 2.0 3.0 4.0 5.0\n", {{5, kOneToFive}}},
        ReaderCase{"commas", "1.0,2.0,3.0,4.0,5.0\n", {{5, kOneToFive}}},
        ReaderCase{"tabs", "1.0\t2.0\t\t3.0 \t4.0\t5.0\n", {{5, kOneToFive}}},
        ReaderCase{"several blanks and carriage return", "  1.0   2.0  3.0 4.0    5.0\r\n", {{5, kOneToFive}}},
        ReaderCase{"carriage return anywhere", "1.\r0 2.0 3.0 4.0 5.0\n", {{5, kOneToFive}}},
        ReaderCase{"values spread over lines, the rest of the last lost",
                   "1,2,3\n4 5 6\n7 8 9 10 11\n",
                   {{5, kOneToFive}, {5, {7, 8, 9, 10, 11}}}},
        ReaderCase{"empty and blank lines are passed over", "\n   \n\t\n1 2\n\n3 4 5\n", {{5, kOneToFive}}},
        ReaderCase{"no decimal comma", "1 000\n1,5\n", {{2, {1, 0}}, {2, {1, 5}}}},
        ReaderCase{"comma after blanks is one separator", "1.0 ,2.0\n1.0 , 2.0\n", {{2, {1, 2}}, {2, {1, 2}}}},
        ReaderCase{"value, null value, value", "1.0,, 2.0\n", {{3, {1, kNull, 2}}}},
        ReaderCase{"two commas give a null value", "1.0,,3.0,4.0,5.0\n", {{5, {1, kNull, 3, 4, 5}}}},
        ReaderCase{"leading comma is a null value", ",2.0\n", {{2, {kNull, 2}}}},
        ReaderCase{"comma opening the next line separates", "1.0\n,2.0\n", {{2, {1, 2}}}},
        ReaderCase{"blank before the line end makes the comma a null", "1.0 \n,2.0\n", {{3, {1, kNull, 2}}}},
        ReaderCase{"separator comma then a null", "1.0\n2.0,,3.0\n", {{4, {1, 2, kNull, 3}}}}),
    [](const auto& testInfo) { return "case" + std::to_string(testInfo.index); });

INSTANTIATE_TEST_SUITE_P(
    RepeatsAndSlash, ReaderTest,
    ::testing::Values(
        ReaderCase{"slash ends the statement", "1.0 2.0 / 9.0\n8\n", {{5, {1, 2, kNull, kNull, kNull}}, {1, {8}}}},
        ReaderCase{"repeat fills five", "5*0.25\n", {{5, {0.25, 0.25, 0.25, 0.25, 0.25}}}},
        ReaderCase{"two repeats", "2*1.0 3*2.0\n", {{5, {1, 1, 2, 2, 2}}}},
        ReaderCase{"repeated null", "3*,\n", {{3, {kNull, kNull, kNull}}}},
        ReaderCase{"repeat then blank", "3* 7.0\n", {{3, {7, 7, 7}}}},
        ReaderCase{"repeat at the line end", "3*\n7.0\n", {{3, {7, 7, 7}}}},
        ReaderCase{"zero repeat serves one", "0*4.0 5\n", {{2, {4, 5}}}},
        ReaderCase{"repeat outlasting the statement is dropped", "10*1.0\n2\n", {{5, {1, 1, 1, 1, 1}}, {1, {2}}}},
        ReaderCase{"wrapped repeat count serves one", "4294967296*3 4\n", {{2, {3, 4}}}},
        ReaderCase{"repeat of 2147483647", "2147483647*1.5\n", {{3, {1.5, 1.5, 1.5}}}},
        ReaderCase{"slash right after a value", "1 2/ 3\n", {{3, {1, 2, kNull}}}}),
    [](const auto& testInfo) { return "case" + std::to_string(testInfo.index); });

INSTANTIATE_TEST_SUITE_P(
    EndOfFile, ReaderTest,
    ::testing::Values(
        ReaderCase{"empty file", "", {{5, {}, IoStatus::EndOfFile}}},
        ReaderCase{"last line without line feed is no record", "1 2 3 4 5\n6 7 8 9 10", {{5, kOneToFive}, {5, {}, IoStatus::EndOfFile}}},
        ReaderCase{"end of file in the middle of a statement", "1 2 3\n", {{5, {1, 2, 3}, IoStatus::EndOfFile}}},
        ReaderCase{"end of file again after end of file", "", {{1, {}, IoStatus::EndOfFile}, {1, {}, IoStatus::EndOfFile}}},
        ReaderCase{"illegal character gives an error", "1 2 x 4 5\n6\n", {{5, {1, 2}, IoStatus::Error}, {1, {6}}}},
        ReaderCase{"repeat count with a sign is illegal", "+2*1.0\n", {{2, {}, IoStatus::Error}}},
        ReaderCase{"nul byte is an ordinary character", std::string("1 \0 3\n", 6), {{3, {1}, IoStatus::Error}}}),
    [](const auto& testInfo) { return "case" + std::to_string(testInfo.index); });

// A NaN never equals itself, so it is checked by its bit pattern apart.
TEST(ReaderValues, NotANumberWordsReadAsTheLayersNaN) {
  fake::FakePlatform platform;
  fake::WorkDir dir;
  fake::writeFile("input.txt", "NaN nonsense -n\n");
  recio::IoControl control;
  ASSERT_EQ(recio::connectUnit(control, 1, "input.txt", "old", {}), IoStatus::Ok);
  fake::ReadOutcome outcome = fake::readDoubles(control, 1, 3);
  ASSERT_EQ(outcome.status, IoStatus::Ok);
  ASSERT_EQ(outcome.values.size(), 3U);
  for (const auto& value : outcome.values) EXPECT_TRUE(value.has_value() && std::isnan(*value));
  EXPECT_TRUE(std::signbit(*outcome.values[2]));
  EXPECT_EQ(platform.run([&] { recio::stopRun(control); }), 0);
}

struct IntegerCase {
  std::string input;
  std::vector<std::optional<double>> expected;
  IoStatus status;
};

TEST(ReaderValues, IntegerItems) {
  const IntegerCase cases[] = {
      {"7\n", {7}, IoStatus::Ok},
      {"+7\n", {7}, IoStatus::Ok},
      {" 7 \n", {7}, IoStatus::Ok},
      {"-5\n", {-5}, IoStatus::Ok},
      {"2147483648\n", {-2147483648.0}, IoStatus::Ok},
      {"4294967297\n", {1}, IoStatus::Ok},
      {"2 3\n", {2}, IoStatus::Ok},
      {"2,garbage\n", {2}, IoStatus::Ok},
      {"\n\n3\n", {3}, IoStatus::Ok},
      {"7.0\n", {}, IoStatus::Error},
      {"7e0\n", {}, IoStatus::Error},
      {"seven\n", {}, IoStatus::Error},
  };
  for (const IntegerCase& c : cases) {
    fake::FakePlatform platform;
    fake::WorkDir dir;
    fake::writeFile("input.txt", c.input);
    recio::IoControl control;
    ASSERT_EQ(recio::connectUnit(control, 1, "input.txt", "old", {}), IoStatus::Ok);
    fake::ReadOutcome outcome = fake::readIntegers(control, 1, 1);
    EXPECT_EQ(outcome.status, c.status) << c.input;
    EXPECT_EQ(outcome.values, c.expected) << c.input;
    EXPECT_EQ(platform.run([&] { recio::stopRun(control); }), 0);
  }
}

// Records far longer than the buffers: the record text grows, nothing is lost.
TEST(ReaderValues, LongRecordsAndValues) {
  fake::FakePlatform platform;
  fake::WorkDir dir;
  std::string longValue = "1" + std::string(100000, '0');  // 1e100000: infinity
  std::string input = std::string(50000, ' ') + "3\t4 " + longValue + "\n" + std::string(20000, '\t') + "9\n";
  fake::writeFile("input.txt", input);
  recio::IoControl control;
  ASSERT_EQ(recio::connectUnit(control, 1, "input.txt", "old", {}), IoStatus::Ok);
  fake::ReadOutcome first = fake::readDoubles(control, 1, 3);
  ASSERT_EQ(first.status, IoStatus::Ok);
  EXPECT_EQ(first.values[0], 3.0);
  EXPECT_EQ(first.values[1], 4.0);
  EXPECT_TRUE(first.values[2].has_value() && std::isinf(*first.values[2]));
  fake::ReadOutcome second = fake::readDoubles(control, 1, 1);
  EXPECT_EQ(second.values, (std::vector<std::optional<double>>{9.0}));
  EXPECT_EQ(platform.run([&] { recio::stopRun(control); }), 0);
  EXPECT_EQ(platform.liveAllocations(), 0U);
}

}  // namespace
