#include "analysis/working_storage.h"

namespace analysis {
namespace {

template <std::int32_t Capacity>
void clearAxis(AxisList<Capacity>& axis) {
  for (double& value : axis.values) value = 0.0;
  axis.count = 0;
  axis.range = Range{kEmptyCell, 0.0};
  axis.lastMatch = 0;
}

}  // namespace

void initialiseStorage(WorkingStorage& storage) {
  clearAxis(storage.t);
  clearAxis(storage.yorp);
  clearAxis(storage.fke);
  storage.chiSquare = Range{kEmptyCell, 0.0};
  for (auto& plane : storage.cube) {
    for (auto& row : plane) {
      for (double& cell : row) cell = kEmptyCell;
    }
  }
  for (double& value : storage.record) value = 0.0;
  storage.stepT = storage.stepYorp = storage.stepFke = 0.0;
  storage.choice = 0;
}

}  // namespace analysis
