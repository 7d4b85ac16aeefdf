// Read statements as the tests look at them: each item's value, or none for an item that received no value.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "recio/statements.h"

namespace fake {

struct ReadOutcome {
  recio::IoStatus status = recio::IoStatus::Ok;  // the first status that was not Ok, else Ok
  std::vector<std::optional<double>> values;     // nullopt: the item kept its old value
};

// One free-form read of `items` numbers, end of file and errors given back unless `handles` is false.
template <typename Number>
ReadOutcome readNumbers(recio::IoControl& control, std::int32_t unit, int items, bool handles = true) {
  std::vector<Number> numbers(static_cast<std::size_t>(items));
  const recio::ReadOutcome got = recio::readValues(control, unit, std::span<Number>(numbers), {handles, handles});
  ReadOutcome outcome{got.status, {}};
  for (std::size_t i = 0; i < got.transferred; ++i) {
    outcome.values.push_back((got.assigned >> i & 1U) != 0 ? std::optional<double>(numbers[i]) : std::nullopt);
  }
  return outcome;
}
inline ReadOutcome readDoubles(recio::IoControl& control, std::int32_t unit, int items, bool handles = true) { return readNumbers<double>(control, unit, items, handles); }
inline ReadOutcome readIntegers(recio::IoControl& control, std::int32_t unit, int items, bool handles = true) { return readNumbers<std::int32_t>(control, unit, items, handles); }

}  // namespace fake
