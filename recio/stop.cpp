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

void closeAllUnits(IoControl& control) {
  control.closingAll = true;
  // Each connection leaves the table before it is written, so nothing met
  // on the way can reach it a second time.
  while (control.units.head != nullptr) {
    UnitConnection* connection = control.units.head;
    control.units.head = connection->next;
    if (!isConsoleEntry(*connection)) {
      if (connection->unwrittenData) (void)writeBuffer(control, *connection);
      (void)platform().close(connection->descriptor);  // a failed close is not reported here
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

void stopRun(IoControl& control) {
  closeAllUnits(control);
  endProcess(0);
}

}  // namespace recio
