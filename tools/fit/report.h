// The best fit as people read it and as scripts read it.
#pragma once

#include <array>
#include <string>

#include "tools/fit/profile.h"

namespace fit {

struct FitReport {
  double chi2Smallest = 0.0;
  // T, YORP strength, f_KE. A parameter without a profile has as best value
  // its single value (or NaN when its grid is no numbers).
  std::array<ParameterFit, 3> parameters;
};

// An aligned text table: the smallest chi-square and its cell, then one line
// per parameter with its best value and 1-sigma interval.
[[nodiscard]] std::string fitText(const FitReport& report);

// The same as one JSON object.
[[nodiscard]] std::string fitJson(const FitReport& report);

// "587.5  [575.283, 599.214]", or why there is no interval: the headings of
// the figure's profiles.
[[nodiscard]] std::string intervalHeading(const ParameterFit& parameter);

}  // namespace fit
