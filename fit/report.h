// The fit as people read it (text), as scripts read it (JSON) and the
// profiles as a table (CSV).
#pragma once

#include <string>
#include <vector>

#include "fit/profile.h"
#include "fit/record_grid.h"

namespace fit {

struct FitReport {
  std::string path;  // the input as given
  const RecordGrid& grid;
  const GridFit& fit;
  std::vector<std::string> warnings;
};

// The smallest chi-square and its cell, the grid, then per parameter its best
// value and per level its ranges. Values are rounded to what the grid
// supports: the best one to the decimals of its grid values, range ends to two
// more.
[[nodiscard]] std::string fitText(const FitReport& report);

// Everything at full precision (the shortest text that reads back as the same
// double); a missing chi-square is null.
[[nodiscard]] std::string fitJson(const FitReport& report);

// "parameter,value,chi2", one row per grid value of each parameter; a
// missing chi-square is an empty field.
[[nodiscard]] std::string profilesCsv(const FitReport& report);

// "587.5  [518.750, 706.250]": the best value and the ranges of the first
// level, the heading of a parameter's profile in the figure.
[[nodiscard]] std::string intervalHeading(const FitReport& report, Parameter parameter);

}  // namespace fit
