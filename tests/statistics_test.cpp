// The chi-square distribution against published tables and closed forms,
// and the marginals against distributions whose answers are known.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <numbers>
#include <tuple>
#include <vector>

#include "fit/chi_square_law.h"
#include "fit/edges.h"
#include "fit/levels.h"
#include "fit/marginal.h"
#include "fit/numbers.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// Critical values of chi-square tables (upper tail 0.10, 0.05 and 0.01), to the tables' three decimals.
struct Critical {
  double dof, p10, p05, p01;
};
constexpr Critical kTable[] = {
    {.dof = 1, .p10 = 2.706, .p05 = 3.841, .p01 = 6.635},     {.dof = 2, .p10 = 4.605, .p05 = 5.991, .p01 = 9.210},     {.dof = 3, .p10 = 6.251, .p05 = 7.815, .p01 = 11.345},
    {.dof = 10, .p10 = 15.987, .p05 = 18.307, .p01 = 23.209}, {.dof = 30, .p10 = 40.256, .p05 = 43.773, .p01 = 50.892}, {.dof = 100, .p10 = 118.498, .p05 = 124.342, .p01 = 135.807},
};

TEST(ChiSquareLaw, PublishedCriticalValues) {
  for (const Critical& row : kTable) {
    const std::pair<double, double> cases[] = {{0.10, row.p10}, {0.05, row.p05}, {0.01, row.p01}};
    for (const auto& [tail, value] : cases) {
      SCOPED_TRACE(testing::Message() << "dof " << row.dof << ", tail " << tail);
      EXPECT_NEAR(fit::chiSquareQuantile(1 - tail, row.dof), value, 0.0006);
      // A table's value rounded by half a unit moves the tail by at most this.
      EXPECT_NEAR(fit::chiSquareAbove(value, row.dof), tail, 0.0005 * tail * 2);
    }
  }
}

TEST(ChiSquareLaw, ClosedForms) {
  for (const double x : {1e-300, 1e-8, 0.5, 1.0, 2.3, 9.0, 40.0, 700.0}) {
    SCOPED_TRACE(x);
    // Two degrees of freedom: exp(-x/2); one: erfc(sqrt(x/2)).
    EXPECT_NEAR(fit::chiSquareAbove(x, 2), std::exp(-x / 2), 1e-14 * std::exp(-x / 2));
    EXPECT_NEAR(fit::chiSquareAbove(x, 1), std::erfc(std::sqrt(x / 2)), 1e-13 * std::erfc(std::sqrt(x / 2)));
  }
  for (const double k : {0.5, 1.0, 2.0, 3.0, 5.0}) {
    SCOPED_TRACE(k);
    const double p = fit::sigmaProbability(k);
    EXPECT_NEAR(p, std::erf(k / std::numbers::sqrt2), 1e-15);
    // k sigma of one parameter is delta chi-square k^2; of two, -2 ln(1 - p).
    EXPECT_NEAR(fit::chiSquareQuantile(p, 1), k * k, 1e-9 * k * k);
    EXPECT_NEAR(fit::chiSquareQuantile(p, 2), -2 * std::log1p(-p), 1e-9 * k * k);
  }
  EXPECT_NEAR(fit::chiSquareQuantile(0.9, 1), 2.70554, 5e-6);
  EXPECT_NEAR(fit::chiSquareQuantile(fit::sigmaProbability(1), 2), 2.29575, 5e-6);
  EXPECT_NEAR(fit::chiSquareQuantile(fit::sigmaProbability(3), 2), 11.8292, 5e-5);
}

