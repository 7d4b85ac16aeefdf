// The unit table: connections in order of creation, the console entries that
// stand for the default unit, the statement work buffers, and closing it all.
#pragma once

#include <cstddef>
#include <cstdint>

#include "recio/core/io_control.h"

namespace recio {

// A zeroed connection with a buffer of `bufferSize` bytes (none for 0);
// nullptr when memory is exhausted.
UnitConnection* createConnection(std::size_t bufferSize);
// A connection buffer of `capacity` bytes and zeroed slack before and past
// it, in one allocation (destroyConnection releases it); nullptr when memory
// is exhausted.
char* allocateConnectionBuffer(std::size_t capacity);
void destroyConnection(UnitConnection* connection);

void appendConnection(UnitTable& table, UnitConnection* connection);
void unlinkConnection(UnitTable& table, UnitConnection* connection);
UnitConnection* lookUpUnit(const UnitTable& table, std::int32_t unit);

inline bool isConsoleEntry(const UnitConnection& connection) { return connection.unit < kDefaultUnit; }

// The connection a transfer works on, made current; no connection when the
// unit has none. May create the console entries and the statement work
// buffers. A failure (illegal unit, no memory) went through failStatement
// when `status` is not Ok.
struct FoundUnit {
  UnitConnection* connection;
  IoStatus status;
};
[[nodiscard]] FoundUnit findUnit(IoControl& control);

// Makes sure the two statement work buffers exist.
[[nodiscard]] IoStatus ensureWorkBuffers(IoControl& control);

// Grows a layer buffer to at least `needed` bytes, in steps of `step` bytes.
[[nodiscard]] bool growBuffer(char*& bytes, std::size_t& capacity, std::size_t needed, std::size_t step);

// Writes out and closes every connection in table order and frees everything
// the layer owns. The first failed write (or close, when those are reported)
// is remembered and reported once all connections are closed, so closing
// never recurses. Inside another report a failed close is not reported.
enum class FailedClose { Reported, Ignored };
void closeAllUnits(IoControl& control, FailedClose failedClose);

}  // namespace recio
