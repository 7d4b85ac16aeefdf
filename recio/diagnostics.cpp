#include "recio/diagnostics.h"

#include "recio/core/failure.h"
#include "recio/platform/platform.h"
#include "recio/core/unit_table.h"

namespace recio {

void writeWarning(std::string_view text) { writeReportLine("Warning: ", text); }

void failWithDataError(IoControl& control, StatementKind kind, std::string_view text) {
  closeAllUnits(control, FailedClose::Ignored);
  control.statementKind = kind;
  writeReportLine("Data Error:", "");
  writeReportLine(text, "");
  writeStatementLine(control);
  endProcess(kFailureExitStatus);
}

void reportHandledFailure(IoControl& control) {
  control.statementKind = control.handledKind;
  endWithReport(control, control.handledCode);
}

}  // namespace recio
