// chi2map-fit's grid and fit: generated files with a known minimum, read
// through the record layer, against a computation from the same numbers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "support/work_dir.h"
#include "tools/fit/profile.h"
#include "tools/fit/record_grid.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
using Values = std::vector<double>;

Values spaced(int count, const std::function<double(int)>& at) {
  Values v;
  for (int m = 0; m < count; ++m) v.push_back(at(m));
  return v;
}

// Fifteen significant digits: the record layer's conversion and from_chars
// then give the same double.
std::string text(double value) {
  char buffer[40];
  return std::string(buffer, std::to_chars(buffer, buffer + 40, value, std::chars_format::general, 15).ptr);
}

double parsed(const std::string& s) {
  double value = 0;
  std::from_chars(s.data(), s.data() + s.size(), value);
  return value;
}

struct GridCase {
  const char* name;
  Values t, yorp, fke;  // YORP as written, before doubling
  std::function<double(double, double, double)> chi2;
  bool yorpAscending = false, shuffled = false;
  std::function<bool(double, double, double)> skip = [](double, double, double) { return false; };
};

void PrintTo(const GridCase& c, std::ostream* os) { *os << c.name; }

// Two passes, the second worse, as appended fitting runs write them.
std::vector<std::array<std::string, 5>> recordsOf(const GridCase& c) {
  std::vector<std::array<std::string, 5>> records;
  Values yorp = c.yorp;
  std::sort(yorp.begin(), yorp.end());
  if (!c.yorpAscending) std::reverse(yorp.begin(), yorp.end());
  for (int pass = 0; pass < 2; ++pass)
    for (const double t : c.t)
      for (const double y : yorp)
        for (const double f : c.fke)
          if (!c.skip(t, y, f)) records.push_back({text(t), text(y), "0", text(f), text(c.chi2(t, 2 * y, f) + 7 * pass)});
  if (c.shuffled) std::shuffle(records.begin(), records.end(), std::mt19937(18));
  return records;
}

// The fit from the record texts alone: a map of cells, profiles by brute
// force, each range walked out from its values.
struct Expected {
  std::array<Values, 3> axes;
  double chi2Min = INFINITY;
  std::array<double, 3> best{};
  std::array<Values, 3> profiles;
  std::array<std::vector<fit::Range>, 3> ranges;
};

Expected expectedFrom(const std::vector<std::array<std::string, 5>>& records, double delta) {
  std::map<std::tuple<double, double, double>, double> cells;
  std::array<std::set<double>, 3> axes;
  for (const auto& r : records) {
    const std::array<double, 3> at = {parsed(r[0]), 2 * parsed(r[1]), parsed(r[3])};
    for (std::size_t a = 0; a < 3; ++a) axes[a].insert(at[a]);
    auto [cell, added] = cells.try_emplace({at[0], at[1], at[2]}, parsed(r[4]));
    cell->second = std::min(cell->second, parsed(r[4]));
  }
  Expected e;
  for (std::size_t a = 0; a < 3; ++a) {
    e.axes[a].assign(axes[a].begin(), axes[a].end());
    e.profiles[a].assign(e.axes[a].size(), kNaN);
  }
  for (const auto& [at, chi2] : cells) {  // ascending T, YORP, f_KE: the first smallest wins ties
    const std::array<double, 3> v = {std::get<0>(at), std::get<1>(at), std::get<2>(at)};
    if (chi2 < e.chi2Min) {
      e.chi2Min = chi2;
      e.best = v;
    }
    for (std::size_t a = 0; a < 3; ++a) {
      const auto m = static_cast<std::size_t>(std::find(e.axes[a].begin(), e.axes[a].end(), v[a]) - e.axes[a].begin());
      if (!(e.profiles[a][m] <= chi2)) e.profiles[a][m] = chi2;
    }
  }
  const double limit = e.chi2Min + delta;
  for (std::size_t a = 0; a < 3; ++a) {
    const Values& x = e.axes[a];
    const Values& p = e.profiles[a];
    const auto in = [&](std::size_t m) { return p[m] <= limit; };
    // An end: interpolated to where the line from the inside value to the
    // outside one reaches the limit; open at the edge or a missing value.
    const auto end = [&](std::size_t inside, std::ptrdiff_t outside, double& value, bool& open) {
      open = outside < 0 || outside >= static_cast<std::ptrdiff_t>(x.size()) || std::isnan(p[static_cast<std::size_t>(outside)]);
      if (open) {
        value = x[inside];
        return;
      }
      const auto o = static_cast<std::size_t>(outside);
      value = x[inside] + (x[o] - x[inside]) * ((limit - p[inside]) / (p[o] - p[inside]));
    };
    for (std::size_t m = 0; m < x.size(); ++m) {
      if (!in(m) || (m > 0 && in(m - 1))) continue;
      std::size_t last = m;
      while (last + 1 < x.size() && in(last + 1)) ++last;
      fit::Range r;
      end(m, static_cast<std::ptrdiff_t>(m) - 1, r.low, r.lowOpen);
      end(last, static_cast<std::ptrdiff_t>(last) + 1, r.high, r.highOpen);
      e.ranges[a].push_back(r);
    }
  }
  return e;
}

double bowl(double t, double y, double f) { return 400 + std::pow((t - 420) / 60, 2) + std::pow((y - 0.5) / 0.2, 2) + std::pow((f - 1.2) / 0.3, 2) + (t - 420) * (y - 0.5) / 40; }

