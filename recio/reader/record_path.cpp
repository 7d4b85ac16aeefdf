// A record read from the block by masks over its line (line_masks.h): the
// values are where the free-form rules cut them, each converted by the
// general steps' arithmetic. Records that need anything else (a null value,
// a comma, a repeat count, a slash, a value on the next line, more than
// blanks after the last value, a character the check refuses, a record
// that grows the record text) are left to the statement calls.
#include "recio/reader/record_path.h"

#include <bit>
#include <cstdint>
#include <cstring>

#include "recio/numbers/decimal_scan.h"
#include "recio/numbers/decimal_to_double.h"
#include "recio/reader/finish_statement.h"
#include "recio/reader/line_masks.h"
#include "recio/reader/long_decimals.h"
#include "recio/reader/reader_state.h"
#include "recio/reader/record_collector.h"
#include "recio/reader/shape_path.h"
#include "recio/reader/short_decimals.h"

namespace recio {
namespace {

// The most items a record of this path holds.
constexpr std::size_t kMostItems = 16;

unsigned lowestBit(std::uint64_t bits) { return static_cast<unsigned>(std::countr_zero(bits)); }

// Bits 0 to count - 1; count below 64.
constexpr std::uint64_t lowBits(unsigned count) { return (std::uint64_t{1} << count) - 1; }

// The masks of the 64 bytes of the line from chunk `chunk` on.
struct Window {
  std::uint32_t base = 0;  // 16 chunk
  std::uint64_t separators = 0;
  std::uint64_t digits = 0;
};

Window windowAt(const LineMasks& masks, std::uint32_t offset) {
  const std::uint32_t chunk = offset / 16;
  return {16 * chunk, maskWindow(masks.separators, chunk), maskWindow(masks.digits, chunk)};
}

// The first byte at or after `from` that is no separator: where the next
// value begins, or a place past the line end when none is left on it.
[[gnu::always_inline]] inline std::uint32_t nextValue(const LineMasks& masks, Window& window, std::uint32_t from) {
  for (;;) {
    const std::uint64_t others = ~window.separators >> (from - window.base);
    if (others != 0) return from + lowestBit(others);
    from = window.base + 64;
    if (from > masks.lineEnd) return from;
    window = windowAt(masks, from);
  }
}

// The number of trailing '0' characters of [first, end), at most end - first;
// reads the eight bytes before end, which lie in the block.
unsigned trailingZeros(const char* first, const char* end) {
  unsigned zeros = 0;
  while (end - first >= 8) {
    const std::uint64_t others = loadTextWord(end - 8) ^ (0x30 * kEachByte);
    if (others != 0) return zeros + static_cast<unsigned>(std::countl_zero(others)) / 8;
    zeros += 8;
    end -= 8;
  }
  while (end > first && end[-1] == '0') {
    ++zeros;
    --end;
  }
  return zeros;
}

// The exponent of text[at, length): [EeDd] [+-] digits, or [+-] digits, at
// most four digits; `others` holds the non-digits from `at` on.
bool readExponent(const char* text, std::uint64_t others, unsigned at, unsigned length, std::int64_t& exponent) {
  unsigned i = at;
  if (isExponentLetter(text[i])) {
    ++i;
    others &= others - 1;
  }
  bool negative = false;
  if (others != 0 && lowestBit(others) == i && isSign(text[i])) {
    negative = text[i] == '-';
    ++i;
    others &= others - 1;
  }
  if (others != 0 || i == at || i == length || length - i > 4) return false;
  std::int64_t x = 0;
  for (; i < length; ++i) x = x * 10 + static_cast<std::int64_t>(digitValue(text[i]));
  exponent = negative ? -x : x;
  return true;
}

// A layout moved by `offset` bytes.
void placeLayout(ValueLayout& layout, std::int64_t offset) {
  for (std::uint32_t* at : {&layout.start, &layout.digits, &layout.point, &layout.mantissaEnd, &layout.end}) {
    *at = static_cast<std::uint32_t>(*at + offset);
  }
}

// A value whose mantissa has more digits than a short decimal, or an
// exponent: m of its kept digits (every digit has room, at most
// kDigitsWithRoom of them from the first non-zero one; fraction zeros after
// the last non-zero digit are held back and dropped, so they never enter
// m), and one scaling.
bool readLongValue(const char* text, const ValueLayout& layout, std::uint64_t others, unsigned length, double& value) {
  std::int64_t exponent = 0;
  if (layout.mantissaEnd < length && !readExponent(text, others, layout.mantissaEnd, length, exponent)) return false;
  const char* whole = text + layout.digits;
  const char* const point = text + layout.point;
  while (whole < point && *whole == '0') ++whole;
  unsigned kept = 0;
  const char* fraction = point + 1;
  if (layout.hasPoint) {
    const unsigned digits = layout.mantissaEnd - layout.point - 1;
    kept = digits - trailingZeros(fraction, text + layout.mantissaEnd);
    if (whole == point) {
      while (fraction < point + 1 + kept && *fraction == '0') ++fraction;
    }
  }
  const auto wholeDigits = static_cast<unsigned>(point - whole);
  const auto fractionDigits = static_cast<unsigned>(point + 1 + kept - fraction);
  if (wholeDigits + fractionDigits > kDigitsWithRoom) return false;
  const std::uint64_t mantissa =
      digitsValue(whole, wholeDigits) * detail::kTensUpTo19[fractionDigits] + digitsValue(fraction, fractionDigits);
  value = decimalToDouble(text[0] == '-', mantissa, exponent - static_cast<std::int64_t>(kept));
  return true;
}

// Any other value by the general steps, unless the statement calls must see
// it: a slash, an asterisk or a comma in it, or a character the check
// refuses.
bool readOtherValue(const char* text, unsigned length, double& value) {
  for (unsigned i = 0; i < length; ++i) {
    if (text[i] == '/' || text[i] == '*' || text[i] == ',') return false;
  }
  if (!checkNumberText(text, length, NumberKind::Real)) return false;
  value = convertReal(text, length);
  return true;
}

// The layout of the value of `length` bytes at `start` of its line (text
// at `text`), after `lead` sign bytes; its non-digits after the sign are
// `others` (bit 0 its first byte).
ValueLayout layoutOf(const char* text, std::uint32_t start, unsigned length, unsigned lead, std::uint64_t others) {
  ValueLayout layout{start, start + lead, start + length, start + length, start + length, false};
  if (others == 0) return layout;
  layout.point = start + lowestBit(others);
  layout.mantissaEnd = layout.point;
  layout.hasPoint = text[layout.point - start] == '.';
  if (layout.hasPoint) {
    others &= others - 1;
    layout.mantissaEnd = others != 0 ? start + lowestBit(others) : start + length;
  }
  return layout;
}

// A value the plain case does not take: more than kMostLaneDigits digits,
// an exponent, or no decimal at all (or one too near the start of the
// record text). Its layout into `layout` unless that is
// nullptr.
bool readWiderValue(const char* line, std::uint32_t start, unsigned length, std::uint64_t others, unsigned lead,
                    ValueLayout* layout, double& value) {
  const char* const text = line + start;
  const ValueLayout found = layoutOf(text, start, length, lead, others);
  if (layout != nullptr) *layout = found;
  const unsigned whole = found.point - found.digits;
  const unsigned fraction = found.hasPoint ? found.mantissaEnd - found.point - 1 : 0;
  if (whole + fraction == 0) return readOtherValue(text, length, value);  // no digit: "-", ".", "E5", "Inf"
  ValueLayout own = found;
  placeLayout(own, -static_cast<std::int64_t>(start));
  const unsigned exponentAt = own.mantissaEnd;
  return readLongValue(text, own, exponentAt < 64 ? others >> exponentAt << exponentAt : 0, length, value) ||
         readOtherValue(text, length, value);
}

// A value the plain case does not take whose mantissa is one ([sign]
// digits ['.' digits], at most kMostLaneDigits digits) with an exponent of
// at most four digits: its mantissa read by its lanes. Any other by
// readWiderValue.
bool readExponentValue(const char* line, std::uint32_t start, unsigned length, std::uint64_t others, unsigned lead,
                       ValueLayout* layout, double& value) {
  const char* const text = line + start;
  std::uint64_t rest = others;
  unsigned point = lowestBit(rest);
  const bool hasPoint = text[point] == '.';
  if (hasPoint) rest &= rest - 1;
  const unsigned mantissaEnd = rest != 0 ? lowestBit(rest) : length;
  if (!hasPoint) point = mantissaEnd;
  const unsigned fraction = hasPoint ? mantissaEnd - point - 1 : 0;
  const unsigned count = point - lead + fraction;
  std::int64_t exponent = 0;
  if (count == 0 || count > kMostLaneDigits || rest == 0 || !readExponent(text, rest, mantissaEnd, length, exponent)) {
    return readWiderValue(line, start, length, others, lead, layout, value);
  }
  if (layout != nullptr) *layout = {start, start + lead, start + point, start + mantissaEnd, start + length, hasPoint};
  const KeptDigits kept = keptDigits(text + (fraction != 0 ? mantissaEnd : point), digitLanesOf(count, fraction));
  value = decimalToDouble(text[0] == '-', kept.mantissa, exponent - static_cast<std::int64_t>(kept.fractionDigits));
  return true;
}

// The value of `length` bytes at `start` of the line at `line`, whose
// digits from its first byte on are `digits`. Its layout into `layout` unless that is nullptr. The
// plain case ([sign] digits ['.' digits], at most kMostLaneDigits digits)
// straight through, by one eight-digit word up to eight digits and by the
// lanes of its layout above; any other by readWiderValue.
[[gnu::always_inline]] inline bool readValue(const char* line, std::uint32_t start, unsigned length,
                                             std::uint64_t digits, ValueLayout* layout, double& value) {
  const char* const text = line + start;
  const char first = text[0];
  const unsigned lead = first == '-' || first == '+' ? 1 : 0;
  const std::uint64_t others = ~digits & lowBits(length) & ~std::uint64_t{lead};
  unsigned point = length;
  unsigned fraction = 0;
  unsigned end = length;  // where the digits end
  if (others != 0) {
    point = lowestBit(others);
    if (text[point] != '.' || (others & (others - 1)) != 0) {
      return readExponentValue(line, start, length, others, lead, layout, value);
    }
    fraction = length - point - 1;
    end = fraction != 0 ? length : point;
  }
  const unsigned count = point - lead + fraction;
  if (count == 0 || count > kMostLaneDigits) return readWiderValue(line, start, length, others, lead, layout, value);
  if (layout != nullptr) {
    *layout = {start, start + lead, start + point, start + (others != 0 ? length : point), start + length, others != 0};
  }
  if (count <= 8) {
    value = eightDigitValue(text + end, count, fraction, first == '-');
  } else {
    const KeptDigits kept = keptDigits(text + end, digitLanesOf(count, fraction));
    // At most kMostLaneDigits fraction digits: the mask lets the compiler
    // drop the conversion's exponent range test.
    value = decimalToDouble(first == '-', kept.mantissa, -static_cast<std::int64_t>(kept.fractionDigits & 31));
  }
  return true;
}

// readLine for a line of fewer than 64 bytes: where its values begin is
// one mask, walked value by value.
template <bool kLayouts>
bool readShortLine(const char* line, const LineMasks& masks, std::span<double> values, ValueLayout* layouts) {
  const std::uint64_t separators = maskWindow(masks.separators, 0);
  const std::uint64_t digits = maskWindow(masks.digits, 0);
  std::uint64_t starts = ~separators & (separators << 1 | 1) & lowBits(masks.lineEnd);
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (starts == 0) return false;
    const unsigned start = lowestBit(starts);
    starts &= starts - 1;
    // The line end at the latest; the top bit (past the line) tells the
    // compiler that there is one.
    const unsigned length = lowestBit(separators >> start | std::uint64_t{1} << 63);
    if (!readValue(line, start, length, digits >> start, kLayouts ? layouts + i : nullptr, values[i])) {
      return false;
    }
  }
  // Nothing but blanks may follow: anything else the end of the statement
  // would discard is the statement calls' to see.
  return starts == 0;
}

// The values of the line at `line`, classified in `masks`, into `values`,
// their layouts into `layouts` unless it is nullptr. kBufferSlack bytes
// before the line and after its end may be read (words that reach past a
// value are cut to it). False where the statement calls must read it.
bool readLine(const char* line, const LineMasks& masks, std::span<double> values, ValueLayout* layouts) {
  if (masks.lineEnd < 64) {
    return layouts != nullptr ? readShortLine<true>(line, masks, values, layouts)
                              : readShortLine<false>(line, masks, values, nullptr);
  }
  Window window = windowAt(masks, 0);
  std::uint32_t from = 0;
  for (std::uint32_t i = 0; i < values.size(); ++i) {
    const std::uint32_t start = nextValue(masks, window, from);
    if (start >= masks.lineEnd) return false;
    std::uint64_t separators = window.separators >> (start - window.base);
    if (separators == 0) {  // the value runs past the window
      window = windowAt(masks, start);
      separators = window.separators >> (start - window.base);
      if (separators == 0) return false;
    }
    const unsigned length = lowestBit(separators);
    if (!readValue(line, start, length, window.digits >> (start - window.base), layouts ? layouts + i : nullptr,
                   values[i])) {
      return false;
    }
    from = start + length;
  }
  // Nothing but blanks may follow: anything else the end of the statement
  // would discard is the statement calls' to see.
  return nextValue(masks, window, from) > masks.lineEnd;
}

// The values of a record text of `length` bytes at `line` by a recent
// shape, each tried with its own line end put after the text (which reads
// none of them); false where the text has none of them.
bool readByRecentShape(RecentShapes& recent, char* line, std::size_t length, double* values, std::size_t items) {
  if (!shapesServe(recent)) return false;
  RecordShape* const shape = shapeOfText(recent, line, length, items);
  if (shape == nullptr) return false;
  shapeValues(*shape, line, values);
  return true;
}

// A record not wholly in the block: the statement begun as beginRead
// begins it (collecting the record reads on), then the record text read by
// masks. Where that fails, the begun statement is left to the item calls.
[[gnu::noinline]] bool readFromRecordText(IoControl& control, UnitConnection& connection, std::span<double> items) {
  ReaderState& state = readerState(control);
  control.statementKind = StatementKind::Read;
  state.valueUsesLeft = 0;
  state.valueEndedAtRecordEnd = false;
  state.itemAssigned = false;
  control.current = &connection;
  state.begunStatus = fillRecord(control, connection);
  state.statementBegun = true;
  RecordText& record = control.record;
  if (state.begunStatus != IoStatus::Ok || record.fill >= control.value.capacity ||
      record.fill >= LineMasks::kNoLineEnd) {
    return false;
  }
  // The record and a line end after it, with zeros before and after for
  // the reads around its values.
  alignas(16) char text[kBufferSlack + LineMasks::kNoLineEnd + kBufferSlack] = {};
  char* const line = text + kBufferSlack;
  std::memcpy(line, record.bytes, record.fill);
  double values[kMostItems];
  if (!readByRecentShape(state.shapes, line, record.fill, values, items.size())) {
    line[record.fill] = '\n';
    line[record.fill + 1] = '\0';
    LineMasks masks;
    classifyLine(line, record.fill + 1, masks);
    if (masks.lineEnd != record.fill || !readLine(line, masks, std::span(values, items.size()), nullptr)) return false;
  }
  for (std::size_t i = 0; i < items.size(); ++i) items[i] = values[i];
  state.statementBegun = false;
  state.itemAssigned = true;
  finishReadStatement(control);
  return true;
}

// The record read by its line's masks, its shape kept; false where the
// statement calls must read it.
[[gnu::noinline]] bool readByMasks(IoControl& control, UnitConnection& connection, std::span<double> items) {
  const char* const line = connection.buffer + connection.readPosition;
  LineMasks masks;
  classifyLine(line, connection.fill - connection.readPosition, masks);
  // The statement calls would grow the record text for a longer record (a
  // tab stands for up to eight blanks there), or the value text.
  const std::size_t length = masks.lineEnd;
  if (length == LineMasks::kNoLineEnd) return readFromRecordText(control, connection, items);
  if ((masks.tabs ? 8 * length : length) >= control.record.capacity || length >= control.value.capacity) return false;
  double values[kMostItems];
  ValueLayout layouts[kMostItems];
  RecentShapes& recent = readerState(control).shapes;
  const bool keep = shapesServe(recent);
  if (!readLine(line, masks, std::span(values, items.size()), keep ? layouts : nullptr)) {
    return false;
  }
  for (std::size_t i = 0; i < items.size(); ++i) items[i] = values[i];
  const std::size_t start = connection.readPosition;
  finishRecordInBlock(control, connection, length);
  // A line feed or a carriage return and line feed stand in the shape; a
  // carriage return alone (or the block's last byte) leaves its next byte
  // to be looked at.
  const std::size_t lineEnd = connection.readPosition - start - length;
  const bool known = line[length] == '\n' || lineEnd == 2;
  if (recent.missesInARow > detail::kResting + 1) {
    recent.missesInARow -= 1;  // shapes rest, and go on resting after this record
  } else {
    keepShape(recent, connection.linesEnded, line, connection.fill - start, keep, length, known ? lineEnd : 0, layouts,
              items.size());
  }
  return true;
}

}  // namespace

namespace detail {
bool readRecordWithoutShape(IoControl& control, UnitConnection& connection, std::span<double> items) {
  if (items.size() > kMostItems) return false;
  if (connection.readPosition >= connection.fill) return readFromRecordText(control, connection, items);
  return readByMasks(control, connection, items);
}
}  // namespace detail

}  // namespace recio
