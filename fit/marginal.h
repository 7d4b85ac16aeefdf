// The marginal distribution of each parameter on a chi-square grid: the
// likelihood exp(-(chi2 - chi2min) / 2) summed over the other two
// parameters, each cell weighted by its width, under a prior uniform on the
// grid's range (or on the range of its logarithm).
//
// A cell's width is half the distance to each neighbour (to its one
// neighbour at an edge; 1 for an axis of a single value, where it cancels).
// A missing cell carries no weight.
#pragma once

#include <array>
#include <cstddef>
#include <vector>

#include "fit/record_grid.h"

namespace fit {

// A central credible interval: `probability` of the marginal between low and high.
struct CredibleInterval {
  double probability = 0.0;
  double low = 0.0;
  double high = 0.0;
};

struct Marginal {
  // Per grid value; integrates to 1 by the trapezoid rule over the value
  // (over its natural logarithm with a logarithmic prior). Empty, and the
  // median NaN, when nothing has weight (no cell has a chi-square).
  std::vector<double> density;
  double median = 0.0;
  std::vector<CredibleInterval> intervals;  // in the order of the probabilities asked for
};

struct Marginals {
  std::array<Marginal, 3> parameters;
  std::size_t missingCells = 0;  // cells without a chi-square: no weight
};

// `logPrior[p]`: parameter p's prior is uniform in its logarithm (its values
// are all above zero). `probabilities` in (0, 1).
[[nodiscard]] Marginals marginalsOf(const RecordGrid& grid, double chi2Min, const std::array<bool, 3>& logPrior,
                                    const std::vector<double>& probabilities);

// The widths of an axis's cells, in its values or their logarithms.
[[nodiscard]] std::vector<double> cellWidths(const std::vector<double>& values, bool logarithmic);

}  // namespace fit
