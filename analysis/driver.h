// The run: load, summarise, ask, write the table, stop.
#pragma once

#include "analysis/working_storage.h"
#include "recio/core/io_status.h"

namespace analysis {

// Never returns: the run ends in the stop (status 0) or a failure report (255).
[[noreturn]] void runChi2map(recio::IoControl& control, WorkingStorage& storage);

// The same over the program's own control record and storage.
[[noreturn]] void runChi2map();

// Round to nearest, double precision, every floating-point exception masked.
void setFloatingPointMode();

}  // namespace analysis
