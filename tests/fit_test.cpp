// chi2map-fit's ranges and how its reading ends; its outputs on generated
// grids are compared whole in tests/tools/fit_oracle.py.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "fit/profile.h"
#include "fit/record_grid.h"
#include "fit/report.h"
#include "support/fake_platform.h"
#include "support/work_dir.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
using Values = std::vector<double>;

TEST(FitRanges, EdgesMissingValuesAndBasins) {
  // The profile over the grid 0..n-1 (or `grid`); ranges as {low, high, lowOpen, highOpen}.
  struct Row {
    const char* name;
    Values profile;
    double limit;
    std::vector<fit::Range> ranges;
    Values grid{};
  };
  const std::vector<Row> rows = {
      {.name = "closed", .profile = {9, 3, 1, 3, 9}, .limit = 2, .ranges = {{1.5, 2.5, false, false}}},
      {.name = "at_the_limit", .profile = {9, 2, 1, 2, 9}, .limit = 2, .ranges = {{1, 3, false, false}}},
      {.name = "open_at_edges", .profile = {1, 1.5, 3}, .limit = 2, .ranges = {{0, 1 + 1.0 / 3, true, false}}},
      {.name = "missing_neighbours", .profile = {kNaN, 1, kNaN, 1.5, 5}, .limit = 2, .ranges = {{1, 1, true, true}, {3, 3 + 0.5 / 3.5, true, false}}},
      {.name = "two_basins", .profile = {1, 5, 1.5, 9}, .limit = 2, .ranges = {{0, 0.25, true, false}, {2 - 0.5 / 3.5, 2 + 0.5 / 7.5, false, false}}},
      {.name = "nothing_within", .profile = {kNaN, kNaN}, .limit = 2, .ranges = {}},
      {.name = "distance_overflows", .profile = {4, 1}, .limit = 2, .ranges = {{1e308 / 3, 1e308, false, true}}, .grid = {-1e308, 1e308}},
  };
  for (const Row& row : rows) {
    Values grid = row.grid;
    for (std::size_t m = grid.size(); m < row.profile.size(); ++m) grid.push_back(static_cast<double>(m));
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

// A panel's heading: the errors where the range holding the best value is closed, else the first
// level's ranges with their open ends; a density's median with the distances to its first interval's ends.
TEST(FitHeadings, ErrorsRangesAndMedians) {
  fit::FitReport report;
  report.grid.axes = {Values{100, 200, 300, 400}, Values{0.1, 0.2, 0.3, 0.4}, Values{1}};
  report.levels = {{1, "1 sigma", ""}, {4, "2 sigma", ""}};
  report.fit.parameters[fit::kT] = {300, {}, {{1, {{250, 325, false, false}}}, {4, {{150, 400, false, true}}}}};
  report.fit.parameters[fit::kYorp] = {0.2, {}, {{1, {{0.1, 0.15, true, false}, {0.19, 0.4, false, true}}}, {4, {{0.1, 0.4, true, true}}}}};
  report.fit.parameters[fit::kFke] = {1, {}, {}};
  report.marginals = fit::Marginals{};
  report.marginals->parameters[fit::kT] = {{1}, 281.37, {{0.9, 230, 340}, {0.99, 150, 400}}};
  EXPECT_EQ(fit::intervalHeading(report, fit::kT), "T = 300 +25.0/-50.0 (1 sigma)");
  EXPECT_EQ(fit::intervalHeading(report, fit::kYorp), "YORP strength = 0.2  [0.1 (open), 0.15], [0.19, 0.4 (open)] (1 sigma)");
  EXPECT_EQ(fit::intervalHeading(report, fit::kFke), "f_KE = 1, a single value");
  EXPECT_EQ(fit::marginalHeading(report, fit::kT), "T = 281.4 +58.6/-51.4 (90%)");
}

TEST(FitReading, HowReadingEnded) {
  struct Row {
    const char* name;
    const char* file;  // nullptr: no file
    std::int64_t records = 0, stoppedAt = 0;
    bool insideRecord = false;
    std::int64_t nonFinite = 0, firstNonFiniteLine = 0;
    std::string failure{};
  };
  const std::vector<Row> rows = {
      {.name = "clean", .file = "1 2 3 4 5\n\n1 2 3 5 6\n", .records = 2},
      {.name = "empty", .file = ""},
      {.name = "heading_in_the_middle", .file = "1 2 3 4 5\nT YORP\n1 2 3 4 6\n", .records = 1, .stoppedAt = 2},
      {.name = "no_last_line_feed", .file = "1 2 3 4 5\n1 2 3 4", .records = 1, .insideRecord = true},
      {.name = "whole_record_without_a_last_line_feed", .file = "1 2 3 4 5\r1 2 3 5 6", .records = 2},
      {.name = "non_finite", .file = "1 inf 3 4 5\n1 2 3 4 5\nnan 1 1 1 1\n1 1 1 1 -inf\n", .records = 1, .nonFinite = 3, .firstNonFiniteLine = 1},
      {.name = "yorp_doubled_past_the_largest", .file = "1 1e308 3 4 5\n", .nonFinite = 1, .firstNonFiniteLine = 1},
      {.name = "missing", .file = nullptr, .failure = "No such file or directory"},
  };
  for (const Row& row : rows) {
    fake::WorkDir dir;
    if (row.file != nullptr) fake::writeFile("quorvi.res", row.file);
    const fit::GridReading reading = fit::readRecordGrid("quorvi.res");
    EXPECT_EQ(reading.end.failure.why(), row.failure) << row.name;
    EXPECT_EQ(reading.grid.records, row.records) << row.name;
    EXPECT_EQ(reading.end.stoppedAtLine, row.stoppedAt) << row.name;
    EXPECT_EQ(reading.end.endsInsideRecord, row.insideRecord) << row.name;
    EXPECT_EQ(reading.end.nonFiniteRecords, row.nonFinite) << row.name;
    EXPECT_EQ(reading.end.firstNonFiniteLine, row.firstNonFiniteLine) << row.name;
  }
  // Both zeros are one value, written +0.
  fake::WorkDir dir;
  fake::writeFile("zeros.res", "-0 1 0 1 -0\n0 1 -0 1 0\n");
  const fit::GridReading zeros = fit::readRecordGrid("zeros.res");
  ASSERT_EQ(zeros.grid.cells.size, 1u);
  EXPECT_FALSE(std::signbit(zeros.grid.axes[fit::kT][0]) || std::signbit(zeros.grid.axes[fit::kFke][0]) || std::signbit(zeros.grid.cells[0]));
  fake::FakePlatform platform;  // a read failing after the records: its error, not a fit of what was read
  platform.addFault({fake::Call::Read, 2, EIO});
  EXPECT_EQ(fit::readRecordGrid("zeros.res").end.failure.why(), "Input/output error");
}

// The near search's edges: lists that begin empty, a value met one past the end of its list (0 among them), a row
// coming back to its first value (-0 for +0); and axes met out of order, holes counted.
TEST(FitReading, GridsWhereTheNearSearchEnds) {
  struct Row {
    const char* name;
    const char* file;
    std::array<Values, 3> axes;
    Values cells;
    std::uint64_t filled;
  };
  const std::vector<Row> rows = {
      {.name = "zeros_first_then_back_to_the_first_fke",
       .file = "0 0 0 0 3\n0 0 0 1 4\n0 0 0 -0 2\n1 0 0 1 5\n",
       .axes = {Values{0, 1}, Values{0}, Values{0, 1}},
       .cells = {2, 4, kNaN, 5},
       .filled = 3},
      {.name = "a_new_zero_past_the_last_value",
       .file = "1 1 1 1 1\n2 1 1 1 2\n0 1 1 1 3\n2 1 1 0 4\n",
       .axes = {Values{0, 1, 2}, Values{2}, Values{0, 1}},
       .cells = {kNaN, 3, kNaN, 1, 4, 2},
       .filled = 4},
  };
  for (const Row& row : rows) {
    fake::WorkDir dir;
    fake::writeFile("quorvi.res", row.file);
    const fit::GridReading reading = fit::readRecordGrid("quorvi.res");
    for (const fit::Parameter a : {fit::kT, fit::kYorp, fit::kFke}) EXPECT_EQ(reading.grid.axes[a], row.axes[a]) << row.name;
    ASSERT_EQ(reading.grid.cells.size, row.cells.size()) << row.name;
    for (std::size_t c = 0; c < row.cells.size(); ++c)
      EXPECT_TRUE(reading.grid.cells[c] == row.cells[c] || (std::isnan(reading.grid.cells[c]) && std::isnan(row.cells[c]))) << row.name << " cell " << c;
    EXPECT_EQ(reading.grid.filledCells, row.filled) << row.name;
  }
}

}  // namespace
