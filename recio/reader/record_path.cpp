// A record read from the block by the scanner alone: the same value text the
// statement calls would cut out, by the free-form rules, and the same
// conversion. Records that need anything else (null values, repeat counts,
// a slash, a value on the next line, a record that grows the record text,
// infinities and NaNs) are left to the statement calls.
#include "recio/reader/record_path.h"

#include <cstring>

#include "recio/numbers/byte_words.h"
#include "recio/numbers/decimal_to_double.h"
#include "recio/reader/finish_statement.h"
#include "recio/reader/reader_state.h"
#include "recio/reader/shape_path.h"

namespace recio {
namespace {

constexpr bool isBlank(char c) { return c == ' ' || c == '\t'; }
constexpr bool isLineEnd(char c) { return c == '\n' || c == '\r'; }

// Past blanks and tabs, eight bytes at a time while eight may be read.
const char* skipBlanks(const char* p, const char* end, bool& tabs) {
  while (end - p >= 8) {
    const std::uint64_t others = loadTextWord(p) ^ (0x20 * kEachByte);
    if (others == 0) {
      p += 8;
      continue;
    }
    p += firstNonZeroByte(others);
    if (*p != '\t') return p;
    tabs = true;
    ++p;
  }
  for (; p < end && isBlank(*p); ++p) tabs = tabs || *p == '\t';
  return p;
}

// What the scan of a record found.
struct ScannedRecord {
  const char* lineEnd = nullptr;  // nullptr: the statement calls must read it
  bool tabs = false;              // tabs stood in the record
  bool shaped = true;             // every value fits a shape
};

// The values of items.size() items from `p`, into `values`, with their places.
ScannedRecord scanRecord(const char* const start, const char* const end, std::span<double> values, ValuePlace* places) {
  ScannedRecord found;
  const char* p = start;
  for (std::size_t i = 0; i < values.size(); ++i) {
    p = skipBlanks(p, end, found.tabs);
    if (p == end || *p == ',' || *p == '/' || isLineEnd(*p)) return {};
    const ScannedDecimal scan = scanDecimal(p, static_cast<std::size_t>(end - p));
    if (scan.kind != ScannedDecimal::Kind::Finite || scan.length == static_cast<std::size_t>(end - p)) return {};
    const char* const value = p;
    p += scan.length;
    if (isBlank(*p)) {
      p = skipBlanks(p, end, found.tabs);
      if (p < end && *p == ',') ++p;
    } else if (*p == ',') {
      ++p;
    } else if (!isLineEnd(*p) || i + 1 < values.size()) {
      return {};  // a value that goes on, or a record that ends before the statement
    }
    values[i] = decimalToDouble(scan);
    const bool plain = !scan.exponentGiven && scan.wholeDigits + scan.fractionDigits > 0;
    found.shaped = found.shaped && plain && fitsShape(scan.wholeDigits, scan.fractionDigits);
    places[i] = {static_cast<std::uint32_t>(value - start) + scan.digitsAt, scan.wholeDigits, scan.fractionDigits,
                 scan.negative};
  }
  // Nothing but blanks may follow: anything else the end of the statement
  // discards is the statement calls' to see.
  p = skipBlanks(p, end, found.tabs);
  if (p < end && isLineEnd(*p)) found.lineEnd = p;
  return found;
}

// The line end at `at`, passed as the collection passes it; its length.
std::size_t passLineEnd(UnitConnection& connection, const char* at) {
  std::size_t length = 1;
  if (*at == '\r') {
    const char* const next = at + 1;
    if (next == connection.buffer + connection.fill) {
      connection.lineFeedEndsNothing = true;
    } else if (*next == '\n') {
      length = 2;
    }
  }
  connection.readPosition = static_cast<std::size_t>(at - connection.buffer) + length;
  connection.linesEnded += 1;
  return length;
}

bool scanRecordInBlock(IoControl& control, UnitConnection& connection, std::span<double> items) {
  if (items.size() > kShapeItems) return false;
  const char* const start = connection.buffer + connection.readPosition;
  double values[kShapeItems];
  ValuePlace places[kShapeItems];
  const ScannedRecord found =
      scanRecord(start, connection.buffer + connection.fill, std::span(values, items.size()), places);
  if (found.lineEnd == nullptr) return false;
  // The statement calls would grow the record text for a longer record; a
  // tab stands for up to eight blanks there.
  const auto length = static_cast<std::size_t>(found.lineEnd - start);
  if ((found.tabs ? 8 * length : length) >= control.record.capacity) return false;
  std::memcpy(items.data(), values, items.size() * sizeof(double));
  const std::size_t lineEnd = passLineEnd(connection, found.lineEnd);
  ReaderState& state = readerState(control);
  control.current = &connection;
  state.valueUsesLeft = 0;
  state.itemAssigned = true;
  finishReadStatement(control);
  state.shapes.missesInARow += 1;
  // A shape tests the bytes as they stand; a lone carriage return's line
  // end may pair with a line feed of the next block, which a shape cannot
  // tell.
  if (found.shaped && !found.tabs && found.lineEnd[lineEnd - 1] == '\n' && length + lineEnd <= RecordShape::kBytes) {
    keepShape(state.shapes, start, length, lineEnd, places, items.size());
  }
  return true;
}

}  // namespace

bool readRecordInBlock(IoControl& control, std::span<double> items) {
  UnitConnection* const connection = control.units.head;
  // The unit's connection as beginRead finds it at the head of the table.
  if (connection == nullptr || control.unit < 0 || connection->unit != control.unit ||
      connection->access == Access::Write || control.item.type != ItemType::Real64 || items.empty()) {
    return false;
  }
  if (readByRecentShape(control, *connection, items)) return true;
  return scanRecordInBlock(control, *connection, items);
}

}  // namespace recio
