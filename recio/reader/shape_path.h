// The loader's records of doubles, read where they lie in the input block
// by the shape of a record read before: a whole read statement in one call.
#pragma once

#include <cstddef>
#include <span>

#include "recio/core/io_status.h"
#include "recio/reader/record_shape.h"

namespace recio {

// The most items a shape holds.
inline constexpr std::size_t kShapeItems = RecordShape::kValues;

// beginRead, one readItem for each of `items` (Real64) and endRead in one
// call, with exactly their effect on the control, the connection and the
// items, when the unit's next record and its line end lie wholly in its
// current input block and have the shape of one of the two records kept.
// Otherwise false, and nothing has changed: the statement's calls read the
// record.
[[nodiscard]] bool readRecordByShape(IoControl& control, std::span<double> items);

// Called as a read statement ends: keeps the shape of its record when every
// value it took was a plain decimal of that one record, which stands in the
// input block as the record text holds it, followed by a line feed or a
// carriage return and a line feed. Where shapes keep changing, only now and
// then.
void keepShape(IoControl& control);

}  // namespace recio
