// Statements as the program makes them, for tests of the record layer.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "recio/io_control.h"

namespace fake {

// Connect `unit` to `name` with `status`; `handles` sets handlesErrors.
recio::IoStatus connect(recio::IoControl& control, std::int32_t unit, const std::string& name,
                        const std::string& status, bool handles = false);
recio::IoStatus disconnect(recio::IoControl& control, std::int32_t unit);

struct ReadOutcome {
  recio::IoStatus status = recio::IoStatus::Ok;  // the first status that was not Ok, else Ok
  std::vector<std::optional<double>> values;     // nullopt: the item kept its old value
};

// One free-form read of `items` doubles (or integers) with both handles set
// unless `handles` is false.
ReadOutcome readDoubles(recio::IoControl& control, std::int32_t unit, int items, bool handles = true);
ReadOutcome readIntegers(recio::IoControl& control, std::int32_t unit, int items, bool handles = true);

// A free-form console line of a label and numbers.
void writeConsole(recio::IoControl& control, const std::string& label, const std::vector<double>& numbers);

// A fixed-field line on `unit` with `format` and the given doubles.
void writeFixed(recio::IoControl& control, std::int32_t unit, const std::uint8_t* format,
                const std::vector<double>& numbers);

}  // namespace fake
