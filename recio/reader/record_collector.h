// Collecting one input record: the bytes up to a line end (a line feed, a
// carriage return, or the two as a pair), tabs expanded to the next
// multiple of 8 columns.
#pragma once

#include "recio/core/io_status.h"

namespace recio {

// Collects the connection's next record into the record text; end of file
// and a failed read go through the statement's options.
[[nodiscard]] IoStatus fillRecord(IoControl& control, UnitConnection& connection);

// Passes over the empty records (lone line feeds) at the connection's read
// position within its block, as collecting each and finding nothing in it
// would: a scan for a value meets runs of them at the cost of one.
void passEmptyRecords(IoControl& control, UnitConnection& connection);

}  // namespace recio
