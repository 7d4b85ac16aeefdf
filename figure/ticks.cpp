#include "figure/ticks.h"

#include <algorithm>
#include <cmath>

#include "figure/text_size.h"
#include "fit/numbers.h"

namespace figure {
namespace {

// Room between two labels side by side, and the fewest ems from one tick to
// the next whatever the labels (at most seven intervals on an axis).
constexpr double kLabelGap = 0.6;
constexpr double kStackedGap = 0.3;
constexpr double kMostIntervals = 7;
// Steps that would give more labels than this are not tried.
constexpr double kMostCandidates = 1000;

double placeOf(double value, const TickAxis& axis) {
  const double share = axis.logarithmic ? std::log(value / axis.first) / std::log(axis.last / axis.first)
                                        : (value - axis.first) / (axis.last - axis.first);
  return share * axis.length;
}

double halfOf(double value, const TickAxis& axis) {
  return axis.across ? widthOf(fit::shortText(value)) / 2 : kLine / 2;
}

// The candidates' labels that lie within the axis, if every two neighbours
// have room between them; empty otherwise.
std::vector<double> ifRoomy(const std::vector<double>& candidates, const TickAxis& axis) {
  std::vector<double> kept;
  for (const double value : candidates) {
    const double at = placeOf(value, axis), half = halfOf(value, axis);
    if (at - half >= axis.inset && at + half <= axis.length - axis.inset) kept.push_back(value);
  }
  const double least = std::max(axis.length / kMostIntervals, axis.across ? 0.0 : kLine + kStackedGap);
  for (std::size_t k = 1; k < kept.size(); ++k) {
    if (fit::shortText(kept[k]) == fit::shortText(kept[k - 1])) return {};  // too many digits to tell them apart
    const double apart = placeOf(kept[k], axis) - placeOf(kept[k - 1], axis);
    const double needed = axis.across ? halfOf(kept[k], axis) + halfOf(kept[k - 1], axis) + kLabelGap : 0;
    if (apart < std::max(least, needed)) return {};
  }
  return kept;
}

std::vector<double> linearTicks(const TickAxis& axis) {
  const int top = static_cast<int>(std::floor(std::log10(axis.last - axis.first)));
  for (int power = top - 3; power <= top + 1; ++power)
    for (const double multiple : {1.0, 2.0, 2.5, 5.0}) {
      const double step = multiple * std::pow(10, power);
      const double from = std::ceil(axis.first / step), to = std::floor(axis.last / step);
      if (!(to - from < kMostCandidates)) continue;
      std::vector<double> candidates;
      for (long n = 0; n <= static_cast<long>(to - from); ++n)
        candidates.push_back((from + static_cast<double>(n)) * step + 0.0);
      if (std::vector<double> kept = ifRoomy(candidates, axis); !kept.empty()) return kept;
    }
  return {};
}

std::vector<double> logarithmicTicks(const TickAxis& axis) {
  const double lowest = std::pow(10, std::floor(std::log10(axis.first)));
  if (!(lowest > 0)) return {};
  const std::vector<std::vector<double>> multiples = {{1, 2, 5}, {1, 3}, {1}};
  for (const std::vector<double>& times : multiples)
    for (int decades = 1; decades <= 4; ++decades) {
      if (decades > 1 && times.size() > 1) break;
      std::vector<double> candidates;
      for (double power = lowest; power <= axis.last; power *= std::pow(10, decades))
        for (const double m : times)
          if (m * power >= axis.first && m * power <= axis.last) candidates.push_back(m * power);
      if (std::vector<double> kept = ifRoomy(candidates, axis); !kept.empty()) return kept;
    }
  return {};
}

}  // namespace

std::vector<double> ticksOf(const TickAxis& axis) {
  if (!(axis.last > axis.first) || !std::isfinite(axis.last - axis.first) || !(axis.length > 0)) return {};
  if (axis.logarithmic) return axis.first > 0 ? logarithmicTicks(axis) : std::vector<double>{};
  return linearTicks(axis);
}

double widestLabel(const std::vector<double>& ticks) {
  double widest = 0;
  for (const double value : ticks) widest = std::max(widest, widthOf(fit::shortText(value)));
  return widest;
}

std::string ticsCommand(const std::string& name, const std::vector<double>& ticks) {
  if (ticks.empty()) return "unset " + name + "tics\n";
  std::string list;
  for (const double value : ticks) list += (list.empty() ? "" : ", ") + fit::shortText(value);
  return "set " + name + "tics (" + list + ")\n";
}

}  // namespace figure
