// Connecting units to files, disconnecting them, and ending the run.
#pragma once

#include "recio/io_control.h"

namespace recio {

// Connect (OPEN): the control's unit to its file name with its status text.
[[nodiscard]] IoStatus openUnit(IoControl& control);

// Disconnect (CLOSE): writes out and closes the unit's file; a unit without
// a connection is no failure.
[[nodiscard]] IoStatus closeUnit(IoControl& control);

// The process settings the layer relies on; the first call of a run.
void startRun();

// Stop: every connection written out and closed, exit status 0, nothing
// printed. A failed last write or close is reported (two lines, status 255).
[[noreturn]] void stopRun(IoControl& control);

// Writes out and closes every connection in table order and frees everything
// the layer owns. The first failed write (or close, when those are reported)
// is remembered and reported once all connections are closed (report.cpp),
// so closing never recurses. Inside another report a failed close is not.
enum class FailedClose { Reported, Ignored };
void closeAllUnits(IoControl& control, FailedClose failedClose);

// The connection a transfer works on, made current; nullptr when the unit has
// none. May create the console entries and the statement work buffers.
// Failures (illegal unit, no memory) go through failStatement; then the
// result is nullptr and `status` holds the returned status.
[[nodiscard]] UnitConnection* findUnit(IoControl& control, IoStatus& status);

// Makes sure the two statement work buffers exist.
[[nodiscard]] IoStatus ensureWorkBuffers(IoControl& control);

// Writes the filled part of a file buffer (the physical write), cutting an
// old file to the end of the new data on the first one.
[[nodiscard]] IoStatus writeBuffer(IoControl& control, UnitConnection& connection);

// Grows a layer buffer to at least `needed` bytes, in steps of `step` bytes.
[[nodiscard]] bool growBuffer(char*& bytes, std::size_t& capacity, std::size_t needed, std::size_t step);

}  // namespace recio
