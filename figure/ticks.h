// The tick marks of an axis, chosen so that their labels never meet, never
// crowd it and stay within its length: a label at a panel's end would run
// into the neighbouring panel's.
#pragma once

#include <string>
#include <vector>

namespace figure {

struct TickAxis {
  double first = 0, last = 0;  // the range drawn
  double length = 0;           // in ems
  bool across = true;          // labels side by side along the axis (x), or stacked (y)
  bool logarithmic = false;
  double inset = 0.2;  // what a label keeps from the axis's ends, in ems; below 0, how far it may reach past them
};

// The values labelled: round numbers (1, 2, 2.5 and 5 times a power of ten;
// 1, 2 and 5 times, or only the powers of ten on a logarithmic axis) as
// close as their labels allow; none where no label fits.
[[nodiscard]] std::vector<double> ticksOf(const TickAxis& axis);

// The widest label of `ticks`, in ems.
[[nodiscard]] double widestLabel(const std::vector<double>& ticks);

// gnuplot's command that puts the ticks on axis `name` ("x", "y2", "cb"),
// or takes them off where there are none.
[[nodiscard]] std::string ticsCommand(const std::string& name, const std::vector<double>& ticks);

}  // namespace figure
