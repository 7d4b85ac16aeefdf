// Failures and end of file: returned to a statement that handles them,
// otherwise reported on standard error, and the process ends with status 255.
#pragma once

#include <cstddef>
#include <string_view>

#include "recio/io_control.h"

namespace recio {

inline constexpr int kFailureExitStatus = 255;

// `Error` when the statement handles errors; otherwise the report, and no return.
[[nodiscard]] IoStatus failStatement(IoControl& control, FailureCode code);

// Reports the failure last given back as Error (handledCode) as if its
// statement had not handled it: for failures a caller cannot go on from.
[[noreturn]] void reportHandledFailure(IoControl& control);

// One warning line on standard error, "? Warning: " + text; never fails the run.
void writeWarning(std::string_view text);

// `EndOfFile` when the statement handles end of file; otherwise failure 10013.
[[nodiscard]] IoStatus reachEndOfFile(IoControl& control);

// A failure the caller found in the data itself: closes everything and writes
// "? Data Error:", "? " + text, and the statement line; never returns.
[[noreturn]] void failWithDataError(IoControl& control, StatementKind kind, const char* text,
                                    std::size_t length);

// Reports a physical write that failed while every unit was being closed:
// the header and text lines only, since no statement is in progress.
[[noreturn]] void failWhileClosing(FailureCode code);

// Clears a statement after a failure or end of file given back to the caller.
void resetStatement(IoControl& control);

// Decimal text of an integer, no padding; returns its length (at most 20).
std::size_t unsignedToText(std::uint64_t value, char* out);
std::size_t integerToText(std::int32_t value, char* out);

}  // namespace recio
