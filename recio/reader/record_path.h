// The loader's records of doubles read where they lie in the input block: a
// whole read statement in one call, for records of any shape.
#pragma once

#include <span>

#include "recio/core/io_control.h"
#include "recio/reader/finish_statement.h"
#include "recio/reader/reader_state.h"
#include "recio/reader/record_shape.h"
#include "recio/reader/shape_path.h"

namespace recio {

namespace detail {
// The record by its line's masks (or, not wholly in the block, from the
// record text), where no recent shape reads it.
[[nodiscard]] bool readRecordWithoutShape(IoControl& control, UnitConnection& connection, std::span<double> items);
}  // namespace detail

// beginRead, one readItem for each of `items` (Real64) and endRead in one
// call, with exactly their effect on the control, the connection and the
// items, when the unit's next record holds the statement's values as
// numbers separated by blanks or tabs, with nothing but blanks after the
// last one. Otherwise false: the statement calls read the record, from
// beginRead on. Where the record did not lie wholly in the input block, the
// statement was begun already (its record collected, which reads the next
// block, as beginRead would); beginRead then only gives back what beginning
// it gave.
// Inline, so that a caller's loop reads a record of a recent shape without
// a call.
[[nodiscard, gnu::always_inline]] inline bool readRecordInBlock(IoControl& control, std::span<double> items) {
  UnitConnection* const connection = control.units.head;
  // The unit's connection as beginRead finds it at the head of the table.
  if (connection == nullptr || control.unit < 0 || connection->unit != control.unit ||
      connection->access == Access::Write || control.item.type != ItemType::Real64 || items.empty()) {
    return false;
  }
  RecentShapes& recent = readerState(control).shapes;
  // Where shapes rest (records that keep changing their layout), straight
  // to the masks, before anything else is set up.
  if (!shapesServe(recent) || connection->readPosition >= connection->fill) {
    return detail::readRecordWithoutShape(control, *connection, items);
  }
  const char* const line = connection->buffer + connection->readPosition;
  RecordShape* const shape = recentShapeOf(recent, line, connection->fill - connection->readPosition, items.size());
  if (shape == nullptr) return detail::readRecordWithoutShape(control, *connection, items);
  shapeValues(*shape, line, items.data());
  finishRecordAt(control, *connection, connection->readPosition + shape->advance);
  return true;
}

}  // namespace recio
