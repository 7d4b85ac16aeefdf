// Read statements as the tests look at them: each item's value, or none for
// an item that received no value.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "recio/io_control.h"
#include "recio/statements.h"

namespace fake {

struct ReadOutcome {
  recio::IoStatus status = recio::IoStatus::Ok;  // the first status that was not Ok, else Ok
  std::vector<std::optional<double>> values;     // nullopt: the item kept its old value
};

// One free-form read of `items` doubles (or integers), end of file and
// errors given back unless `handles` is false.
ReadOutcome readDoubles(recio::IoControl& control, std::int32_t unit, int items, bool handles = true);
ReadOutcome readIntegers(recio::IoControl& control, std::int32_t unit, int items, bool handles = true);

}  // namespace fake
