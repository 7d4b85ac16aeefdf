// Loading "quorvi.res" (already connected to unit 1) into the axis lists,
// their extremes and the chi-square cube.
#pragma once

#include "analysis/working_storage.h"
#include "recio/core/io_status.h"

namespace analysis {

inline constexpr std::int32_t kNotFound = 0;

// The value's 1-based position in the list, or kNotFound. The lists never
// hold two equal values, so the first equal entry is the only one, and the
// search may start where the previous record matched. A NaN equals nothing
// and is never found.
template <std::int32_t Capacity>
std::int32_t findValue(AxisList<Capacity>& axis, double value) {
  const std::int32_t count = axis.count;
  const std::int32_t start = axis.lastMatch;
  for (std::int32_t i = start; i < count; ++i) {
    if (axis.values[i] == value) {
      axis.lastMatch = i;
      return i + 1;
    }
  }
  for (std::int32_t i = 0; i < start && i < count; ++i) {
    if (axis.values[i] == value) {
      axis.lastMatch = i;
      return i + 1;
    }
  }
  return kNotFound;
}

// Whether the value is the previous record's, the one after it in the
// list, or the first, as grids run, and then its list index (from 0) in
// `index`; where not, only findValue can tell. The entries past the count
// are NaN, so no probe needs the count. Moves lastMatch as findValue does.
template <std::int32_t Capacity>
[[gnu::always_inline]] inline bool findNearValue(AxisList<Capacity>& axis, double value, std::size_t& index) {
  const auto start = static_cast<std::size_t>(axis.lastMatch);
  index = start;
  if (axis.values[start] == value) return true;
  if (axis.values[start + 1] == value) {
    index = start + 1;
  } else if (axis.values[0] == value) {
    index = 0;
  } else {
    return false;
  }
  axis.lastMatch = static_cast<std::int32_t>(index);
  return true;
}

// Reads records until end of file or the first record that cannot be read;
// a warning on standard error says where loading stopped when that was not a
// clean end of the file. A record that would add a value to a full axis list
// stops the run with a data error report, and so does a failing read call or
// exhausted memory.
void loadFitResults(recio::IoControl& control, WorkingStorage& storage);

}  // namespace analysis
