// The shapes of recent records: tried on the next record of the block
// before its line is classified, and taken from records the masks read.
#pragma once

#include <cstdint>

#include "recio/reader/record_shape.h"

namespace recio {

// The shapes of the last two kinds of record read by the masks.
struct RecentShapes {
  // The last two kinds of record, and which was read last: a column whose
  // values change width (999.5, 1000.5) makes files alternate between two.
  RecordShape shapes[2];
  std::uint8_t last = 0;
  // Records read since one was read by its shape: where shapes do not
  // repeat, taking each costs more than it saves.
  std::uint32_t missesInARow = 0;
};

namespace detail {
// Records in a row that no shape read, whose shapes are taken and whose
// next record is tried by the recent shapes, before only every
// kKeepEvery-th is: shapes that serve are taken at once, and files whose
// records all differ pay for them seldom.
inline constexpr std::uint32_t kKeptInARow = 4;
inline constexpr std::uint32_t kKeepEvery = 16;

[[gnu::always_inline]] inline bool fitsShape(const RecordShape& shape, const char* record, std::size_t available,
                                             std::size_t before, std::size_t items) {
  return shape.items == items && shape.length < available && shape.before <= before && hasShape(shape, record);
}
}  // namespace detail

inline bool shapesServe(const RecentShapes& recent) {
  return recent.missesInARow <= detail::kKeptInARow || recent.missesInARow % detail::kKeepEvery == 0;
}

// The recent shape (the one read last first) that the record at `record`
// has, with `items` values, its line end within the `available` bytes of
// data and `before` bytes of the block before it; nullptr for none.
[[gnu::always_inline]] inline const RecordShape* recentShapeOf(RecentShapes& recent, const char* record,
                                                               std::size_t available, std::size_t before,
                                                               std::size_t items) {
  if (!shapesServe(recent)) return nullptr;
  const std::uint8_t last = recent.last;
  if (detail::fitsShape(recent.shapes[last], record, available, before, items)) {
    recent.missesInARow = 0;
    return &recent.shapes[last];
  }
  if (detail::fitsShape(recent.shapes[last ^ 1], record, available, before, items)) {
    recent.last = static_cast<std::uint8_t>(last ^ 1);
    recent.missesInARow = 0;
    return &recent.shapes[last ^ 1];
  }
  return nullptr;
}

// Counts a record the masks read and, where shapes serve (`serve`), takes
// its shape in place of the older recent shape (takeShape's arguments):
// where shapes keep changing, only now and then.
void keepShape(RecentShapes& recent, const char* record, bool serve, std::size_t length, const ValueLayout* layouts,
               std::size_t items);

}  // namespace recio
