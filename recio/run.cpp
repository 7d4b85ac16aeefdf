#include "recio/run.h"

#include "recio/core/unit_table.h"
#include "recio/platform/platform.h"

namespace recio {

void startRun() { platform().ignoreFileSizeSignal(); }

void stopRun(IoControl& control) {
  // A file whose close fails may not hold what was written to it: at the
  // stop that is a failure, reported like a failed last write.
  closeAllUnits(control, FailedClose::Reported);
  endProcess(0);
}

void closeRun(IoControl& control) { closeAllUnits(control, FailedClose::Ignored); }

}  // namespace recio
