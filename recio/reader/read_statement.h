// Free-form read statements: beginRead, one readItem per item, endRead; and
// where reading a file stands.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "recio/io_control.h"

namespace recio {

[[nodiscard]] IoStatus beginRead(IoControl& control);
// Stores the next value into `destination`, converted to the item type of the
// control (Integer32: std::int32_t, Real64: double); a null value or an item
// after a slash stores nothing (control.itemAssigned tells).
[[nodiscard]] IoStatus readItem(IoControl& control, void* destination);
[[nodiscard]] IoStatus endRead(IoControl& control);

// The most items readPlainRecord takes in one call.
inline constexpr std::size_t kPlainRecordItems = RecordLayout::kValues;

// beginRead, one readItem for each of `items` (Real64) and endRead in one
// call, with exactly their effect on the control, the connection and the
// items, when the unit's next record lies wholly in its current input
// block, is shorter than the record text's capacity, holds no tab or
// carriage return, and gives every item a plain decimal (no null value,
// repeat count or slash before the last). Otherwise false, and nothing has
// changed: the statement's calls read the record.
[[nodiscard]] bool readPlainRecord(IoControl& control, std::span<double> items);

// Where reading a unit's file stands: the number of the line the reader is
// on (every line feed ends a line; 0 before the first), and whether the file
// ended inside a record (bytes other than blanks, tabs and carriage returns
// after its last line feed). Zeros for a unit without a connection.
struct InputPosition {
  std::int64_t line = 0;
  bool endedInsideRecord = false;
};
[[nodiscard]] InputPosition inputPosition(const IoControl& control, std::int32_t unit);

}  // namespace recio
