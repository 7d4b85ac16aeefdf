// The shapes of records read before: the process's table of them, found by
// a record's layout number, and the latest of a connection's reads, tried
// on the next record of the block before its line is classified; taken
// from records the masks read.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "recio/reader/line_masks.h"
#include "recio/reader/record_shape.h"

namespace recio {

// The shapes the record path has taken, in sets of kWays chosen by the
// layout number of their record (layoutNumber). A shape reads a record that
// fits it as the masks would, whichever record it was taken from, so one
// table serves every read of the process (which has one thread); it lives
// in zeroed static storage, where the pages of shapes never taken cost
// nothing.
struct ShapeTable {
  // Columns whose values change width (999.5, 1000.5; 0.5 and 5.0E-002 in
  // a Fortran program's output; every value of a %g or a Python column)
  // make files go round many kinds of record: a %g file of the example's
  // grid takes some 600 shapes, which a smaller table evicts and takes anew.
  static constexpr std::uint32_t kWays = 4;
  static constexpr unsigned kSetBits = 7;
  static constexpr std::uint32_t kSets = std::uint32_t{1} << kSetBits;
  static constexpr std::uint32_t kShapes = kWays * kSets;
  RecordShape shapes[kShapes];
  std::uint64_t numbers[kShapes];  // the layout number of each shape's record
  std::uint32_t uses[kShapes];     // when each last read or was taken, by `clock`
  std::uint32_t clock;
  // For each shape, the one that read the record after the last it read
  // (files that go round a few kinds of record keep their order).
  RecordShape* successors[kShapes];
};

// The shapes one connection's reads used last, and whether they pay.
struct RecentShapes {
  RecordShape* latest;  // the shape that read or was taken last; nullptr before the first
  // Records read since one was read by its shape: where shapes do not
  // repeat, taking each costs more than it saves. While shapes rest (see
  // keepShape), kResting and more. All zero is a valid start (the state
  // lives in zeroed storage).
  std::uint32_t missesInARow;
  // The line before the trial of shapes began, and the records read
  // without them and the shapes taken since; the length of the last rest.
  std::int64_t trialStart;
  std::uint32_t misses;
  std::uint32_t takes;
  std::uint32_t rest;
};

// The layout number of the record at `record`, of which `available` bytes
// are data.
inline std::uint64_t shapeNumber(const char* record, std::size_t available) {
  return layoutNumber(
      record, static_cast<std::uint32_t>(std::min<std::size_t>(RecordShape::kBytes / 16, (available + 15) / 16)));
}

// The first of the kWays places of the shapes of records of layout number
// `number`: its top bits, the best mixed, choose the set.
constexpr std::uint32_t firstPlace(std::uint64_t number) {
  return static_cast<std::uint32_t>(number >> (64 - ShapeTable::kSetBits)) * ShapeTable::kWays;
}

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

// fitsShape for a shape found by a lookup (hasShapeLookedUp).
[[gnu::always_inline]] inline bool fitsShapeLookedUp(const RecordShape& shape, const char* record,
                                                     std::size_t available, std::size_t items) {
  return shape.items == items && shape.advance <= available && hasShapeLookedUp(shape, record);
}
}  // namespace detail

inline bool shapesServe(const RecentShapes& recent) {
  const std::uint32_t misses = recent.missesInARow;
  return misses <= detail::kKeptInARow || (misses % detail::kKeepEvery == 0 && misses < detail::kResting);
}

// The latest's successor, or the shape in the record's place, that the
// record fits, made the latest; nullptr for none.
RecordShape* olderShapeOf(RecentShapes& recent, const char* record, std::size_t available, std::size_t items);

// The latest, its successor or the placed shape that the record text of
// `length` bytes at `text` has, with `items` values, its line end put after
// it (which reads none of them; the text is followed by room for any line
// end and by kBufferSlack bytes); nullptr for none.
RecordShape* shapeOfText(RecentShapes& recent, char* text, std::size_t length, std::size_t items);

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
// return and a line feed, takes its shape in its place (takeShape's
// arguments; `available` bytes of data from `record` on): where shapes keep
// changing, only now and then. Where the shapes of a trial of lines did not
// pay, they rest: no shape is tried or taken for a while.
void keepShape(RecentShapes& recent, std::int64_t line, const char* record, std::size_t available, bool serve,
               std::size_t length, std::size_t lineEnd, const ValueLayout* layouts, std::size_t items);

}  // namespace recio
