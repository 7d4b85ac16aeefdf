#include "support/statements.h"

namespace fake {
namespace {

template <typename Number>
ReadOutcome read(recio::IoControl& control, std::int32_t unit, int items, bool handles) {
  std::vector<Number> numbers(static_cast<std::size_t>(items));
  const recio::ReadOutcome got = recio::readValues(control, unit, std::span<Number>(numbers), {handles, handles});
  ReadOutcome outcome{got.status, {}};
  for (std::size_t i = 0; i < got.transferred; ++i) {
    if ((got.assigned >> i & 1U) != 0) {
      outcome.values.emplace_back(static_cast<double>(numbers[i]));
    } else {
      outcome.values.emplace_back(std::nullopt);
    }
  }
  return outcome;
}

}  // namespace

ReadOutcome readDoubles(recio::IoControl& control, std::int32_t unit, int items, bool handles) {
  return read<double>(control, unit, items, handles);
}

ReadOutcome readIntegers(recio::IoControl& control, std::int32_t unit, int items, bool handles) {
  return read<std::int32_t>(control, unit, items, handles);
}

}  // namespace fake
