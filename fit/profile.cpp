#include "fit/profile.h"

#include <cmath>
#include <limits>

#include "fit/interpolation.h"

namespace fit {
namespace {

constexpr double kMissing = std::numeric_limits<double>::quiet_NaN();

// The smaller of a running minimum and a cell; missing cells never win.
void lower(double& running, double cell) {
  if (cell < running || std::isnan(running)) running = std::isnan(cell) ? running : cell;
}

// Where the profile crosses `limit` between an inside value and an outside one.
double crossing(double xInside, double inside, double xOutside, double outside, double limit) {
  // inside <= limit < outside: the fraction lies in [0, 1).
  return between(xInside, xOutside, (limit - inside) / (outside - inside));
}

}  // namespace

double smallestOf(const std::vector<double>& values) {
  double running = kMissing;
  for (const double v : values) lower(running, v);
  return running;
}

std::vector<Range> rangesWithin(const std::vector<double>& grid, const std::vector<double>& profile, double limit) {
  std::vector<Range> ranges;
  const std::size_t n = grid.size();
  for (std::size_t m = 0; m < n;) {
    if (!(profile[m] <= limit)) {
      ++m;
      continue;
    }
    std::size_t last = m;
    while (last + 1 < n && profile[last + 1] <= limit) ++last;
    Range range{grid[m], grid[last], true, true};
    if (m > 0 && !std::isnan(profile[m - 1])) {
      range.low = crossing(grid[m], profile[m], grid[m - 1], profile[m - 1], limit);
      range.lowOpen = false;
    }
    if (last + 1 < n && !std::isnan(profile[last + 1])) {
      range.high = crossing(grid[last], profile[last], grid[last + 1], profile[last + 1], limit);
      range.highOpen = false;
    }
    ranges.push_back(range);
    m = last + 1;
  }
  return ranges;
}

GridFit fitGrid(const RecordGrid& grid, const std::vector<double>& deltas) {
  GridFit fit;
  std::array<std::vector<double>, 3> profiles;
  for (const Parameter a : datafiles::kParameters) profiles[a].assign(grid.axes[a].size(), kMissing);
  fit.smallestChiSquare = kMissing;
  grid.forEachCell([&](std::size_t i, std::size_t j, std::size_t k, double chiSquare) {
    if (std::isnan(chiSquare)) return;
    // Strictly smaller only: the first of equal ones, in the order of
    // the loops, has the smallest T, then YORP strength, then f_KE.
    if (chiSquare < fit.smallestChiSquare || std::isnan(fit.smallestChiSquare)) {
      fit.smallestChiSquare = chiSquare;
      fit.bestCell = {i, j, k};
    }
    lower(profiles[kT][i], chiSquare);
    lower(profiles[kYorp][j], chiSquare);
    lower(profiles[kFke][k], chiSquare);
  });
  for (const Parameter a : datafiles::kParameters) {
    fit.parameters[a].best = grid.axes[a][fit.bestCell[a]];
    fit.parameters[a].profile = std::move(profiles[a]);
  }
  addIntervals(grid, fit, deltas);
  return fit;
}

void addIntervals(const RecordGrid& grid, GridFit& fit, const std::vector<double>& deltas) {
  for (const Parameter a : datafiles::kParameters)
    for (const double delta : deltas)
      fit.parameters[a].intervals.push_back(
          {delta, rangesWithin(grid.axes[a], fit.parameters[a].profile, fit.smallestChiSquare + delta)});
}

std::vector<double> profileMap(const RecordGrid& grid, Parameter x, Parameter y) {
  const std::size_t nY = grid.size(y);
  std::vector<double> map(grid.size(x) * nY, kMissing);
  grid.forEachCell([&](std::size_t i, std::size_t j, std::size_t k, double chiSquare) {
    const std::array<std::size_t, 3> at = {i, j, k};
    lower(map[at[x] * nY + at[y]], chiSquare);
  });
  return map;
}

}  // namespace fit
