// Output statements, free-form and fixed-field: beginWrite, one writeItem
// per item, endWrite. Each statement yields one record (a line) unless a
// format runs out while items remain.
#pragma once

#include "recio/core/io_status.h"

namespace recio {

[[nodiscard]] IoStatus beginWrite(IoControl& control);
// `item` points at control.item.count items of control.item.type, each
// control.item.size bytes (for a character item, its length).
[[nodiscard]] IoStatus writeItem(IoControl& control, const void* item);
[[nodiscard]] IoStatus endWrite(IoControl& control);

}  // namespace recio
