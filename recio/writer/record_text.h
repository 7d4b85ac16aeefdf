// The record an output statement builds in the record text, and its end: the
// line feed and the transfer to the connection's buffer.
#pragma once

#include <cstddef>

#include "recio/writer/writer_state.h"

namespace recio {

// Room for `count` bytes at the record position, which moves past them; the
// fill follows. No place when the record text cannot grow (the failure has
// gone through failStatement, its status is given).
struct Reserved {
  char* place;
  IoStatus status;
};
// The record text grown first.
[[nodiscard]] Reserved reserveGrowing(IoControl& control, std::size_t count);

// Grown while position + count is not below the capacity; a record text
// with room takes the bytes without a call.
[[nodiscard]] inline Reserved reserveAtPosition(IoControl& control, std::size_t count) {
  RecordText& record = control.record;
  if (record.position + count >= record.capacity) return reserveGrowing(control, count);
  char* place = record.bytes + record.position;
  record.position += count;
  if (record.position > record.fill) record.fill = record.position;
  return {place, IoStatus::Ok};
}

// Places `count` bytes at the record position.
[[nodiscard]] IoStatus placeBytes(IoControl& control, const char* bytes, std::size_t count);

// Ends the record in progress and hands it, with its line feed, to the
// connection's buffer; a console line is written at once.
[[nodiscard]] IoStatus endRecord(IoControl& control);

}  // namespace recio
