// The best fit of a record grid, the profile of each parameter and the
// ranges where a profile stays within a level above the smallest chi-square.
//
// A missing chi-square (a cell no record reached) is a NaN throughout: it is
// never a smallest value, and a range ends before it.
#pragma once

#include <array>
#include <cstddef>
#include <vector>

#include "fit/record_grid.h"

namespace fit {

// One stretch of grid values where the profile is within the level. An end
// that meets a value above the level lies between the two grid values, by
// linear interpolation; an end that meets the grid's edge or a missing value
// stays at the last grid value inside and is open: the profile may stay
// within the level beyond it.
struct Range {
  double low = 0.0;
  double high = 0.0;
  bool lowOpen = false;
  bool highOpen = false;
};

struct Interval {
  double deltaChiSquare = 0.0;
  std::vector<Range> ranges;  // ascending; several where the profile has several basins
};

struct ParameterFit {
  double best = 0.0;            // the value of the best cell
  std::vector<double> profile;  // per grid value, the smallest chi-square over the other two
  std::vector<Interval> intervals;
};

struct GridFit {
  double smallestChiSquare = 0.0;
  std::array<std::size_t, 3> bestCell{};  // positions in the sorted axes
  std::array<ParameterFit, 3> parameters;
};

// The smallest of the present values; NaN when every one is missing.
[[nodiscard]] double smallestOf(const std::vector<double>& values);

// The ranges where `profile` (over `grid`, ascending) is at most `limit`.
[[nodiscard]] std::vector<Range> rangesWithin(const std::vector<double>& grid, const std::vector<double>& profile,
                                              double limit);

// The best cell: the smallest chi-square, among equal ones the smallest T,
// then YORP strength, then f_KE. The grid has at least one chi-square.
// `deltas` are the levels above the smallest chi-square, one interval each.
[[nodiscard]] GridFit fitGrid(const RecordGrid& grid, const std::vector<double>& deltas);

// One more interval per level of `deltas` for each parameter of a fit, once
// its smallest chi-square is known (levels may depend on it).
void addIntervals(const RecordGrid& grid, GridFit& fit, const std::vector<double>& deltas);

// The map of two parameters: at every (x, y) the smallest chi-square over the
// third parameter, x-major.
[[nodiscard]] std::vector<double> profileMap(const RecordGrid& grid, Parameter x, Parameter y);

}  // namespace fit
