#include "recio/diagnostics.h"

#include "recio/core/failure.h"
#include "recio/core/io_control.h"

namespace recio {

void writeWarning(std::string_view text) { writeReportLine("Warning: ", text); }

void failWithDataError(IoControl& control, StatementKind kind, std::string_view text) {
  reportAndEnd(control, kind, "Data Error:", text);
}

void reportHandledFailure(IoControl& control) { reportFailure(control, control.handledKind, control.handledCode); }

FailureCode handledFailure(const IoControl& control) { return control.handledCode; }

}  // namespace recio
