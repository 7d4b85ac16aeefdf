// Records read by the shape of an earlier record: the recent shapes tried
// on the next record of the block, and a shape taken from a record just
// read.
#pragma once

#include <cstddef>
#include <span>

#include "recio/core/io_control.h"
#include "recio/reader/finish_statement.h"
#include "recio/reader/reader_state.h"
#include "recio/reader/record_shape.h"

namespace recio {

// The most items a shape holds.
inline constexpr std::size_t kShapeItems = RecordShape::kValues;

namespace detail {
// Records in a row that no shape read, whose shapes are taken and whose
// next record is tried by the recent shapes, before only every
// kKeepEvery-th is: shapes that serve are taken at once, and files whose
// records all differ pay for them seldom.
inline constexpr std::uint32_t kKeptInARow = 4;
inline constexpr std::uint32_t kKeepEvery = 16;

inline bool shapesServe(const RecentShapes& recent) {
  return recent.missesInARow <= kKeptInARow || recent.missesInARow % kKeepEvery == 0;
}

// The record read by `shape`, if it has its shape. A shape has 1 to
// kShapeItems values, and its record is shorter than the record text ever
// is. Its line end lies within the block's data, so the shape test reads at
// most 63 bytes past it, and its values at most 7 bytes before the record,
// within the block.
[[gnu::always_inline]] inline bool readByShape(IoControl& control, UnitConnection& connection, const RecordShape& shape,
                                               std::span<double> items) {
  static_assert(RecordShape::kBytes <= kWorkBufferSize);
  const char* const start = connection.buffer + connection.readPosition;
  if (shape.items != items.size() || shape.length + shape.lineEnd > connection.fill - connection.readPosition ||
      static_cast<std::int64_t>(connection.readPosition) + shape.firstRead < 0 || !hasShape(shape, start)) {
    return false;
  }
  shapeValues(shape, start, items.data());
  connection.readPosition += shape.length + shape.lineEnd;
  connection.linesEnded += 1;
  // What beginRead and the item calls leave, then the end of the statement.
  control.current = &connection;
  readerState(control).valueUsesLeft = 0;
  readerState(control).itemAssigned = true;
  finishReadStatement(control);
  readerState(control).shapes.missesInARow = 0;
  return true;
}

}  // namespace detail

// The read statement of `items` doubles on `connection` (the unit's, at the
// head of the table) in one call, with exactly the effect of its statement
// calls, when the next record and its line end lie wholly in the block and
// have one of the two recent shapes. Otherwise false, and nothing has
// changed.
[[gnu::always_inline]] inline bool readByRecentShape(IoControl& control, UnitConnection& connection,
                                                     std::span<double> items) {
  // The shape read last is tried first.
  RecentShapes& recent = readerState(control).shapes;
  if (!detail::shapesServe(recent)) return false;
  const std::uint8_t last = recent.last;
  if (detail::readByShape(control, connection, recent.shapes[last], items)) return true;
  if (detail::readByShape(control, connection, recent.shapes[last ^ 1], items)) {
    recent.last = last ^ 1;
    return true;
  }
  return false;
}

// Takes the shape of a record just read whole from the block, `length`
// bytes at `record` and its line end of `lineEnd` bytes (a line feed, or a
// carriage return and a line feed; length + lineEnd <= RecordShape::kBytes),
// its values at `places`, in place of the older recent shape. Where shapes
// keep changing, only now and then.
void keepShape(RecentShapes& recent, const char* record, std::size_t length, std::size_t lineEnd,
               const ValuePlace* places, std::size_t items);

}  // namespace recio
