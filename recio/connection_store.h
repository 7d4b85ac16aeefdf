// Creating, linking and freeing connections; shared by connect, disconnect,
// the stop and the unit lookup.
#pragma once

#include <cstddef>

#include "recio/io_control.h"

namespace recio {

// A zeroed connection with a buffer of `bufferSize` bytes (none for 0);
// nullptr when memory is exhausted.
UnitConnection* createConnection(std::size_t bufferSize);
void destroyConnection(UnitConnection* connection);

void appendConnection(UnitTable& table, UnitConnection* connection);
void unlinkConnection(UnitTable& table, UnitConnection* connection);
UnitConnection* lookUpUnit(const UnitTable& table, std::int32_t unit);

}  // namespace recio
