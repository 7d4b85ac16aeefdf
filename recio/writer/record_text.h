// The record an output statement builds in the record text, and its end: the
// line feed and the transfer to the connection's buffer.
#pragma once

#include <cstddef>

#include "recio/io_control.h"

namespace recio {

// Room for `count` bytes at the record position, which moves past them; the
// fill follows. No place when the record text cannot grow (the failure has
// gone through failStatement, its status is given).
struct Reserved {
  char* place;
  IoStatus status;
};
[[nodiscard]] Reserved reserveAtPosition(IoControl& control, std::size_t count);

// Places `count` bytes at the record position.
[[nodiscard]] IoStatus placeBytes(IoControl& control, const char* bytes, std::size_t count);

// Ends the record in progress and hands it, with its line feed, to the
// connection's buffer; a console line is written at once.
[[nodiscard]] IoStatus endRecord(IoControl& control);

}  // namespace recio
