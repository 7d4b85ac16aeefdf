#include "fit/edges.h"

#include "fit/numbers.h"

namespace fit {
namespace {

// The grid values where the ranges of `interval` are open at an edge of
// the grid (not next to a missing chi-square), "50 and 1100"; empty if none.
std::string openEdges(const std::vector<double>& values, const Interval& interval, int decimals) {
  bool low = false, high = false;
  for (const Range& range : interval.ranges) {
    low = low || (range.lowOpen && range.low == values.front());
    high = high || (range.highOpen && range.high == values.back());
  }
  const std::string first = fixedText(values.front(), decimals), last = fixedText(values.back(), decimals);
  if (low && high) return first + " and " + last;
  return low ? first : high ? last : std::string();
}

}  // namespace

std::optional<Errors> errorsOf(const Interval& interval, double best) {
  for (const Range& range : interval.ranges)
    if (range.low <= best && best <= range.high) {
      if (range.lowOpen || range.highOpen) return {};
      return Errors{range.high - best, best - range.low};
    }
  return {};
}

std::string errorsText(const Errors& errors) {
  return "+" + significantText(errors.plus, 3) + "/-" + significantText(errors.minus, 3);
}

std::vector<std::string> edgeWarnings(const RecordGrid& grid, const GridFit& fit, const std::vector<Level>& levels) {
  std::vector<std::string> warnings;
  for (const Parameter a : datafiles::kParameters) {
    const std::vector<double>& values = grid.axes[a];
    if (values.size() < 2) continue;
    const int decimals = gridDecimals(values);
    const std::string name = datafiles::kLongNames[a];
    const double best = fit.parameters[a].best;
    if (best == values.front() || best == values.back())
      warnings.push_back(name + "'s best value " + fixedText(best, decimals) +
                         " lies at the edge of the grid: the minimum may lie beyond it");
    const std::vector<Interval>& intervals = fit.parameters[a].intervals;
    for (std::size_t l = 0; l < intervals.size() && l < levels.size(); ++l) {
      const std::string edges = openEdges(values, intervals[l], decimals);
      if (edges.empty()) continue;
      warnings.push_back(name + "'s " + levels[l].name + " range is open at the edge of the grid (" + edges +
                         "): the interval may reach beyond it");
      break;
    }
  }
  return warnings;
}

}  // namespace fit
