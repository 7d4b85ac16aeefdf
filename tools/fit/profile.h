// One-parameter profiles of chi-square and their 1-sigma intervals.
//
// A missing chi-square (a cell no fit reached) is a NaN throughout: it never
// counts as a smallest value and the interpolation steps over it.
#pragma once

#include <cstddef>
#include <vector>

namespace fit {

// Grid value at every position of an axis, as chi2map computes the labels
// of its table: step = (largest - smallest) / (count - 1), value at
// position m = smallest + (m - 1) * step, each operation rounded on its own.
// A single value gives a NaN (0 * infinity, or 0 * NaN), as in chi2map.
[[nodiscard]] std::vector<double> gridValues(int count, double smallest, double largest);

// Two or more grid values, every one a number: an axis that can have a
// profile and be drawn.
[[nodiscard]] bool isNumberGrid(const std::vector<double>& grid);

// A projection plane: rows x columns chi-squares, row after row.
struct Plane {
  std::size_t rows = 0;
  std::size_t columns = 0;
  std::vector<double> cells;
  [[nodiscard]] double at(std::size_t row, std::size_t column) const { return cells[row * columns + column]; }
};

// The smallest present chi-square of each row (over the columns), or of each
// column (over the rows); NaN where every cell is missing.
[[nodiscard]] std::vector<double> rowProfile(const Plane& plane);
[[nodiscard]] std::vector<double> columnProfile(const Plane& plane);

// The smallest present chi-square; NaN when every cell is missing.
[[nodiscard]] double smallestOf(const std::vector<double>& values);

struct Bound {
  double value = 0.0;
  // The profile is still within 1 of its minimum at the last grid value that
  // has a chi-square on this side, so the true bound lies beyond the grid.
  bool open = false;
};

struct ParameterFit {
  enum class Status { Fitted, SingleValue, GridNotNumbers, NoChiSquare };
  Status status = Status::NoChiSquare;
  double best = 0.0;    // grid value at the profile's (first) minimum
  double minimum = 0.0; // the profile's minimum
  Bound lower;
  Bound upper;
};

// The 1-sigma interval of a profile over its grid: the contiguous stretch
// around the minimum where the profile is within 1 of it, each end
// interpolated linearly between the last grid value inside and the next one
// with a chi-square outside.
[[nodiscard]] ParameterFit fitProfile(const std::vector<double>& grid, const std::vector<double>& profile);

}  // namespace fit
