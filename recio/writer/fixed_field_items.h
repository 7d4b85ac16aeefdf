// Fixed-field items: the format interpreter, the X edit and F w.d fields.
#pragma once

#include "recio/core/io_status.h"
#include "recio/writer/compiled_format.h"

namespace recio {

// The next descriptor to act on; the end of the format ends the record and
// starts again from the first descriptor (a format without a data edit
// refuses items).
[[nodiscard]] IoStatus nextEdit(IoControl& control, Edit& edit);

[[nodiscard]] IoStatus writeFixedFieldItem(IoControl& control, const char* item);

// The control edits after the last data edit used, at the end of a statement.
[[nodiscard]] IoStatus actOnTrailingControlEdits(IoControl& control);

}  // namespace recio
