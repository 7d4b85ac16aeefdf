// Output statements, free-form and fixed-field: beginWrite, one writeItem
// per item, endWrite. Each statement yields one record (a line) unless a
// format runs out while items remain.
#pragma once

#include <cstddef>

#include "recio/io_control.h"

namespace recio {

[[nodiscard]] IoStatus beginWrite(IoControl& control);
// `item` points at control.item.count items of control.item.type, each
// control.item.size bytes (for a character item, its length).
[[nodiscard]] IoStatus writeItem(IoControl& control, const void* item);
[[nodiscard]] IoStatus endWrite(IoControl& control);

// Ends the record in progress and hands it, with its line feed, to the
// connection's buffer.
[[nodiscard]] IoStatus endRecord(IoControl& control);

namespace detail {

// Places `count` bytes at the record position, growing the record text.
[[nodiscard]] IoStatus placeBytes(IoControl& control, const char* bytes, std::size_t count);
// Room for `count` bytes at the position; returns where they go, or nullptr
// after a failure (the returned status is in `status`).
[[nodiscard]] char* reserveAtPosition(IoControl& control, std::size_t count, IoStatus& status);

[[nodiscard]] IoStatus writeFreeFormItem(IoControl& control, const char* item);
[[nodiscard]] IoStatus writeFixedFieldItem(IoControl& control, const char* item);
[[nodiscard]] IoStatus actOnTrailingControlEdits(IoControl& control);

}  // namespace detail
}  // namespace recio
