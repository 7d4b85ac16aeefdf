// The loader's records of doubles, read where they lie in the input block
// when they can be: a whole read statement in one call.
#pragma once

#include <cstddef>
#include <span>

#include "recio/core/io_control.h"

namespace recio {

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

}  // namespace recio
