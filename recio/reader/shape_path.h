// The shapes of recent records: tried on the next record of the block
// before its line is classified, and taken from records the masks read.
#pragma once

#include <cstdint>

#include "recio/reader/record_shape.h"

namespace recio {

// The shapes of the last kinds of record read by the masks.
struct RecentShapes {
  // Columns whose values change width (999.5, 1000.5; 0.5 and 5.0E-002 in
  // a Fortran program's output) make files go round a few kinds of record.
  static constexpr std::uint32_t kShapes = 8;
  RecordShape shapes[kShapes];
  // The shapes by their last use (reading or taking a record), the latest
  // first, and the latest itself. All zero is a valid start (the state
  // lives in zeroed storage): the order is set when the first is taken.
  std::uint8_t order[kShapes];
  RecordShape* latest;  // nullptr before the first
  // Records read since one was read by its shape: where shapes do not
  // repeat, taking each costs more than it saves. While shapes rest (see
  // keepShape), kResting and more.
  std::uint32_t missesInARow;
  // The line before the trial of shapes began, and the records read
  // without them and the shapes taken since; the length of the last rest.
  std::int64_t trialStart;
  std::uint32_t misses;
  std::uint32_t takes;
  std::uint32_t rest;
};

namespace detail {
// Records in a row that no shape read, whose shapes are taken and whose
// next record is tried by the recent shapes, before only every
// kKeepEvery-th is: shapes that serve are taken at once, and files whose
// records all differ pay for them seldom.
inline constexpr std::uint32_t kKeptInARow = 4;
inline constexpr std::uint32_t kKeepEvery = 16;
inline constexpr std::uint32_t kResting = std::uint32_t{1} << 31;

[[gnu::always_inline]] inline bool fitsShape(const RecordShape& shape, const char* record, std::size_t available,
                                             std::size_t items) {
  return shape.items == items && shape.advance <= available && hasShape(shape, record);
}
}  // namespace detail

inline bool shapesServe(const RecentShapes& recent) {
  const std::uint32_t misses = recent.missesInARow;
  return misses <= detail::kKeptInARow || (misses % detail::kKeepEvery == 0 && misses < detail::kResting);
}

// A recent shape that is not the latest and that the record fits, made the
// latest; nullptr for none.
RecordShape* olderShapeOf(RecentShapes& recent, const char* record, std::size_t available, std::size_t items);

// The recent shape (the latest first) that the record at `record` (in a
// connection's block) has, with `items` values, its line end within the
// `available` bytes of data, where shapes serve (shapesServe); nullptr for
// none.
[[gnu::always_inline]] inline RecordShape* recentShapeOf(RecentShapes& recent, const char* record,
                                                         std::size_t available, std::size_t items) {
  RecordShape* const latest = recent.latest;
  if (latest != nullptr && detail::fitsShape(*latest, record, available, items)) {
    recent.missesInARow = 0;
    return latest;
  }
  return olderShapeOf(recent, record, available, items);
}

// Counts a record the masks read, which ended line `line`, and, where
// shapes serve (`serve`) and its line end is a line feed or a carriage
// return and a line feed, takes its shape in place of the one that read a
// record longest ago (takeShape's arguments): where shapes keep changing,
// only now and then. Where the shapes of a trial of lines did not pay,
// they rest: no shape is tried or taken for a while.
void keepShape(RecentShapes& recent, std::int64_t line, const char* record, bool serve, std::size_t length,
               std::size_t lineEnd, const ValueLayout* layouts, std::size_t items);

}  // namespace recio
