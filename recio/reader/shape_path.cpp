#include "recio/reader/shape_path.h"
#include "recio/reader/reader_state.h"

#include <algorithm>
#include <cstring>

#include "recio/reader/character_classes.h"
#include "recio/reader/finish_statement.h"
#include "recio/reader/plain_decimal_item.h"
#include "recio/reader/record_shape.h"

namespace recio {
namespace {

// Statements in a row that keep their shape, and whose next record is tried
// by the recent shapes, before only every kKeepEvery-th is: shapes that
// serve are taken at once, and files whose records all differ pay for them
// seldom.
constexpr std::uint32_t kKeptInARow = 4;
constexpr std::uint32_t kKeepEvery = 16;

bool shapesServe(const RecentShapes& recent) {
  return recent.statementsInARow <= kKeptInARow || recent.statementsInARow % kKeepEvery == 0;
}

// The length of the line end before the connection's read position, after
// `record`: 1 for a line feed, 2 for a carriage return and a line feed; 0
// where the record's bytes do not stand right before it as the record text
// holds them (a tab expanded, a record begun in an earlier block).
std::size_t lineEndAfter(const UnitConnection& connection, const RecordText& record) {
  const std::size_t at = connection.readPosition;
  if (at == 0 || connection.buffer[at - 1] != '\n') return 0;
  const std::size_t lineEnd = at >= 2 && connection.buffer[at - 2] == '\r' ? 2 : 1;
  if (at < lineEnd + record.fill) return 0;
  const char* const start = connection.buffer + at - lineEnd - record.fill;
  return std::memcmp(start, record.bytes, record.fill) == 0 ? lineEnd : 0;
}

// The record read by `shape`, if it has its shape. A shape has 1 to
// kShapeItems values, and its record is shorter than the record text ever
// is. Its line end lies within the block's data, so the shape test reads at
// most 63 bytes past it, and its values at most 7 bytes before the record,
// within the block.
[[gnu::always_inline]] inline bool readByShape(IoControl& control, UnitConnection& connection, const RecordShape& shape,
                                               std::span<double> items) {
  static_assert(RecordShape::kBytes <= kWorkBufferSize);
  const char* const start = connection.buffer + connection.readPosition;
  if (shape.items != items.size() || shape.length + shape.lineEnd > connection.fill - connection.readPosition ||
      static_cast<std::int64_t>(connection.readPosition) + shape.firstRead < 0 || !hasShape(shape, start)) {
    return false;
  }
  shapeValues(shape, start, items.data());
  connection.readPosition += shape.length + shape.lineEnd;
  connection.linesEnded += 1;
  // What beginRead and the item calls leave, then the end of the statement.
  control.current = &connection;
  readerState(control).valueUsesLeft = 0;
  readerState(control).itemAssigned = true;
  finishReadStatement(control);
  readerState(control).shapes.statementsInARow = 0;
  return true;
}

}  // namespace

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

void keepShape(IoControl& control) {
  RecentShapes& recent = readerState(control).shapes;
  recent.statementsInARow += 1;
  RecordText& record = control.record;
  if (control.item.type != ItemType::Real64 || !shapesServe(recent) || record.fill >= record.capacity) return;
  const UnitConnection& connection = *control.current;
  const std::size_t lineEnd = lineEndAfter(connection, record);
  if (lineEnd == 0 || record.fill + lineEnd > RecordShape::kBytes) return;
  // The values of the record up to where the statement stopped, scanned as
  // a statement that begins with this record scans them: each a plain
  // decimal a shape holds. Values the statement took from earlier records
  // leave fewer here, and a shape of that many.
  record.bytes[record.fill] = kStopByte;
  ValuePlace places[kShapeItems];
  std::size_t items = 0;
  std::size_t position = 0;
  while (position < record.position) {
    const PlainValue value = scanPlainValue(record.bytes, position, record.fill);
    const PlainDecimal& number = value.number;
    if (items == kShapeItems || !value.taken || number.exponentGiven ||
        !fitsShape(number.wholeDigits, number.fractionDigits)) {
      return;
    }
    const std::size_t digits = value.first + (record.bytes[value.first] == '-' || record.bytes[value.first] == '+');
    places[items++] = {static_cast<std::uint32_t>(digits), static_cast<std::uint32_t>(number.wholeDigits),
                       static_cast<std::uint32_t>(number.fractionDigits), number.negative};
    position = value.next;
  }
  if (items == 0 || position != record.position) return;
  // A record with more than blanks after its values is read by the
  // statement calls, which tell that its line goes on.
  for (std::size_t i = position; i < record.fill; ++i) {
    if (record.bytes[i] != ' ') return;
  }
  // In place of the shape read longer ago.
  recent.last ^= 1;
  takeShape(recent.shapes[recent.last], connection.buffer + connection.readPosition - lineEnd - record.fill,
            record.fill, lineEnd, places, items);
}

bool readRecordByShape(IoControl& control, std::span<double> items) {
  UnitConnection* const connection = control.units.head;
  // The unit's connection as beginRead finds it at the head of the table.
  if (connection == nullptr || control.unit < 0 || connection->unit != control.unit ||
      connection->access == Access::Write || control.item.type != ItemType::Real64) {
    return false;
  }
  // The shape read last is tried first.
  RecentShapes& recent = readerState(control).shapes;
  if (!shapesServe(recent)) return false;
  const std::uint8_t last = recent.last;
  if (readByShape(control, *connection, recent.shapes[last], items)) return true;
  if (readByShape(control, *connection, recent.shapes[last ^ 1], items)) {
    recent.last = last ^ 1;
    return true;
  }
  return false;
}

}  // namespace recio
