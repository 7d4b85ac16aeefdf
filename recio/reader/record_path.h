// The loader's records of doubles read where they lie in the input block: a
// whole read statement in one call, for records of any shape.
#pragma once

#include <span>

#include "recio/core/io_status.h"

namespace recio {

// beginRead, one readItem for each of `items` (Real64) and endRead in one
// call, with exactly their effect on the control, the connection and the
// items, when the unit's next record holds the statement's values as
// numbers separated by blanks or tabs, with nothing but blanks after the
// last one. Otherwise false: the statement calls read the record, from
// beginRead on. Where the record did not lie wholly in the input block, the
// statement was begun already (its record collected, which reads the next
// block, as beginRead would); beginRead then only gives back what beginning
// it gave.
[[nodiscard]] bool readRecordInBlock(IoControl& control, std::span<double> items);

}  // namespace recio
