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

}  // namespace recio
