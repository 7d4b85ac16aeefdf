// The end of the run: every connection written out, closed and freed.
#include "recio/connection_store.h"
#include "recio/platform.h"
#include "recio/report.h"
#include "recio/units.h"

namespace recio {
namespace {

bool isConsoleEntry(const UnitConnection& connection) {
  return connection.unit == kStandardInputUnit || connection.unit == kStandardOutputUnit ||
         connection.unit == kStandardErrorUnit;
}

}  // namespace

void closeAllUnits(IoControl& control, FailedClose failedClose) {
  control.closingAll = true;
  // Each connection leaves the table before it is written, so nothing met
  // on the way can reach it a second time.
  while (control.units.head != nullptr) {
    UnitConnection* connection = control.units.head;
    control.units.head = connection->next;
    if (!isConsoleEntry(*connection)) {
      if (connection->unwrittenData) (void)writeBuffer(control, *connection);
      const int closed = platform().close(connection->descriptor);
      if (closed != 0 && failedClose == FailedClose::Reported && control.closingFailure == 0) {
        control.closingFailure = -closed;
      }
    }
    destroyConnection(connection);
  }
  control.current = nullptr;
  platform().release(control.record.bytes);
  platform().release(control.value.chars);
  control.record = RecordText{};
  control.value = ValueText{};
  if (control.closingFailure != 0) {
    FailureCode failure = control.closingFailure;
    control.closingFailure = 0;
    failWhileClosing(failure);
  }
}

void startRun() { platform().ignoreFileSizeSignal(); }

void stopRun(IoControl& control) {
  // A file whose close fails may not hold what was written to it: at the
  // stop that is a failure, reported like a failed last write.
  closeAllUnits(control, FailedClose::Reported);
  endProcess(0);
}

}  // namespace recio