TEST(ChiSquareLaw, OutsideTheDomainNaNNeverAThrow) {
  for (const double dof : {0.0, -0.0, -1.0, kNaN, kInf}) {
    EXPECT_TRUE(std::isnan(fit::chiSquareAbove(1, dof))) << dof;
    EXPECT_TRUE(std::isnan(fit::chiSquareQuantile(0.5, dof))) << dof;
  }
  for (const double p : {-0.1, 1.0, 1.5, kNaN}) EXPECT_TRUE(std::isnan(fit::chiSquareQuantile(p, 3))) << p;
  EXPECT_EQ(fit::chiSquareQuantile(0.0, 3), 0.0);
  EXPECT_EQ(fit::chiSquareAbove(0.0, 3), 1.0);
  EXPECT_EQ(fit::chiSquareAbove(-0.0, 3), 1.0);
  EXPECT_EQ(fit::chiSquareAbove(kInf, 3), 0.0);
  EXPECT_TRUE(std::isnan(fit::chiSquareAbove(kNaN, 3)));
  EXPECT_EQ(fit::sigmaProbability(0), 0.0);
}

using Values = std::vector<double>;

Values spaced(std::size_t count, const std::function<double(double)>& at) {
  Values v;
  for (std::size_t m = 0; m < count; ++m) v.push_back(at(static_cast<double>(m)));
  return v;
}

// A grid whose chi-square is given at every cell; NaN leaves a cell missing.
fit::RecordGrid gridOf(const Values& t, const Values& yorp, const Values& fke, const std::function<double(double, double, double)>& chi2) {
  fit::RecordGrid grid;
  grid.axes = {t, yorp, fke};
  grid.cells.size = t.size() * yorp.size() * fke.size();
  grid.cells.data.reset(static_cast<double*>(std::malloc(grid.cells.size * sizeof(double))));
  std::size_t c = 0;
  for (const double x : t)
    for (const double y : yorp)
      for (const double z : fke) grid.cells.data[c++] = chi2(x, y, z);
  return grid;
}

TEST(Marginal, CellWidths) {
  EXPECT_EQ(fit::cellWidths({1, 2, 4}, false), (Values{0.5, 1.5, 1.0}));
  EXPECT_EQ(fit::cellWidths({7}, false), (Values{1.0}));
  EXPECT_EQ(fit::cellWidths({-1, 0}, false), (Values{0.5, 0.5}));
  const Values log = fit::cellWidths({1, std::numbers::e, std::numbers::e * std::numbers::e}, true);
  ASSERT_EQ(log.size(), 3u);
  EXPECT_NEAR(log[0], 0.5, 1e-15);
  EXPECT_NEAR(log[1], 1.0, 1e-15);
  EXPECT_NEAR(log[2], 0.5, 1e-15);
}

// Gaussian likelihoods on fine grids, above a smallest chi-square of 2000 (e^-1000 is 0 as a double): the marginal of
// T is normal with mean 300 and sigma 20 whatever YORP and f_KE do, so its median is 300 and its central intervals
// 300 -/+ k * 20. In log T with a logarithmic prior the same holds for ln T; a uniform prior in T on a likelihood
// Gaussian in ln T shifts the median to exp(mu + s^2).
struct KnownCase {
  const char* name;
  Values t;
  bool logT;
  std::function<double(double)> chi2OfT;
  double median;
  std::function<double(double)> interval;  // k sigma: the end at k (negative: the low end)
  double tolerance;
};

