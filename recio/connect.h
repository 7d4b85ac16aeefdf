// Connect (OPEN): a unit to a named file, status "OLD" (the file must exist)
// or "UNKNOWN" (created when missing), in any letter case.
#pragma once

#include "recio/core/io_status.h"

namespace recio {

// Uses the control's unit, file name and status text.
[[nodiscard]] IoStatus openUnit(IoControl& control);

}  // namespace recio
