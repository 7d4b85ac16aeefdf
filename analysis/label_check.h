// The labels of "table.dat" are rebuilt from each axis' smallest value and
// step, not looked up: they name the chi-square beside them only when the
// file brought its values in grid order. This check says when they do not.
#pragma once

#include "analysis/projections.h"
#include "analysis/working_storage.h"

namespace analysis {

// For each label column of the projection's table, first column first: a
// warning when a label does not name the list value its row holds (the
// number it shows is more than half a unit of its last decimal away from the
// value), or when the axis has a single value (its labels are NaN).
void checkTableLabels(const WorkingStorage& storage, Projection projection);

}  // namespace analysis
