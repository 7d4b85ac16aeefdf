// The end of every read statement, whichever path read its record.
#pragma once

#include "recio/reader/reader_state.h"

namespace recio {

// Nothing of the record survives its statement, and no statement is in
// progress.
inline void finishReadStatement(IoControl& control) {
  control.record.fill = 0;
  control.record.position = 0;
  control.statementKind = StatementKind::None;
  readerState(control).valueEndedAtRecordEnd = false;
}

// What beginRead, the item calls and endRead leave after a record read from
// the block, the read position moved to `next`.
[[gnu::always_inline]] inline void finishRecordAt(IoControl& control, UnitConnection& connection, std::size_t next) {
  connection.readPosition = next;
  connection.linesEnded += 1;
  control.current = &connection;
  ReaderState& state = readerState(control);
  state.valueUsesLeft = 0;
  state.itemAssigned = true;
  finishReadStatement(control);
}

// The end of a statement that read the record of `length` bytes at the
// connection's read position from the block: the line end passed as the
// collection passes it (a carriage return takes the line feed that follows
// it, in this block or as the next one's first byte).
inline void finishRecordInBlock(IoControl& control, UnitConnection& connection, std::size_t length) {
  std::size_t next = connection.readPosition + length + 1;
  if (connection.buffer[next - 1] == '\r') {
    if (next == connection.fill) {
      connection.lineFeedEndsNothing = true;
    } else if (connection.buffer[next] == '\n') {
      next += 1;
    }
  }
  finishRecordAt(control, connection, next);
}

}  // namespace recio