TEST(Marginal, KnownDistributions) {
  const double mu = std::log(300.0), s = 0.1;
  const KnownCase cases[] = {
      {.name = "uniform grid",
       .t = spaced(801, [](double m) { return 200 + 0.25 * m; }),
       .logT = false,
       .chi2OfT = [](double t) { return std::pow((t - 300) / 20, 2); },
       .median = 300,
       .interval = [](double k) { return 300 + 20 * k; },
       .tolerance = 0.01},
      {.name = "log grid, log prior",
       .t = spaced(1001, [&](double m) { return std::exp(mu - 5 * s + m * s / 100); }),
       .logT = true,
       .chi2OfT = [&](double t) { return std::pow((std::log(t) - mu) / s, 2); },
       .median = 300,
       .interval = [&](double k) { return std::exp(mu + k * s); },
       .tolerance = 0.05},
      {.name = "log grid, uniform prior",
       .t = spaced(1001, [&](double m) { return std::exp(mu - 5 * s + m * s / 100); }),
       .logT = false,
       .chi2OfT = [&](double t) { return std::pow((std::log(t) - mu) / s, 2); },
       .median = std::exp(mu + s * s),
       .interval = [&](double k) { return std::exp(mu + s * s + k * s); },
       .tolerance = 0.05},
  };
  const Values yorp = spaced(9, [](double m) { return 0.1 * m; });
  const Values fke = spaced(5, [](double m) { return 0.5 + m * m; });  // uneven widths
  for (const KnownCase& c : cases) {
    SCOPED_TRACE(c.name);
    const fit::RecordGrid grid = gridOf(c.t, yorp, fke, [&](double t, double y, double f) { return 2000 + c.chi2OfT(t) + 3 * (y - 0.4) * (y - 0.4) + (f - 2) * (f - 2); });
    const fit::Marginals m = fit::marginalsOf(grid, 2000, {c.logT, false, false}, {0.6827, 0.9545});
    EXPECT_EQ(m.missingCells, 0u);
    const fit::Marginal& t = m.parameters[fit::kT];
    EXPECT_NEAR(t.median, c.median, c.tolerance);
    ASSERT_EQ(t.intervals.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
      const double k = static_cast<double>(i + 1);
      EXPECT_EQ(t.intervals[i].probability, i == 0 ? 0.6827 : 0.9545);
      EXPECT_NEAR(t.intervals[i].low, c.interval(-k), c.tolerance * k);
      EXPECT_NEAR(t.intervals[i].high, c.interval(k), c.tolerance * k);
    }
    // The density integrates to 1 by the trapezoid rule over its variable.
    double area = 0;
    for (std::size_t n = 1; n < c.t.size(); ++n) {
      const double du = c.logT ? std::log(c.t[n]) - std::log(c.t[n - 1]) : c.t[n] - c.t[n - 1];
      area += (t.density[n - 1] + t.density[n]) / 2 * du;
    }
    EXPECT_NEAR(area, 1.0, 1e-12);
  }
}

// Direct sums written out cell by cell, against the marginals of grids with holes: a missing cell weighs exactly what a
// cell too unlikely for a double does, and the hole count is reported.
TEST(Marginal, HolesCarryNoWeight) {
  const Values t = {100, 150, 175, 300, 400}, yorp = {0.1, 0.2, 0.5}, fke = {1, 2};
  const auto bowl = [](double x, double y, double f) { return 10 + std::pow((x - 180) / 60, 2) + 9 * y + f; };
  const auto hole = [](double x, double y, double f) { return (x == 150 && f == 2) || (x == 300 && y == 0.1); };
  const fit::RecordGrid holes = gridOf(t, yorp, fke, [&](double x, double y, double f) { return hole(x, y, f) ? kNaN : bowl(x, y, f); });
  const fit::RecordGrid far = gridOf(t, yorp, fke, [&](double x, double y, double f) { return hole(x, y, f) ? 1e6 : bowl(x, y, f); });
  const double best = bowl(175, 0.1, 1);
  const fit::Marginals a = fit::marginalsOf(holes, best, {false, false, false}, {0.5});
  const fit::Marginals b = fit::marginalsOf(far, best, {false, false, false}, {0.5});
  EXPECT_EQ(a.missingCells, 5u);
  EXPECT_EQ(b.missingCells, 0u);
  for (std::size_t p = 0; p < 3; ++p) {
    EXPECT_EQ(a.parameters[p].density, b.parameters[p].density);
    EXPECT_EQ(a.parameters[p].median, b.parameters[p].median);
  }
  // T's density by hand: widths of YORP 0.05, 0.2, 0.15; of f_KE 0.5, 0.5.
  const double wy[] = {0.05, 0.2, 0.15};
  Values density;
  for (const double x : t) {
    double sum = 0;
    for (std::size_t j = 0; j < 3; ++j)
      for (const double f : fke)
        if (!hole(x, yorp[j], f)) sum += std::exp(-(bowl(x, yorp[j], f) - best) / 2) * wy[j] * 0.5;
    density.push_back(sum);
  }
  double area = 0;
  for (std::size_t n = 1; n < t.size(); ++n) area += (density[n - 1] + density[n]) / 2 * (t[n] - t[n - 1]);
  for (std::size_t n = 0; n < t.size(); ++n) EXPECT_NEAR(a.parameters[fit::kT].density[n], density[n] / area, 1e-15);
  // Where the cumulative sum crosses 1/2, by hand.
  double below = 0;
  std::size_t n = 1;
  for (;; ++n) {
    const double step = (density[n - 1] + density[n]) / 2 * (t[n] - t[n - 1]) / area;
    if (below + step >= 0.5) {
      EXPECT_NEAR(a.parameters[fit::kT].median, t[n - 1] + (0.5 - below) / step * (t[n] - t[n - 1]), 1e-9);
      break;
    }
    below += step;
  }
  // T and f_KE scaled by 2^600 or 2^-600 (products of their widths beyond the doubles' range): T's median
  // and interval scale with them exactly, its density by the inverse.
  const fit::Marginal base = fit::marginalsOf(gridOf(t, yorp, fke, bowl), best, {false, false, false}, {0.5}).parameters[fit::kT];
  for (const double k : {0x1p600, 0x1p-600}) {
    Values kt, kf;
    for (const double x : t) kt.push_back(x * k);
    for (const double f : fke) kf.push_back(f * k);
    const fit::Marginal m = fit::marginalsOf(gridOf(kt, yorp, kf, [&](double x, double y, double f) { return bowl(x / k, y, f / k); }), best, {false, false, false}, {0.5}).parameters[fit::kT];
    ASSERT_EQ(m.density.size(), t.size());
    for (std::size_t i = 0; i < t.size(); ++i) EXPECT_EQ(m.density[i], base.density[i] / k);
    EXPECT_EQ(m.median, base.median * k);
    EXPECT_EQ(m.intervals.at(0).high, base.intervals.at(0).high * k);
  }
}

