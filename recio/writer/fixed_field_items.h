// Fixed-field items: the format interpreter, the X edit and F w.d fields.
#pragma once

#include "recio/core/io_status.h"

namespace recio {

[[nodiscard]] IoStatus writeFixedFieldItem(IoControl& control, const char* item);

// The control edits after the last data edit used, at the end of a statement.
[[nodiscard]] IoStatus actOnTrailingControlEdits(IoControl& control);

}  // namespace recio
