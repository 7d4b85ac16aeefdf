// What a caller of the layer may say on standard error besides the layer's
// own reports: warnings, failures in the data, and a handled failure that
// turns out to be one the caller cannot go on from.
#pragma once

#include <string_view>

#include "recio/core/io_status.h"

namespace recio {

// One warning line, "? Warning: " + text; never fails the run.
void writeWarning(std::string_view text);

// A failure the caller found in the data itself: closes everything and
// writes "? Data Error:", "? " + text and the statement line of `kind` on the
// control's unit; exit status 255.
[[noreturn]] void failWithDataError(IoControl& control, StatementKind kind, std::string_view text);

// Reports the failure last given back as Error (handledCode) as if its
// statement had not handled it.
[[noreturn]] void reportHandledFailure(IoControl& control);

// The failure the last statement gave back as Error: a caller that handles
// errors tells bad data (code::kIllegalNumericCharacter) from a failing
// system by it.
[[nodiscard]] FailureCode handledFailure(const IoControl& control);

}  // namespace recio
