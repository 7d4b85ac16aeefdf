// Failures and end of file: given back to a statement that handles them,
// otherwise reported on standard error, and the process ends with status 255.
#pragma once

#include <string_view>

#include "recio/core/io_control.h"

namespace recio {

inline constexpr int kFailureExitStatus = 255;

// `Error` when the statement handles errors (the code is kept as the handled
// failure); otherwise the report, and no return.
[[nodiscard]] IoStatus failStatement(IoControl& control, FailureCode code);

// `EndOfFile` when the statement handles end of file; otherwise failure 10013.
[[nodiscard]] IoStatus reachEndOfFile(IoControl& control);

// Clears a statement after a failure or end of file given back to the caller.
void resetStatement(IoControl& control);

// The report of a failure of the statement in progress: every unit closed,
// then the header, the text and the statement line.
[[noreturn]] void endWithReport(IoControl& control, FailureCode code);

// Reports a physical write or close that failed while every unit was being
// closed: the header and text lines only, since no statement is in progress.
[[noreturn]] void failWhileClosing(FailureCode code);

// One report line, "? " + head + text, straight to standard error.
void writeReportLine(std::string_view head, std::string_view text);

// "KEYWORD(UNIT=n,..." of the statement in progress.
void writeStatementLine(const IoControl& control);

}  // namespace recio
