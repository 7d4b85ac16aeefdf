// Linear interpolation between two grid values, for the ends of ranges and
// the quantiles of marginals.
#pragma once

#include <cmath>

namespace fit {

// The value `fraction` (in [0, 1]) of the way from `from` to `to`. Where
// their distance overflows (values of opposite signs near the largest
// doubles), the way is taken between their halves and doubled, exactly.
[[nodiscard]] inline double between(double from, double to, double fraction) {
  const double step = to - from;
  if (std::isinf(step)) return 2 * (from / 2 + fraction * (to / 2 - from / 2));
  return from + fraction * step;
}

}  // namespace fit
