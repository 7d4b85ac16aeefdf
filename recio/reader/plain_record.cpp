// The loader's records take this path. A record of the shape of the one
// before (record_layout.h) is read from that shape; any other is scanned
// where it lies in the input block, with the steps readPlainDouble takes in
// the record text (a record without tabs and carriage returns is the same
// bytes there), and its shape kept for the next. The record is never
// copied. The block's data is ended by a line feed in the buffer's slack,
// so a record that runs past the block stops every scan there and goes to
// the general steps.
#include "recio/reader/plain_record.h"

#include <algorithm>
#include <cstring>

#include "recio/numbers/decimal_scan.h"
#include "recio/numbers/decimal_to_double.h"
#include "recio/reader/character_classes.h"
#include "recio/reader/record_end_search.h"
#include "recio/reader/record_layout.h"

namespace recio {
namespace {

const char* skipBlanks(const char* p) {
  for (;; p += 8) {
    const std::uint64_t notBlank = loadTextWord(p) ^ (std::uint64_t{' '} * kEachByte);
    if (notBlank != 0) return p + firstNonZeroByte(notBlank);
  }
}

// What beginRead, the item calls and endRead leave, for a record that ended
// at `lineEnd`.
void endPlainRecord(IoControl& control, UnitConnection& connection, const char* lineEnd) {
  connection.readPosition = static_cast<std::size_t>(lineEnd + 1 - connection.buffer);
  connection.linesEnded += 1;
  control.current = &connection;
  control.statementKind = StatementKind::None;
  control.valueUsesLeft = 0;
  control.valueEndedAtRecordEnd = false;
  control.itemAssigned = true;
  control.record.fill = 0;
  control.record.position = 0;
}

// The record at `start` scanned value by value; its shape becomes the
// layout when every value fits one.
bool scanPlainRecord(IoControl& control, UnitConnection& connection, std::span<double> items, const char* start) {
  const char* const blockEnd = connection.buffer + connection.fill;
  double values[kPlainRecordItems];
  ValueShape shapes[kPlainRecordItems];
  bool shaped = true;
  const std::size_t last = items.size() - 1;
  const char* p = start;
  for (std::size_t i = 0;; ++i) {
    p = skipBlanks(p);
    const PlainDecimal number = scanPlainDecimal(p);
    if (number.end == p || !number.plain) return false;
    values[i] = plainDecimalValue(number);
    shaped = shaped && !number.exponentGiven && fitsLayout(number.wholeDigits, number.fractionDigits);
    if (shaped) {
      const char* const digits = *p == '-' || *p == '+' ? p + 1 : p;
      shapes[i] = {static_cast<std::uint32_t>(digits - start), static_cast<int>(number.wholeDigits),
                   static_cast<int>(number.fractionDigits), number.negative};
    }
    p = number.end;
    const char stop = *p;
    if (i == last) {
      // The rest of the record is discarded: after the last item a slash
      // and the record's end end nothing early.
      if (stop != ' ' && stop != ',' && stop != '/' && stop != kStopByte) return false;
      break;
    }
    // A value that ends its record, a slash, or a stop that is not a
    // separator leaves the next item to the general steps.
    if (stop == ',') {
      ++p;
    } else if (stop == ' ') {
      p = skipBlanks(p + 1);
      if (*p == ',') ++p;  // a comma after blanks belongs to the same separator
    } else {
      return false;
    }
  }
  // The record's line feed, in this block, with no tab or carriage return
  // on the way; the collector would not have grown the record text for it.
  const char* const lineEnd = *p == '\n' ? p : findRecordStop(p);
  const auto length = static_cast<std::size_t>(lineEnd - start);
  if (lineEnd == blockEnd || *lineEnd != '\n' || length >= control.record.capacity) return false;
  // A shape is taken while they serve, and now and then where they do not.
  control.scansInARow += 1;
  if (shaped && length < RecordLayout::kBytes && (control.scansInARow <= 4 || control.scansInARow % 16 == 0)) {
    // In place of the shape read longer ago.
    control.recentLayout ^= 1;
    takeLayout(control.plainLayouts[control.recentLayout], start, length, shapes, items.size());
  }
  std::copy(values, values + items.size(), items.begin());
  endPlainRecord(control, connection, lineEnd);
  return true;
}

// The record read by `layout`, if it has its shape. A layout has 1 to
// kPlainRecordItems values, and its record is shorter than the record text
// ever is. Its line feed lies within the block's data, so the shape test
// reads at most 63 bytes past it, and its values at most 7 bytes before the
// record, within the block.
[[gnu::always_inline]] inline bool readByLayout(IoControl& control, UnitConnection& connection,
                                                const RecordLayout& layout, std::span<double> items) {
  static_assert(RecordLayout::kBytes <= kWorkBufferSize);
  const char* const start = connection.buffer + connection.readPosition;
  if (layout.items != items.size() || layout.length >= connection.fill - connection.readPosition ||
      static_cast<std::int64_t>(connection.readPosition) + layout.firstRead < 0 || !hasLayout(layout, start)) {
    return false;
  }
  layoutValues(layout, start, items.data());
  endPlainRecord(control, connection, start + layout.length);
  control.scansInARow = 0;
  return true;
}

}  // namespace

void takeLayout(RecordLayout& layout, const char* record, std::size_t length, const ValueShape* shapes,
                std::size_t items) {
  layout.items = static_cast<std::uint32_t>(items);
  layout.length = static_cast<std::uint32_t>(length);
  layout.chunks = static_cast<std::uint32_t>(length / 16 + 1);
  // Eight bytes at a time up to the line feed: each digit becomes '0' with
  // room 9, any other byte stays with room 0.
  for (std::size_t i = 0; i <= length; i += 8) {
    const std::uint64_t word = loadTextWord(record + i);
    const std::uint64_t digits = (~nonDigitBytes(word) >> 7 & kEachByte) * 0xFF;
    storeTextWord((word & ~digits) | (0x30 * kEachByte & digits), layout.base + i);
    storeTextWord(0x09 * kEachByte & digits, layout.room + i);
  }
  // Past the line feed, up to the four chunks the shape test always reads.
  const std::size_t tested = std::max<std::size_t>(16 * layout.chunks, 64);
  std::memset(layout.base + length + 1, 0, tested - length - 1);
  std::memset(layout.room + length + 1, 255, tested - length - 1);
  layout.firstRead = 0;
  for (std::size_t i = 0; i < items; ++i) {
    const ValueShape& shape = shapes[i];
    // The point, or the byte after the digits, is the eighth byte read.
    layout.at[i] = static_cast<std::int32_t>(shape.at) + shape.whole - 7;
    layout.firstRead = std::min(layout.firstRead, layout.at[i]);
    // 0x0F under bytes 7 - whole to 6 of the first word, 0 to fraction - 1
    // of the second.
    const std::uint64_t whole = (std::uint64_t{1} << (8 * shape.whole)) - 1;
    const std::uint64_t fraction =
        shape.fraction == 8 ? ~std::uint64_t{0} : (std::uint64_t{1} << (8 * shape.fraction)) - 1;
    storeTextWord((whole << (8 * (7 - shape.whole))) & (0x0F * kEachByte), layout.digitMasks[i]);
    storeTextWord(fraction & (0x0F * kEachByte), layout.digitMasks[i] + 8);
    layout.divisors[i] = shape.negative ? -1e8 : 1e8;
  }
}

bool readPlainRecord(IoControl& control, std::span<double> items) {
  UnitConnection* const connection = control.units.head;
  // The unit's connection as beginRead finds it at the head of the table.
  if (connection == nullptr || control.unit < 0 || connection->unit != control.unit ||
      connection->access == Access::Write || control.item.type != ItemType::Real64) {
    return false;
  }
  // The shape read last is tried first.
  const std::uint8_t recent = control.recentLayout;
  if (readByLayout(control, *connection, control.plainLayouts[recent], items)) return true;
  if (readByLayout(control, *connection, control.plainLayouts[recent ^ 1], items)) {
    control.recentLayout = recent ^ 1;
    return true;
  }
  if (items.empty() || items.size() > kPlainRecordItems || connection->readPosition >= connection->fill) return false;
  connection->buffer[connection->fill] = kStopByte;
  return scanPlainRecord(control, *connection, items, connection->buffer + connection->readPosition);
}

}  // namespace recio
