#include "analysis/working_storage.h"

#include <limits>

namespace analysis {
namespace {

template <std::int32_t Capacity>
void clearAxis(AxisList<Capacity>& axis) {
  for (double& value : axis.values) value = std::numeric_limits<double>::quiet_NaN();
  axis.count = 0;
  axis.extremes = Extremes{kEmptyCell, 0.0};
  axis.lastMatch = 0;
}

template <std::int32_t Capacity>
AxisView view(const AxisList<Capacity>& axis) {
  return {axis.values, axis.count, axis.extremes};
}

}  // namespace

void initialiseStorage(WorkingStorage& storage) {
  clearAxis(storage.t);
  clearAxis(storage.yorp);
  clearAxis(storage.fke);
  storage.chiSquare = Extremes{kEmptyCell, 0.0};
  for (auto& plane : storage.cube) {
    for (auto& row : plane) {
      for (double& cell : row) cell = kEmptyCell;
    }
  }
}

AxisView axisView(const WorkingStorage& storage, Parameter parameter) {
  switch (parameter) {
    case datafiles::kT: return view(storage.t);
    case datafiles::kYorp: return view(storage.yorp);
    case datafiles::kFke: break;
  }
  return view(storage.fke);
}

}  // namespace analysis
