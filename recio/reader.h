// Free-form read statements: beginRead, one readItem per item, endRead.
#pragma once

#include "recio/io_control.h"

namespace recio {

[[nodiscard]] IoStatus beginRead(IoControl& control);
// Stores the next value into `destination`, converted to the item type of the
// control (Integer32: std::int32_t, Real64: double); a null value or an item
// after a slash stores nothing (control.itemAssigned tells).
[[nodiscard]] IoStatus readItem(IoControl& control, void* destination);
[[nodiscard]] IoStatus endRead(IoControl& control);

// The pieces, for the reader's own files and for tests.
namespace detail {

// Collects the connection's next record into the record text.
[[nodiscard]] IoStatus fillRecord(IoControl& control, UnitConnection& connection);

// Scans the next value into the value text (empty for a null value or a slash).
[[nodiscard]] IoStatus scanValue(IoControl& control);

}  // namespace detail
}  // namespace recio
