// Disconnect (CLOSE): writes out and closes the unit's file and forgets the
// unit; a unit without a connection is no failure.
#pragma once

#include "recio/core/io_status.h"

namespace recio {

// A status text, when given, is "KEEP" or "DELETE".
[[nodiscard]] IoStatus closeUnit(IoControl& control);

}  // namespace recio
