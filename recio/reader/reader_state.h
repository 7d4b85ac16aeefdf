// What the reader keeps in the control record between its calls: the
// statement's repeat count and value state, and the shapes of recent records.
#pragma once

#include <cstdint>
#include <new>
#include <type_traits>

#include "recio/core/io_control.h"
#include "recio/reader/shape_path.h"

namespace recio {

struct ReaderState {
  std::int32_t valueUsesLeft;  // items the current value may still serve
  bool valueEndedAtRecordEnd;  // the last value ran to the end of its record
  bool itemAssigned;           // the last readItem stored a value
  // The record path began the statement (record_path.h): beginRead gives
  // back what beginning it gave.
  bool statementBegun;
  IoStatus begunStatus;
  RecentShapes shapes;
};

// Zero bytes are a ReaderState at rest, which the control's storage holds
// from its creation.
static_assert(std::is_trivially_copyable_v<ReaderState> && std::is_aggregate_v<ReaderState>);
static_assert(sizeof(ReaderState) <= kReaderStateBytes && alignof(ReaderState) <= 16);

inline ReaderState& readerState(IoControl& control) {
  return *std::launder(reinterpret_cast<ReaderState*>(control.readerState));
}
inline const ReaderState& readerState(const IoControl& control) {
  return *std::launder(reinterpret_cast<const ReaderState*>(control.readerState));
}

}  // namespace recio
