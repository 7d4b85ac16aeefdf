// The physical write of a file buffer.
#pragma once

#include "recio/core/io_status.h"

namespace recio {

// Within a statement a failed write fails the statement; while every unit is
// being closed it is remembered for the report that follows the closing.
enum class BufferWrite { InStatement, WhileClosing };

// Writes the filled part of the buffer, cutting an old file to the end of the
// new data on the first write. Whatever happens, these bytes are never
// offered again.
[[nodiscard]] IoStatus writeBuffer(IoControl& control, UnitConnection& connection, BufferWrite moment);

}  // namespace recio
