// What the reader keeps of the records of doubles it has read: the shapes
// of the last two kinds of record, which later records of the same shape
// are read from (reader/kept_layouts.h).
#pragma once

#include <cstddef>
#include <cstdint>

namespace recio {

// A record's bytes with every digit as '0', its line end, and where each
// value's digits stand.
struct RecordLayout {
  static constexpr std::size_t kBytes = 128;  // the record and its line end
  static constexpr std::size_t kValues = 16;
  std::uint32_t items = 0;     // 0: no layout
  std::uint32_t length = 0;    // bytes before the line end
  std::uint32_t lineEnd = 0;   // 1 for a line feed, 2 for a carriage return and a line feed
  std::uint32_t chunks = 0;    // sixteen-byte groups from the record's start to its line end
  std::int32_t firstRead = 0;  // the lowest record offset a value is read from, -7 at least
  alignas(16) std::uint8_t base[kBytes];
  // How far above `base` each byte may lie: 9 for a digit, 0 for a byte that
  // must be equal, 255 past the line end.
  alignas(16) std::uint8_t room[kBytes];
  // Value i is read from the sixteen bytes at record offset at[i]: up to
  // seven whole digits end at the eighth byte, its point (or the byte after
  // a value without one), and up to eight fraction digits follow.
  // digitMasks[i] has 0x0F under the digits; their value, read with the
  // point as a last whole digit 0, is divided by divisors[i] (10^8, negated
  // for a negative value).
  alignas(16) std::uint8_t digitMasks[kValues][16];
  alignas(16) double divisors[kValues];
  std::int32_t at[kValues];
};

struct KeptLayouts {
  // The last two kinds of record, and which was read last: a column whose
  // values change width (999.5, 1000.5) makes files alternate between two.
  RecordLayout layouts[2];
  std::uint8_t recent = 0;
  // Records read by statements since one was read by a layout: where shapes
  // do not repeat, taking each costs more than it saves.
  std::uint32_t statementsInARow = 0;
};

}  // namespace recio
