// The beginning and the end of a run.
#pragma once

#include "recio/core/io_status.h"

namespace recio {

// The process settings the layer relies on; the first call of a run.
void startRun();

// Stop: every connection written out and closed, exit status 0, nothing
// printed. A failed last write or close is reported (two lines, status 255).
[[noreturn]] void stopRun(IoControl& control);

// For a caller that goes on without the layer and has only read: every
// connection closed (a failed close is not told) and the layer's buffers
// freed, as at the stop, but the process goes on.
void closeRun(IoControl& control);

}  // namespace recio
