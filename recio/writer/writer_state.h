// What the writer keeps in the control record between its calls: where a
// fixed-field statement stands in its format, and whether a free-form
// record's last item was text.
#pragma once

#include <cstdint>
#include <new>
#include <type_traits>

#include "recio/core/io_control.h"

namespace recio {

struct FormatState {
  const std::uint8_t* start;
  const std::uint8_t* cursor;
  std::int32_t repeatLeft;
  const std::uint8_t* current;       // code byte of the data edit being repeated
  std::int32_t endsWithoutDataEdit;  // format ends met since the last data edit
};

struct WriterState {
  FormatState format;
  bool lastWasText;
};

// Zero bytes are a WriterState at rest, which the control's storage holds
// from its creation.
static_assert(std::is_trivially_copyable_v<WriterState> && std::is_aggregate_v<WriterState>);
static_assert(sizeof(WriterState) <= kWriterStateBytes && alignof(WriterState) <= 16);

inline WriterState& writerState(IoControl& control) {
  return *std::launder(reinterpret_cast<WriterState*>(control.writerState));
}

}  // namespace recio
