// Failures and end of file: given back to a statement that handles them,
// otherwise reported on standard error, and the process ends with status 255.
#pragma once

#include <string_view>

#include "recio/core/io_status.h"

namespace recio {

inline constexpr int kFailureExitStatus = 255;

// `Error` when the statement handles errors (the code is kept as the handled
// failure); otherwise the report, and no return.
[[nodiscard]] IoStatus failStatement(IoControl& control, FailureCode code);

// `EndOfFile` when the statement handles end of file; otherwise failure 10013.
[[nodiscard]] IoStatus reachEndOfFile(IoControl& control);

// Clears a statement after a failure or end of file given back to the caller.
void resetStatement(IoControl& control);

// The one way a run ends in failure: every unit written out and closed, then
// "? " + header, "? " + text and, for a statement `kind` (not None), its
// statement line on the control's unit; exit status 255. A write or close
// that fails while the units are closed ends the run first, with its own
// two-line report.
[[noreturn]] void reportAndEnd(IoControl& control, StatementKind kind, std::string_view header, std::string_view text);

// reportAndEnd with the header and text of a failure code: "FORTRAN Runtime
// Error:" and its message for a layer code, "System Error:" and the
// platform's text for an error number.
[[noreturn]] void reportFailure(IoControl& control, StatementKind kind, FailureCode code);

// One line, "? " + head + text, straight to standard error; a failing
// standard error cannot be told of, and the line is lost.
void writeReportLine(std::string_view head, std::string_view text);

}  // namespace recio
