// The loader's records of doubles read where they lie in the input block: a
// whole read statement in one call, for records of any shape.
#pragma once

#include <span>

#include "recio/core/io_status.h"

namespace recio {

// beginRead, one readItem for each of `items` (Real64) and endRead in one
// call, with exactly their effect on the control, the connection and the
// items, when the unit's next record and its line end lie wholly in its
// current input block and every value the statement takes is a number
// ended by a blank, a tab, a comma or the line end, with nothing but blanks
// after the last one's separator. Otherwise false, and nothing has changed:
// the statement's calls read the record.
[[nodiscard]] bool readRecordInBlock(IoControl& control, std::span<double> items);

}  // namespace recio
