// The best value with its errors, and where the grid's edge may cut a fit
// short: a best value on an edge, or a range still within its level there.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "fit/levels.h"
#include "fit/profile.h"
#include "fit/record_grid.h"

namespace fit {

// The distances from the best value up and down to the ends of its range.
struct Errors {
  double plus = 0.0;
  double minus = 0.0;
};

// The errors of the range of `interval` that holds `best`, when that range
// is closed at both ends; none when it is open (or there is none).
[[nodiscard]] std::optional<Errors> errorsOf(const Interval& interval, double best);

// "+117/-68.4": each error to three significant digits.
[[nodiscard]] std::string errorsText(const Errors& errors);

// The warnings of a fit whose grid may be too small: per parameter of two or
// more values, a best value on the first or last of them, and the first
// level (of `levels`, one per interval) with a range open at the grid's edge.
[[nodiscard]] std::vector<std::string> edgeWarnings(const RecordGrid& grid, const GridFit& fit,
                                                    const std::vector<Level>& levels);

}  // namespace fit
