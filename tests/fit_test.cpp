// chi2map-fit's ranges and how its reading ends; its outputs on generated
// grids are compared whole in tools/fit_oracle.py.
#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "fit/profile.h"
#include "fit/record_grid.h"
#include "support/work_dir.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
using Values = std::vector<double>;

TEST(FitRanges, EdgesMissingValuesAndBasins) {
  // name, profile over 0..n-1, limit, ranges as {low, high, lowOpen, highOpen}
  struct Row {
    const char* name;
    Values profile;
    double limit;
    std::vector<fit::Range> ranges;
  };
  // clang-format off
  const std::vector<Row> rows = {
      {"closed", {9, 3, 1, 3, 9}, 2, {{1.5, 2.5, false, false}}},
      {"at_the_limit", {9, 2, 1, 2, 9}, 2, {{1, 3, false, false}}},
      {"open_at_edges", {1, 1.5, 3}, 2, {{0, 1 + 1.0 / 3, true, false}}},
      {"missing_neighbours", {kNaN, 1, kNaN, 1.5, 5}, 2, {{1, 1, true, true}, {3, 3 + 0.5 / 3.5, true, false}}},
      {"two_basins", {1, 5, 1.5, 9}, 2, {{0, 0.25, true, false}, {2 - 0.5 / 3.5, 2 + 0.5 / 7.5, false, false}}},
      {"nothing_within", {kNaN, kNaN}, 2, {}},
  };
  // clang-format on
  for (const Row& row : rows) {
    Values grid(row.profile.size());
    for (std::size_t m = 0; m < grid.size(); ++m) grid[m] = static_cast<double>(m);
    const auto ranges = fit::rangesWithin(grid, row.profile, row.limit);
    ASSERT_EQ(ranges.size(), row.ranges.size()) << row.name;
    for (std::size_t r = 0; r < ranges.size(); ++r) {
      EXPECT_DOUBLE_EQ(ranges[r].low, row.ranges[r].low) << row.name;
      EXPECT_DOUBLE_EQ(ranges[r].high, row.ranges[r].high) << row.name;
      EXPECT_EQ(ranges[r].lowOpen, row.ranges[r].lowOpen) << row.name;
      EXPECT_EQ(ranges[r].highOpen, row.ranges[r].highOpen) << row.name;
    }
  }
}

TEST(FitReading, HowReadingEnded) {
  struct Row {
    const char* name;
    const char* file;  // nullptr: no file
    std::int64_t records, stoppedAt;
    bool insideRecord;
    std::int64_t nonFinite, firstNonFiniteLine;
    int failure;
  };
  // clang-format off
  const std::vector<Row> rows = {
      {"clean", "1 2 3 4 5\n\n1 2 3 5 6\n", 2, 0, false, 0, 0, 0},
      {"empty", "", 0, 0, false, 0, 0, 0},
      {"heading_in_the_middle", "1 2 3 4 5\nT YORP\n1 2 3 4 6\n", 1, 2, false, 0, 0, 0},
      {"no_last_line_feed", "1 2 3 4 5\n1 2 3 4", 1, 0, true, 0, 0, 0},
      {"whole_record_without_a_last_line_feed", "1 2 3 4 5\r1 2 3 5 6", 2, 0, false, 0, 0, 0},
      {"non_finite", "1 inf 3 4 5\n1 2 3 4 5\nnan 1 1 1 1\n1 1 1 1 -inf\n", 1, 0, false, 3, 1, 0},
      {"yorp_doubled_past_the_largest", "1 1e308 3 4 5\n", 0, 0, false, 1, 1, 0},
      {"missing", nullptr, 0, 0, false, 0, 0, ENOENT},
  };
  // clang-format on
  for (const Row& row : rows) {
    fake::WorkDir dir;
    if (row.file != nullptr) fake::writeFile("quorvi.res", row.file);
    const fit::GridReading reading = fit::readRecordGrid("quorvi.res");
    EXPECT_EQ(reading.end.failure, row.failure) << row.name;
    EXPECT_EQ(reading.grid.records, row.records) << row.name;
    EXPECT_EQ(reading.end.stoppedAtLine, row.stoppedAt) << row.name;
    EXPECT_EQ(reading.end.endsInsideRecord, row.insideRecord) << row.name;
    EXPECT_EQ(reading.end.nonFiniteRecords, row.nonFinite) << row.name;
    EXPECT_EQ(reading.end.firstNonFiniteLine, row.firstNonFiniteLine) << row.name;
  }
  // A directory cannot be read; both zeros are one value, written +0.
  fake::WorkDir dir;
  EXPECT_EQ(fit::readRecordGrid(dir.path()).end.failure, EISDIR);
  fake::writeFile("zeros.res", "-0 1 0 1 -0\n0 1 -0 1 0\n");
  const fit::GridReading zeros = fit::readRecordGrid("zeros.res");
  ASSERT_EQ(zeros.grid.cells.size, 1u);
  EXPECT_FALSE(std::signbit(zeros.grid.axes[fit::kT][0]) || std::signbit(zeros.grid.axes[fit::kFke][0]) || std::signbit(zeros.grid.cells[0]));
}

}  // namespace
