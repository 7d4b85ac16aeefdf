// Whole statements in one call each, for the program and its tests: the
// statement fields are filled, the begin, item and end calls made in order.
// A failure that the statement does not handle ends the run with its report
// and never comes back; a handled one comes back as the status.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "recio/core/io_control.h"

namespace recio {

// What a statement asks to be told of instead of a report.
struct Handling {
  bool errors = false;
  bool endOfFile = false;
};

// Connect `unit` to the file `name` with `status` ("OLD" or "UNKNOWN").
void connectUnit(IoControl& control, std::int32_t unit, std::string_view name, std::string_view status);
IoStatus connectUnit(IoControl& control, std::int32_t unit, std::string_view name, std::string_view status,
                     Handling handling);
void disconnectUnit(IoControl& control, std::int32_t unit);
IoStatus disconnectUnit(IoControl& control, std::int32_t unit, Handling handling);

// One free-form line: a label (written as it is), then numbers.
void writeLine(IoControl& control, std::int32_t unit, std::string_view label);
void writeLine(IoControl& control, std::int32_t unit, std::string_view label, std::int32_t number);
void writeLine(IoControl& control, std::int32_t unit, std::string_view label, std::span<const double> numbers);

// One fixed-field statement: the compiled format with these doubles.
void writeFormatted(IoControl& control, std::int32_t unit, const std::uint8_t* format, std::span<const double> numbers);

// The statement fields of a free-form read of `type` items, for a caller
// that makes the begin, item and end calls itself.
void prepareRead(IoControl& control, std::int32_t unit, ItemType type, Handling handling);

// One free-form read statement of items.size() items of one kind. `assigned`
// has a bit for each of the first 64 items that received a value (items without one keep
// theirs); `transferred` counts the item calls that came back Ok. A status
// other than Ok ends the statement there.
struct ReadOutcome {
  IoStatus status;
  std::size_t transferred;
  std::uint64_t assigned;
};
ReadOutcome readValues(IoControl& control, std::int32_t unit, std::span<double> items, Handling handling = {});
ReadOutcome readValues(IoControl& control, std::int32_t unit, std::span<std::int32_t> items, Handling handling = {});

}  // namespace recio