class GridTest : public ::testing::TestWithParam<GridCase> {};

void expectNear(double actual, double expected, const std::string& what) { EXPECT_NEAR(actual, expected, 1e-9 * std::max(1.0, std::fabs(expected))) << what; }

TEST_P(GridTest, FitEqualsTheRecordsOwnMinimaInAnyOrder) {
  const GridCase& c = GetParam();
  fake::WorkDir dir;
  const auto records = recordsOf(c);
  std::array<fit::GridReading, 2> readings;
  for (std::size_t order = 0; order < 2; ++order) {
    std::string file;
    auto lines = records;
    if (order == 1) std::reverse(lines.begin(), lines.end());
    for (const auto& r : lines) file += r[0] + " " + r[1] + " " + r[2] + " " + r[3] + " " + r[4] + "\n";
    fake::writeFile("quorvi.res", file);
    readings[order] = fit::readRecordGrid("quorvi.res");
  }
  const fit::RecordGrid& grid = readings[0].grid;
  ASSERT_EQ(readings[0].end.failure, 0);
  EXPECT_EQ(grid.records, static_cast<std::int64_t>(records.size()));
  // The same file in another order: the same grid, bit for bit.
  EXPECT_EQ(grid.axes, readings[1].grid.axes);
  ASSERT_EQ(grid.cells.size, readings[1].grid.cells.size);
  EXPECT_EQ(0, std::memcmp(grid.cells.data.get(), readings[1].grid.cells.data.get(), grid.cells.size * sizeof(double)));

  const Expected e = expectedFrom(records, 1.0);
  const fit::GridFit fit = fit::fitGrid(grid, {1.0, 4.0});
  expectNear(fit.chi2Min, e.chi2Min, "chi2 min");
  for (std::size_t a = 0; a < 3; ++a) {
    const std::string name = fit::kParameterNames[a];
    ASSERT_EQ(grid.axes[a], e.axes[a]) << name;
    expectNear(fit.parameters[a].best, e.best[a], name + " best");
    const Values& profile = fit.parameters[a].profile;
    for (std::size_t m = 0; m < profile.size(); ++m)
      if (std::isnan(e.profiles[a][m]))
        EXPECT_TRUE(std::isnan(profile[m])) << name << m;
      else
        expectNear(profile[m], e.profiles[a][m], name + " profile");
    const auto& ranges = fit.parameters[a].intervals.at(0).ranges;
    ASSERT_EQ(ranges.size(), e.ranges[a].size()) << name;
    for (std::size_t r = 0; r < ranges.size(); ++r) {
      expectNear(ranges[r].low, e.ranges[a][r].low, name + " low");
      expectNear(ranges[r].high, e.ranges[a][r].high, name + " high");
      EXPECT_EQ(ranges[r].lowOpen, e.ranges[a][r].lowOpen) << name;
      EXPECT_EQ(ranges[r].highOpen, e.ranges[a][r].highOpen) << name;
    }
  }
}

const Values kT = spaced(12, [](int m) { return 200 + 40 * m; });
const Values kYorp = spaced(9, [](int m) { return 0.05 + 0.025 * m; });
const Values kFke = spaced(7, [](int m) { return 0.6 + 0.2 * m; });

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Files, GridTest,
    ::testing::Values(
        GridCase{"sorted", kT, kYorp, kFke, bowl},
        GridCase{"yorp_ascending", kT, kYorp, kFke, bowl, true},
        GridCase{"shuffled", kT, kYorp, kFke, bowl, false, true},
        GridCase{"plane_missing", kT, kYorp, kFke, bowl, false, true, [](double tv, double, double) { return tv == 400; }},
        GridCase{"cells_missing", kT, kYorp, kFke, bowl, false, false,
                 [](double tv, double y, double f) { return std::fmod(tv + 1000 * y + 10 * f, 7) < 1.5; }},
        GridCase{"non_uniform", spaced(12, [](int m) { return 200 + 4.0 * m * m; }), {0.05, 0.1, 0.3, 0.31, 0.5}, kFke, bowl},
        GridCase{"t_130_values", spaced(130, [](int m) { return 100 + 5 * m; }), {0.2, 0.25}, {1.0, 1.2}, bowl, false, true},
        GridCase{"fke_step_0_05", {400, 440}, {0.25}, spaced(39, [](int m) { return 0.1 + 0.05 * m; }), bowl},
        GridCase{"two_basins", spaced(40, [](int m) { return 10.0 * m; }), {0.25, 0.3}, {1.2}, [](double tv, double y, double f) {
                   return 50 + std::min(std::pow((tv - 100) / 40, 2), 0.4 + std::pow((tv - 300) / 30, 2)) + y + f; }},
        GridCase{"edge_minimum", kT, kYorp, kFke, [](double tv, double y, double f) { return 10 + tv / 100 + y - f; }},
        GridCase{"ties", {1, 2, 3}, {1, 2}, {1, 2}, [](double tv, double, double) { return std::fabs(tv - 2) + 5; }}),
    [](const ::testing::TestParamInfo<GridCase>& c) { return std::string(c.param.name); });
// clang-format on

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
    const Values grid = spaced(static_cast<int>(row.profile.size()), [](int m) { return m; });
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
