// Free-form read statements: beginRead, one readItem per item, endRead; and
// where reading a file stands.
#pragma once

#include <cstdint>

#include "recio/core/io_status.h"

namespace recio {

[[nodiscard]] IoStatus beginRead(IoControl& control);
// Stores the next value into `destination`, converted to the item type of the
// control (Integer32: std::int32_t, Real64: double); a null value or an item
// after a slash stores nothing (itemAssigned tells).
[[nodiscard]] IoStatus readItem(IoControl& control, void* destination);
[[nodiscard]] IoStatus endRead(IoControl& control);

// Whether the last readItem stored a value.
[[nodiscard]] bool itemAssigned(const IoControl& control);

// Where reading a unit's file stands: the number of the line the reader is
// on (every line end ends a line; 0 before the first), and whether the file
// ended inside a record (bytes other than blanks and tabs after its last
// line end). Zeros for a unit without a connection.
struct InputPosition {
  std::int64_t line = 0;
  bool endedInsideRecord = false;
};
[[nodiscard]] InputPosition inputPosition(const IoControl& control, std::int32_t unit);

// The read statement in progress: the line of its record, and whether that
// record holds more than blanks from the read position on (what the end of
// the statement would discard).
[[nodiscard]] std::int64_t statementLine(const IoControl& control);
[[nodiscard]] bool recordGoesOn(const IoControl& control);

}  // namespace recio
