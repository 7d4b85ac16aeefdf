// The console dialogue: the summary with the menu, and the reply.
#pragma once

#include <cstdint>

#include "analysis/working_storage.h"
#include "recio/core/io_status.h"

namespace analysis {

// The eleven console lines.
void writeSummary(recio::IoControl& control, const WorkingStorage& storage);

// One integer from the console; a failure or the end of input ends the run.
// A reply accepted without a value selects T vs YORP strength (1).
std::int32_t readChoice(recio::IoControl& control);

}  // namespace analysis
