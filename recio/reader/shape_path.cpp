#include "recio/reader/shape_path.h"

#include <algorithm>
#include <cstring>

#include "recio/reader/finish_statement.h"
#include "recio/reader/reader_state.h"
#include "recio/reader/record_shape.h"

namespace recio {

void takeShape(RecordShape& shape, const char* record, std::size_t length, std::size_t lineEnd,
               const ValuePlace* places, std::size_t items) {
  const std::size_t bytes = length + lineEnd;
  shape.items = static_cast<std::uint32_t>(items);
  shape.length = static_cast<std::uint32_t>(length);
  shape.lineEnd = static_cast<std::uint32_t>(lineEnd);
  shape.chunks = static_cast<std::uint32_t>((bytes - 1) / 16 + 1);
  // Eight bytes at a time up to the line end: each digit becomes '0' with
  // room 9, any other byte stays with room 0.
  for (std::size_t i = 0; i < bytes; i += 8) {
    const std::uint64_t word = loadTextWord(record + i);
    const std::uint64_t digits = (~nonDigitBytes(word) >> 7 & kEachByte) * 0xFF;
    storeTextWord((word & ~digits) | (0x30 * kEachByte & digits), shape.base + i);
    storeTextWord(0x09 * kEachByte & digits, shape.room + i);
  }
  // Past the line end, up to the four chunks the shape test always reads.
  const std::size_t tested = std::max<std::size_t>(16 * shape.chunks, 64);
  std::memset(shape.base + bytes, 0, tested - bytes);
  std::memset(shape.room + bytes, 255, tested - bytes);
  shape.firstRead = 0;
  for (std::size_t i = 0; i < items; ++i) {
    const ValuePlace& place = places[i];
    // The point, or the byte after the digits, is the eighth byte read.
    shape.at[i] = static_cast<std::int32_t>(place.at + place.whole) - 7;
    shape.firstRead = std::min(shape.firstRead, shape.at[i]);
    // 0x0F under bytes 7 - whole to 6 of the first word, 0 to fraction - 1
    // of the second.
    const std::uint64_t whole = (std::uint64_t{1} << (8 * place.whole)) - 1;
    const std::uint64_t fraction =
        place.fraction == 8 ? ~std::uint64_t{0} : (std::uint64_t{1} << (8 * place.fraction)) - 1;
    storeTextWord((whole << (8 * (7 - place.whole))) & (0x0F * kEachByte), shape.digitMasks[i]);
    storeTextWord(fraction & (0x0F * kEachByte), shape.digitMasks[i] + 8);
    shape.divisors[i] = place.negative ? -1e8 : 1e8;
  }
}

void keepShape(RecentShapes& recent, const char* record, std::size_t length, std::size_t lineEnd,
               const ValuePlace* places, std::size_t items) {
  if (!detail::shapesServe(recent)) return;
  // In place of the shape read longer ago.
  recent.last ^= 1;
  takeShape(recent.shapes[recent.last], record, length, lineEnd, places, items);
}

}  // namespace recio