TEST(Marginal, EdgesOfTheInput) {
  // A single value: the marginal is that value; its intervals too.
  const fit::Marginals one = fit::marginalsOf(gridOf({5}, {0.2, 0.4}, {1, 2, 3}, [](double, double y, double f) { return y + f; }), 1.2, {false, false, false}, {0.68});
  EXPECT_EQ(one.parameters[fit::kT].median, 5);
  EXPECT_EQ(one.parameters[fit::kT].density, (Values{1.0}));
  EXPECT_EQ(fit::marginalsOf(gridOf({5e200}, {0.2, 0.4}, {1, 2, 3}, [](double, double y, double f) { return y + f; }), 1.2, {false, false, false}, {0.68}).parameters[fit::kT].density, (Values{1.0}));
  EXPECT_EQ(one.parameters[fit::kT].intervals.at(0).low, 5);
  EXPECT_EQ(one.parameters[fit::kT].intervals.at(0).high, 5);
  // Every cell missing: no density, NaN medians, no throw.
  const fit::Marginals none = fit::marginalsOf(gridOf({1, 2}, {1}, {1}, [](double, double, double) { return kNaN; }), kNaN, {false, false, false}, {0.68});
  EXPECT_EQ(none.missingCells, 2u);
  for (const fit::Marginal& m : none.parameters) {
    EXPECT_TRUE(m.density.empty());
    EXPECT_TRUE(std::isnan(m.median));
  }
  // All weight in one cell of the edge: the median and the intervals stay
  // within the grid, never beyond its first value.
  const fit::Marginals edge = fit::marginalsOf(gridOf({1, 2, 3}, {1}, {1}, [](double t, double, double) { return t == 1 ? 0 : 5000; }), 0, {false, false, false}, {0.9});
  const fit::Marginal& t = edge.parameters[fit::kT];
  EXPECT_GE(t.intervals[0].low, 1);
  EXPECT_LT(t.intervals[0].high, 2);
  EXPECT_GT(t.median, 1);
  EXPECT_LT(t.median, 2);
  // Equal weight on a log grid: the cumulative sum meets 1/2 at 10 itself,
  // which is the grid value, not exp(log 10) one unit in the last place off.
  const fit::Marginals even = fit::marginalsOf(gridOf({1, 10, 100}, {1}, {1}, [](double, double, double) { return 3; }), 3, {true, false, false}, {0.5});
  EXPECT_EQ(even.parameters[fit::kT].median, 10);
}

