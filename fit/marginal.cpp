#include "fit/marginal.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "fit/interpolation.h"

namespace fit {
namespace {

// The variable a prior is uniform in.
std::vector<double> coordinates(const std::vector<double>& values, bool logarithmic) {
  std::vector<double> u(values);
  if (logarithmic)
    for (double& x : u) x = std::log(x);
  return u;
}

// A power of two that brings the largest coordinate's magnitude into [1, 2)
// where it lies beyond 2^100 or below 2^-100: the distances between grid
// values, the products of two cells' widths and the trapezoid sums would
// overflow or vanish there. 1 elsewhere: no rounding changes.
double coordinateScale(const std::vector<double>& u) {
  double largest = 0;
  for (const double x : u) largest = std::max(largest, std::fabs(x));
  if (u.size() < 2 || largest == 0 || (largest >= 0x1p-100 && largest <= 0x1p100)) return 1.0;
  return std::ldexp(1.0, -std::ilogb(largest));
}

std::vector<double> widthsOf(const std::vector<double>& u) {
  const std::size_t n = u.size();
  std::vector<double> widths(n, 1.0);
  if (n < 2) return widths;
  for (std::size_t m = 0; m < n; ++m) {
    const double below = m > 0 ? (u[m] - u[m - 1]) / 2 : 0.0;
    const double above = m + 1 < n ? (u[m + 1] - u[m]) / 2 : 0.0;
    widths[m] = below + above;
  }
  return widths;
}

// Every present cell's likelihood, times the widths of the two other
// axes, added to the density of each parameter at the cell's value.
std::array<std::vector<double>, 3> unnormalised(const RecordGrid& grid, double chi2Min,
                                                const std::array<std::vector<double>, 3>& widths,
                                                std::size_t& missing) {
  std::array<std::vector<double>, 3> density;
  for (std::size_t a = 0; a < 3; ++a) density[a].assign(grid.size(static_cast<Parameter>(a)), 0.0);
  grid.forEachCell([&](std::size_t i, std::size_t j, std::size_t k, double chi2) {
    if (std::isnan(chi2)) {
      ++missing;
      return;
    }
    const double likelihood = std::exp(-(chi2 - chi2Min) / 2);
    density[kT][i] += likelihood * widths[kYorp][j] * widths[kFke][k];
    density[kYorp][j] += likelihood * widths[kT][i] * widths[kFke][k];
    density[kFke][k] += likelihood * widths[kT][i] * widths[kYorp][j];
  });
  return density;
}

// The cumulative distribution at each coordinate, by the trapezoid rule, and
// the density scaled to integrate to 1; false when nothing has weight (every
// likelihood too small for a double, or coordinates that a logarithm made equal).
bool normalise(std::vector<double>& density, const std::vector<double>& u, std::vector<double>& sum) {
  sum.assign(u.size(), 0.0);
  for (std::size_t m = 1; m < u.size(); ++m)
    sum[m] = sum[m - 1] + (density[m - 1] + density[m]) / 2 * (u[m] - u[m - 1]);
  const double total = u.size() > 1 ? sum.back() : density.front();
  if (!(total > 0) || !std::isfinite(total)) return false;
  for (double& d : density) d /= total;
  for (double& s : sum) s /= total;
  return true;
}

// Where the cumulative distribution reaches q, linearly between grid values
// (between their logarithms with a logarithmic prior); a grid value itself
// where it is reached there.
double quantileAt(const std::vector<double>& sum, const std::vector<double>& values, const std::vector<double>& u,
                  bool logarithmic, double q) {
  std::size_t m = 0;
  while (m + 1 < sum.size() && sum[m] < q) ++m;
  if (m == 0 || sum[m] < q || sum[m] == q) return values[m];
  // sum[m - 1] < q < sum[m]: the step is not zero.
  const double fraction = (q - sum[m - 1]) / (sum[m] - sum[m - 1]);
  if (logarithmic) return std::exp(u[m - 1] + fraction * (u[m] - u[m - 1]));
  return between(values[m - 1], values[m], fraction);
}

}  // namespace

std::vector<double> cellWidths(const std::vector<double>& values, bool logarithmic) {
  return widthsOf(coordinates(values, logarithmic));
}

Marginals marginalsOf(const RecordGrid& grid, double chi2Min, const std::array<bool, 3>& logPrior,
                      const std::vector<double>& probabilities) {
  Marginals out;
  // The weights are worked out in scaled coordinates, exactly proportional
  // to the values' own; the density is scaled back at the end.
  std::array<std::vector<double>, 3> u, scaled, widths;
  std::array<double, 3> scale{};
  for (std::size_t a = 0; a < 3; ++a) {
    u[a] = coordinates(grid.axes[a], logPrior[a]);
    scale[a] = coordinateScale(u[a]);
    scaled[a] = u[a];
    for (double& x : scaled[a]) x *= scale[a];
    widths[a] = widthsOf(scaled[a]);
  }
  std::array<std::vector<double>, 3> density = unnormalised(grid, chi2Min, widths, out.missingCells);
  for (std::size_t a = 0; a < 3; ++a) {
    const std::vector<double>& values = grid.axes[a];
    std::vector<double> sum;
    Marginal& marginal = out.parameters[a];
    if (!normalise(density[a], scaled[a], sum)) {
      marginal.median = std::numeric_limits<double>::quiet_NaN();
      continue;
    }
    for (double& d : density[a]) d *= scale[a];
    const auto at = [&](double q) { return quantileAt(sum, values, u[a], logPrior[a], q); };
    marginal.density = std::move(density[a]);
    marginal.median = at(0.5);
    for (const double p : probabilities) marginal.intervals.push_back({p, at((1 - p) / 2), at((1 + p) / 2)});
  }
  return out;
}

}  // namespace fit
