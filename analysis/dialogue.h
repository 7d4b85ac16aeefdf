// The console dialogue: the summary with the menu, and the reply.
#pragma once

#include "analysis/working_storage.h"
#include "recio/io_control.h"

namespace analysis {

// The eleven console lines; the grid steps are computed right after the
// range line of their axis.
void writeSummary(recio::IoControl& control, WorkingStorage& storage);

// (largest - smallest) / (count - 1).
double gridStep(const Range& range, std::int32_t count);

// One integer from the console; a failure or the end of input ends the run.
void readChoice(recio::IoControl& control, WorkingStorage& storage);

}  // namespace analysis