TEST(Levels, SigmasProbabilitiesScaleAndRelative) {
  struct Row {
    const char* name;
    fit::LevelChoice choice;
    double chi2Min;
    std::vector<double> intervals, contours;
    std::vector<std::string> names;
  };
  const Row rows[] = {
      {.name = "sigmas", .choice = {.sigmas = {1, 2, 3}}, .chi2Min = 10, .intervals = {1, 4, 9}, .contours = {2.2957489, 6.1800743, 11.829158}, .names = {"1 sigma", "2 sigma", "3 sigma"}},
      {.name = "probabilities", .choice = {.probabilities = {0.9, 0.99}}, .chi2Min = 10, .intervals = {2.7055435, 6.6348966}, .contours = {4.6051702, 9.2103404}, .names = {"90%", "99%"}},
      {.name = "scaled by chi2min / dof = 3", .choice = {.sigmas = {1}, .dof = 10, .scale = true}, .chi2Min = 30, .intervals = {3}, .contours = {3 * 2.2957489}, .names = {"1 sigma x 3"}},
      {.name = "a reduced chi-square below 1 scales nothing", .choice = {.sigmas = {2}, .dof = 10, .scale = true}, .chi2Min = 5, .intervals = {4}, .contours = {6.1800743}, .names = {"2 sigma"}},
      {.name = "relative, not scaled",
       .choice = {.sigmas = {1}, .dof = 8, .scale = true, .relative = true},
       .chi2Min = 4,
       .intervals = {1, 2},
       .contours = {2.2957489, 2},
       .names = {"1 sigma", "chi2min sqrt(2/dof)"}},
      {.name = "--scale without the degrees of freedom does nothing",
       .choice = {.sigmas = {1}, .scale = true, .relative = true},
       .chi2Min = 400,
       .intervals = {1},
       .contours = {2.2957489},
       .names = {"1 sigma"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const std::vector<fit::Level> intervals = fit::intervalLevels(row.choice, row.chi2Min);
    const std::vector<fit::Level> contours = fit::contourLevels(row.choice, row.chi2Min);
    ASSERT_EQ(intervals.size(), row.intervals.size());
    ASSERT_EQ(contours.size(), row.contours.size());
    for (std::size_t l = 0; l < intervals.size(); ++l) {
      EXPECT_NEAR(intervals[l].deltaChi2, row.intervals[l], 5e-7 * row.intervals[l]);
      EXPECT_NEAR(contours[l].deltaChi2, row.contours[l], 5e-7 * row.contours[l]);
      EXPECT_EQ(intervals[l].name, row.names[l]);
      EXPECT_FALSE(intervals[l].origin.empty());
    }
  }
  // k sigma of one parameter is k^2 to the last bit.
  EXPECT_EQ(fit::intervalLevels({.sigmas = {3}}, 0).at(0).deltaChi2, 9.0);
  EXPECT_EQ(fit::levelScale({.dof = 10, .scale = true}, 25), 2.5);
  EXPECT_EQ(fit::levelScale({.dof = 10, .scale = false}, 25), 1.0);
}

TEST(Levels, KeyTexts) {
  const std::pair<double, const char*> rows[] = {{2.2957489, "2.30"}, {6.1800743, "6.18"}, {11.829158, "11.8"}, {1, "1.00"},          {0.5, "0.500"},
                                                 {10, "10.0"},        {250, "250"},        {2.7055435, "2.71"}, {1234.5, "1.23e+03"}, {9.2103404, "9.21"}};
  for (const auto& [value, text] : rows) EXPECT_EQ(fit::keyText(value), text) << value;
}

// More digits only where those asked for would round a probability below 1 up to 100%.
TEST(Levels, PercentTexts) {
  const std::tuple<double, int, const char*> rows[] = {
      {0.6827, 4, "68.27%"}, {0.9, 6, "90%"},       {0.99995, 4, "99.995%"}, {0.99999999999, 6, "99.999999999%"}, {std::nextafter(1.0, 0.0), 4, "99.99999999999999%"},
      {1, 4, "100%"},        {1e-300, 4, "1e-298%"}};
  for (const auto& [p, digits, text] : rows) EXPECT_EQ(fit::percentText(p, digits), text) << p;
}

// Where the grid's edge cuts a fit short, and where a missing value does
// not: profiles over the grid 10, 20, 30, 40, the best value at `best`.
TEST(Edges, BestValuesAndRangesAtTheEdge) {
  struct Row {
    const char* name;
    Values profile;
    double best;
    std::vector<std::string> warnings;
  };
  const Row rows[] = {
      {.name = "inside", .profile = {9, 0, 3, 9}, .best = 20, .warnings = {}},
      {.name = "best last",
       .profile = {9, 9, 3, 0},
       .best = 40,
       .warnings = {"T's best value 40 lies at the edge of the grid: the minimum may lie beyond it", "T's 1 sigma range is open at the edge of the grid (40): the interval may reach beyond it"}},
      {.name = "open at both edges", .profile = {0.5, 0, 0.5, 0.9}, .best = 20, .warnings = {"T's 1 sigma range is open at the edge of the grid (10 and 40): the interval may reach beyond it"}},
      {.name = "open at a missing value only", .profile = {9, kNaN, 0, 9}, .best = 30, .warnings = {}},
      {.name = "open at a missing value above only", .profile = {9, 0, kNaN, 9}, .best = 20, .warnings = {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    fit::RecordGrid grid;
    grid.axes = {Values{10, 20, 30, 40}, Values{1}, Values{1}};
    fit::GridFit fitted;
    fitted.smallestChiSquare = 0;
    fitted.parameters[fit::kT].best = row.best;
    fitted.parameters[fit::kT].profile = row.profile;
    fitted.parameters[fit::kYorp].profile = fitted.parameters[fit::kFke].profile = {0};
    fit::addIntervals(grid, fitted, {1});
    EXPECT_EQ(fit::edgeWarnings(grid, fitted, fit::intervalLevels({.sigmas = {1}}, 0)), row.warnings);
    const auto errors = fit::errorsOf(fitted.parameters[fit::kT].intervals.at(0), row.best);
    EXPECT_EQ(errors.has_value(), row.warnings.empty() && row.name[0] == 'i');
  }
}

TEST(Edges, ErrorsToThreeSignificantDigits) {
  const std::pair<double, const char*> rows[] = {{117.34, "117"},           {68.44, "68.4"},    {25, "25.0"},       {0.05, "0.0500"}, {1234.5, "1230"}, {99.96, "100"},
                                                 {0.000123456, "0.000123"}, {1e-6, "1.00e-06"}, {2e15, "2.00e+15"}, {0, "0"},         {-0.0, "0"},      {0.0000123456, "0.0000123"}};
  for (const auto& [value, text] : rows) EXPECT_EQ(fit::significantText(value, 3), text) << value;
  EXPECT_EQ(fit::errorsText({117.34, 68.44}), "+117/-68.4");
}

// A grid is written to the fewest decimals that give its values back, up to ten; finer ones by their step or a finer first value but 0.
TEST(Edges, GridDecimals) {
  const std::pair<std::vector<double>, int> rows[] = {{{100, 200, 300}, 0}, {{0, 0.5, 1}, 1},        {{0.02, 0.04}, 2}, {{1e-10, 2e-10, 3e-10}, 10},
                                                      {{1e-11, 2e-11}, 16}, {{0, 1e-11, 2e-11}, 16}, {{1e-11, 1}, 16}};
  for (const auto& [grid, decimals] : rows) EXPECT_EQ(fit::gridDecimals(grid), decimals) << grid.front();
  // A grid value read from "-0.0" is written as 0, in the table and in the figure's script.
  EXPECT_EQ(fit::fixedText(-0.0, 2) + " " + fit::exactText(-0.0), "0.00 0");
}

}  // namespace
