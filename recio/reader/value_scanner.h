// Splitting records into values: separators, null values, repeat counts and
// the slash that ends a statement.
#pragma once

#include "recio/core/io_status.h"

namespace recio {

// Scans the next value into the value text (empty for a null value or a
// slash), collecting further records as needed.
[[nodiscard]] IoStatus scanValue(IoControl& control);

}  // namespace recio
