// The labels of "table.dat" are rebuilt from each parameter's smallest value
// and step, not looked up: they name the chi-square beside them only when the
// file brought its values in grid order. This check says when they do not.
#pragma once

#include "analysis/working_storage.h"
#include "datafiles/projection_table.h"

namespace analysis {

// For each label column of the projection's table, first column first: a
// warning when a label does not name the list value its row holds (the
// number it shows is more than half a unit of its last decimal away from the
// value), or when the parameter has a single value (its labels are NaN).
void checkTableLabels(const WorkingStorage& storage, const datafiles::Projection& projection);

}  // namespace analysis
