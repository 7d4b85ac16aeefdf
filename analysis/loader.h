// Loading "quorvi.res" (already connected to unit 1) into the axis lists,
// ranges and the chi-square cube.
#pragma once

#include "analysis/connect_file.h"
#include "analysis/working_storage.h"
#include "recio/io_control.h"

namespace analysis {

// Reads records until end of file or the first record that cannot be read,
// silently. A record that would add a value to a full axis list stops the
// run with a data error report.
void loadFitResults(recio::IoControl& control, WorkingStorage& storage);

}  // namespace analysis
