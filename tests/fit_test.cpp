// chi2map-fit: reading chi2map's summary and tables, profiles and 1-sigma
// intervals on small grids with answers worked out by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "tools/fit/chi2map_output.h"
#include "tools/fit/profile.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
using Status = fit::ParameterFit::Status;

struct IntervalCase {
  const char* name;
  std::vector<double> grid;
  std::vector<double> profile;
  Status status;
  double best, lower, upper;
  bool lowerOpen, upperOpen;
};

void PrintTo(const IntervalCase& c, std::ostream* os) { *os << c.name; }

class IntervalTest : public ::testing::TestWithParam<IntervalCase> {};

TEST_P(IntervalTest, BestValueAndBounds) {
  const IntervalCase& c = GetParam();
  const fit::ParameterFit fit = fit::fitProfile(c.grid, c.profile);
  ASSERT_EQ(fit.status, c.status);
  if (c.status != Status::Fitted) return;
  EXPECT_EQ(fit.best, c.best);
  EXPECT_NEAR(fit.lower.value, c.lower, 1e-12);
  EXPECT_NEAR(fit.upper.value, c.upper, 1e-12);
  EXPECT_EQ(fit.lower.open, c.lowerOpen);
  EXPECT_EQ(fit.upper.open, c.upperOpen);
}

// 100 + (x - 5)^2 / 2 on 0..10: 100.5 at 4 and 6 lies inside, 102 at 3 and
// 7 outside, so each end is a third of a step beyond 4 and 6.
const std::vector<double> kParabola = {112.5, 108, 104.5, 102, 100.5, 100, 100.5, 102, 104.5, 108, 112.5};

INSTANTIATE_TEST_SUITE_P(
    Profiles, IntervalTest,
    ::testing::Values(
        IntervalCase{"parabola", fit::gridValues(11, 0, 10), kParabola, Status::Fitted, 5, 11.0 / 3, 19.0 / 3, false, false},
        IntervalCase{"open_below", {1, 2, 3, 4}, {100, 100.5, 102, 105}, Status::Fitted, 1, 1, 2 + 1.0 / 3, true, false},
        IntervalCase{"open_above", {1, 2, 3, 4}, {105, 102, 100.9, 100}, Status::Fitted, 4, 3 - 0.1 / 1.1, 4, false, true},
        // The ends step over missing cells to the next chi-square there is.
        IntervalCase{"missing_cells", {0, 1, 2, 3, 4, 5}, {110, kNaN, 100, 100.4, kNaN, 103}, Status::Fitted, 2, 1.8,
                     3 + 2 * 0.6 / 2.6, false, false},
        IntervalCase{"missing_to_the_edge", {0, 1, 2}, {105, 100, kNaN}, Status::Fitted, 1, 0.8, 1, false, true},
        // A tie keeps the first minimum; the stretch runs over both.
        IntervalCase{"tied_minimum", {0, 1, 2, 3}, {103, 100, 100, 103}, Status::Fitted, 1, 2.0 / 3, 7.0 / 3, false, false},
        IntervalCase{"single_value", fit::gridValues(1, 0.5, 0.5), {100}, Status::SingleValue, 0, 0, 0, false, false},
        IntervalCase{"nan_labels", {kNaN, kNaN}, {100, 101}, Status::GridNotNumbers, 0, 0, 0, false, false},
        IntervalCase{"no_chi_square", {1, 2}, {kNaN, kNaN}, Status::NoChiSquare, 0, 0, 0, false, false}),
    [](const ::testing::TestParamInfo<IntervalCase>& c) { return std::string(c.param.name); });

TEST(FitGrid, ValuesAsChi2mapLabelsThem) {
  // Steps of 0.05, which the table rounds to 0.1, 0.2, 0.2, 0.3.
  const auto fke = fit::gridValues(4, 0.1, 0.25);
  ASSERT_EQ(fke.size(), 4u);
  for (std::size_t m = 0; m < 4; ++m) EXPECT_DOUBLE_EQ(fke[m], 0.1 + 0.05 * static_cast<double>(m));
  // A single value, equal ends or not (all negative: largest stays 0).
  EXPECT_TRUE(std::isnan(fit::gridValues(1, 0.5, 0.5)[0]));
  EXPECT_TRUE(std::isnan(fit::gridValues(1, -5, 0)[0]));
}

TEST(FitTables, SummaryAndTableAsChi2mapWritesThem) {
  const std::string console =
      "  values of T   :   2\n  min,max values:   100.000000000000  200.000000000000\n"
      "  values of YORP:   2\n  min,max values:   4.000000000000000E-002  0.400000000000000\n"
      "  values of f_KE:   1\n  min,max values:   0.500000000000000  0.500000000000000\n"
      "  chi2min,-max:   12.5000000000000  50.0000000000000\n  Which projection you want?\n";
  fit::Summary summary;
  std::string error;
  ASSERT_TRUE(fit::readSummary(console, summary, error)) << error;
  EXPECT_EQ(summary.axes[fit::kYorp].count, 2);
  EXPECT_EQ(summary.axes[fit::kYorp].smallest, 0.04);
  EXPECT_EQ(summary.axes[fit::kFke].count, 1);
  EXPECT_EQ(summary.chi2Smallest, 12.5);
  EXPECT_FALSE(fit::readSummary(console.substr(0, 120), summary, error));

  // Asterisks and NaN are missing cells; the planes' profiles skip them.
  const std::string table =
      " 100.0 0.0400 ********\n 100.0 0.4000     30.0\n\n 200.0 0.0400      NaN\n 200.0 0.4000     12.5\n\n";
  fit::Plane plane;
  ASSERT_TRUE(fit::readTable(table, 1, 2, 2, plane, error)) << error;
  EXPECT_EQ(fit::rowProfile(plane), (std::vector<double>{30.0, 12.5}));
  const auto columns = fit::columnProfile(plane);
  EXPECT_TRUE(std::isnan(columns[0]));
  EXPECT_EQ(columns[1], 12.5);
  // Another shape than the summary's counts, or another layout.
  EXPECT_FALSE(fit::readTable(table, 1, 2, 3, plane, error));
  EXPECT_FALSE(fit::readTable(table, 2, 2, 2, plane, error));
}

}  // namespace
