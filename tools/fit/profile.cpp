#include "tools/fit/profile.h"

#include <cmath>
#include <limits>

namespace fit {
namespace {

constexpr double kMissing = std::numeric_limits<double>::quiet_NaN();

// The smaller of a running minimum and a cell; missing cells never win.
double smaller(double running, double cell) {
  if (std::isnan(cell)) return running;
  return std::isnan(running) || cell < running ? cell : running;
}

// Walks from the minimum at `best` one way (step -1 or +1) over the present
// values until one lies above `limit`.
Bound boundOf(const std::vector<double>& grid, const std::vector<double>& profile, std::size_t best, int step,
              double limit) {
  std::size_t inside = best;
  for (std::size_t m = best; step < 0 ? m > 0 : m + 1 < profile.size();) {
    m = step < 0 ? m - 1 : m + 1;
    if (std::isnan(profile[m])) continue;
    if (profile[m] > limit) {
      // profile[inside] <= limit < profile[m]: the fraction lies in [0, 1).
      const double fraction = (limit - profile[inside]) / (profile[m] - profile[inside]);
      return {grid[inside] + fraction * (grid[m] - grid[inside]), false};
    }
    inside = m;
  }
  return {grid[inside], true};
}

}  // namespace

std::vector<double> gridValues(int count, double smallest, double largest) {
  std::vector<double> values;
  if (count <= 0) return values;
  const double step = (largest - smallest) / static_cast<double>(count - 1);
  values.reserve(static_cast<std::size_t>(count));
  for (int m = 1; m <= count; ++m) {
    const double offset = static_cast<double>(m - 1) * step;
    values.push_back(smallest + offset);
  }
  return values;
}

bool isNumberGrid(const std::vector<double>& grid) {
  if (grid.size() < 2) return false;
  for (const double g : grid)
    if (!std::isfinite(g)) return false;
  return true;
}

std::vector<double> rowProfile(const Plane& plane) {
  std::vector<double> profile(plane.rows, kMissing);
  for (std::size_t r = 0; r < plane.rows; ++r)
    for (std::size_t c = 0; c < plane.columns; ++c) profile[r] = smaller(profile[r], plane.at(r, c));
  return profile;
}

std::vector<double> columnProfile(const Plane& plane) {
  std::vector<double> profile(plane.columns, kMissing);
  for (std::size_t r = 0; r < plane.rows; ++r)
    for (std::size_t c = 0; c < plane.columns; ++c) profile[c] = smaller(profile[c], plane.at(r, c));
  return profile;
}

double smallestOf(const std::vector<double>& values) {
  double running = kMissing;
  for (const double v : values) running = smaller(running, v);
  return running;
}

ParameterFit fitProfile(const std::vector<double>& grid, const std::vector<double>& profile) {
  ParameterFit fit;
  if (grid.size() == 1) {
    fit.status = ParameterFit::Status::SingleValue;
    return fit;
  }
  if (!isNumberGrid(grid)) {
    fit.status = ParameterFit::Status::GridNotNumbers;
    return fit;
  }
  fit.minimum = smallestOf(profile);
  if (std::isnan(fit.minimum) || profile.size() != grid.size()) return fit;
  std::size_t best = 0;
  while (profile[best] != fit.minimum) ++best;
  const double limit = fit.minimum + 1.0;
  fit.status = ParameterFit::Status::Fitted;
  fit.best = grid[best];
  fit.lower = boundOf(grid, profile, best, -1, limit);
  fit.upper = boundOf(grid, profile, best, +1, limit);
  return fit;
}

}  // namespace fit
