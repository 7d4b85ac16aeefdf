#include "recio/reader/shape_path.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <iterator>

namespace recio {
namespace {

constexpr bool isBlank(std::uint8_t c) { return c == ' '; }

// The sign place of a value: its sign, or the blank before it when a blank
// stands before that too (or the value begins its record): a sign there
// leaves the value's separation as it was. The byte that is '-' when the
// value is negative (with its allowed other byte), or a digit byte.
std::int32_t signPlace(RecordShape& shape, const char* record, const ValueLayout& layout, bool plusSigns) {
  const std::uint32_t start = layout.start;
  if (layout.digits != start) {
    shape.other[start] = record[start] == '-' ? (plusSigns ? '+' : ' ') : '-';
    return static_cast<std::int32_t>(start);
  }
  const auto blank = [record](std::uint32_t at) { return isBlank(static_cast<std::uint8_t>(record[at])); };
  if (start >= 1 && blank(start - 1) && (start == 1 || blank(start - 2))) {
    shape.other[start - 1] = plusSigns ? '+' : '-';
    return static_cast<std::int32_t>(start - 1);
  }
  return static_cast<std::int32_t>(start);
}

// The exponent of a long value: [EeDd] [+-] digits or [+-] digits, one to
// three digits. False for anything else.
bool planExponent(RecordShape& shape, const char* record, LongPlan& plan, const ValueLayout& layout) {
  std::uint32_t i = layout.mantissaEnd;
  plan.exponentSign = static_cast<std::int32_t>(layout.digits);
  for (int k = 0; k < 3; ++k) {
    plan.exponent[k] = static_cast<std::int32_t>(layout.digits);
    plan.weights[k] = 0;
  }
  if (i == layout.end) return true;
  if (isExponentLetter(record[i])) ++i;
  if (i < layout.end && isSign(record[i])) {
    plan.exponentSign = static_cast<std::int32_t>(i);
    shape.other[i] = record[i] == '-' ? '+' : '-';
    ++i;
  }
  const std::uint32_t digits = layout.end - i;
  if (i == layout.mantissaEnd || digits == 0 || digits > 3) return false;
  for (std::uint32_t k = 0; k < digits; ++k) {
    const std::uint32_t at = layout.end - 1 - k;
    if (!isDigit(record[at])) return false;
    plan.exponent[k] = static_cast<std::int32_t>(at);
    plan.weights[k] = k == 0 ? 1 : k == 1 ? 10 : 100;
  }
  return true;
}

// The plan of value `item`; false for a value no shape reads.
bool planValue(RecordShape& shape, const char* record, const ValueLayout& layout, std::uint32_t item, bool plusSigns) {
  const std::uint32_t whole = layout.point - layout.digits;
  const std::uint32_t fraction = layout.hasPoint ? layout.mantissaEnd - layout.point - 1 : 0;
  if (whole + fraction == 0 || whole + fraction > kDigitsWithRoom) return false;
  const std::int32_t sign = signPlace(shape, record, layout, plusSigns);
  if (layout.mantissaEnd == layout.end && whole + fraction <= 8) {
    addEightDigits(shape.eightDigitGroups, shape.eightDigitGroupCount, digitsEnd(layout), whole + fraction, fraction,
                   sign, item);
    return true;
  }
  if (layout.mantissaEnd == layout.end && fitsShortDecimal(whole, fraction)) {
    // Pairs fill up in order; an odd one stands in both halves of its pair
    // until another comes.
    const std::uint32_t k = shape.shortPairCount;
    ShortPairPlan& pair = shape.shortPairs[k / 2];
    for (std::uint32_t half = k % 2; half < 2; ++half) {
      pair.at[half] = static_cast<std::int32_t>(layout.point) - static_cast<std::int32_t>(kShortBefore);
      std::memcpy(pair.digits[half], detail::kShortMasks[whole * 9 + fraction].bytes, 16);
      pair.sign[half] = sign;
      pair.item[half] = item;
    }
    shape.shortPairCount = k + 1;
    return true;
  }
  LongPlan& plan = shape.longs[shape.longCount++];
  plan.from = std::min(sign, static_cast<std::int32_t>(layout.start));
  const auto span = layout.end - static_cast<std::uint32_t>(plan.from);
  if (span > sizeof plan.seen) return false;
  plan.bytes = span == 32 ? ~std::uint32_t{0} : (std::uint32_t{1} << span) - 1;
  std::fill(std::begin(plan.seen), std::end(plan.seen), '\0');
  plan.sign = sign;
  plan.item = item;
  plan.misses = 0;
  plan.skips = 0;
  plan.at = static_cast<std::int32_t>(digitsEnd(layout));
  plan.lanes = digitLanesOf(whole + fraction, fraction);
  return planExponent(shape, record, plan, layout);
}

}  // namespace

bool takeShape(RecordShape& shape, const char* record, std::size_t length, std::size_t lineEnd,
               const ValueLayout* layouts, std::size_t items) {
  shape.items = 0;
  const std::size_t bytes = length + lineEnd;
  if (bytes > RecordShape::kBytes || items > RecordShape::kValues || std::memchr(record, '\t', length) != nullptr) {
    return false;
  }
  shape.length = static_cast<std::uint32_t>(length);
  shape.advance = static_cast<std::uint32_t>(bytes);
  shape.chunks = static_cast<std::uint32_t>((bytes + 15) / 16);
  // Eight bytes at a time: each digit becomes '0' with room 9, any other
  // byte stays with room 0; past the line end, up to the last chunk tested
  // (testedChunks), anything fits.
  const std::size_t tested = 16 * std::size_t{testedChunks(shape.chunks)};
  for (std::size_t i = 0; i < tested; i += 8) {
    const std::uint64_t word = loadTextWord(record + i);
    const std::uint64_t digits = (~nonDigitBytes(word) >> 7 & kEachByte) * 0xFF;
    const std::uint64_t within = i >= bytes       ? 0
                                 : bytes - i >= 8 ? ~std::uint64_t{0}
                                                  : (std::uint64_t{1} << (8 * (bytes - i))) - 1;
    const std::uint64_t base = ((word & ~digits) | (0x30 * kEachByte & digits)) & within;
    storeTextWord(base, shape.other + i);
    storeTextWord(base ^ (0x80 * kEachByte), shape.base + i);
    storeTextWord(((0x09 * kEachByte & digits & within) | ~within) ^ (0x80 * kEachByte), shape.room + i);
  }
  bool plusSigns = false;
  for (std::size_t i = 0; i < items; ++i) plusSigns = plusSigns || record[layouts[i].start] == '+';
  shape.eightDigitGroupCount = 0;
  shape.shortPairCount = 0;
  shape.longCount = 0;
  for (std::size_t i = 0; i < items; ++i) {
    if (!planValue(shape, record, layouts[i], static_cast<std::uint32_t>(i), plusSigns)) return false;
  }
  shape.eightDigitGroupCount = completeEightDigitGroups(shape.eightDigitGroups, shape.eightDigitGroupCount);
  shape.shortPairCount = (shape.shortPairCount + 1) / 2;
  shape.items = static_cast<std::uint32_t>(items);
  return true;
}

namespace {

// The lines of a trial of shapes, the records a shape must read for taking
// it to pay (taking one costs about what reading four records by their
// masks costs more than reading them by the shape), and the rests after
// trials where shapes did not pay: each twice the last, up to kLongestRest
// records.
constexpr std::int64_t kTrialLines = 256;
constexpr std::uint32_t kReadsPerShape = 4;
constexpr std::uint32_t kFirstRest = 1024;
constexpr std::uint32_t kLongestRest = 16384;

void startTrial(RecentShapes& recent, std::int64_t line) {
  recent.missesInARow = 0;
  recent.trialStart = line;
  recent.misses = 0;
  recent.takes = 0;
}

// Records not read by the masks were read by shapes (or by the statement
// calls, now and then).
void judgeTrial(RecentShapes& recent, std::int64_t line) {
  const std::int64_t hits = line - recent.trialStart - recent.misses;
  if (std::int64_t{recent.takes} * kReadsPerShape > hits) {
    recent.rest = std::clamp(2 * recent.rest, kFirstRest, kLongestRest);
    recent.missesInARow = detail::kResting + recent.rest;
  } else {
    const std::uint32_t missesInARow = recent.missesInARow;
    startTrial(recent, line);
    recent.missesInARow = missesInARow;
    recent.rest = 0;
  }
}

// The process's shapes; constant-initialised, so no start-up code and no
// guard.
constinit ShapeTable gShapeTable{};

ShapeTable& shapeTable() { return gShapeTable; }

// Makes `shape` the latest, the latest's successor.
void use(RecentShapes& recent, ShapeTable& table, RecordShape& shape) {
  if (recent.latest != nullptr) table.successors[recent.latest - table.shapes] = &shape;
  recent.latest = &shape;
  table.uses[&shape - table.shapes] = ++table.clock;
}

RecordShape* successorOf(const RecentShapes& recent, const ShapeTable& table) {
  return table.successors[recent.latest - table.shapes];
}

// Whether a control byte (a line end, or a tab) stands within the first
// `available` bytes from `record` on.
bool controlWithin(const char* record, std::size_t available) {
  for (std::size_t chunk = 0; 16 * chunk < available; ++chunk) {
    const std::uint32_t controls = classifyChunk(record + 16 * chunk).controls;
    if (controls != 0) return 16 * chunk + static_cast<std::size_t>(std::countr_zero(controls)) < available;
  }
  return false;
}

// The shape of layout number `number`: the first of its set's places that
// holds it; nullptr for none.
RecordShape* placedShape(ShapeTable& table, std::uint64_t number) {
  const std::uint32_t first = firstPlace(number);
  for (std::uint32_t place = first; place < first + ShapeTable::kWays; ++place) {
    if (table.numbers[place] == number) return &table.shapes[place];
  }
  return nullptr;
}

// Whether the record text of `length` bytes at `text` has `shape` (if not
// nullptr), the shape's line end put after it.
[[gnu::always_inline]] inline bool textFits(const RecordShape* shape, char* text, std::size_t length,
                                            std::size_t items) {
  if (shape == nullptr || shape->length != length || shape->items != items) return false;
  std::memcpy(text + length, shape->other + length, shape->advance - length);
  return hasShape(*shape, text);
}

}  // namespace

RecordShape* olderShapeOf(RecentShapes& recent, const char* record, std::size_t available, std::size_t items) {
  if (recent.latest == nullptr) return nullptr;
  ShapeTable& table = shapeTable();
  RecordShape* const successor = successorOf(recent, table);
  if (successor != nullptr && successor != recent.latest &&
      detail::fitsShapeLookedUp(*successor, record, available, items)) {
    use(recent, table, *successor);
    recent.missesInARow = 0;
    return successor;
  }
  // At the end of the block, what is left is mostly a part of a record, to
  // be read from the record text.
  if (available <= RecordShape::kBytes && !controlWithin(record, available)) return nullptr;
  RecordShape* const placed = placedShape(table, shapeNumber(record, available));
  if (placed == nullptr || placed == recent.latest || placed == successor ||
      !detail::fitsShapeLookedUp(*placed, record, available, items)) {
    return nullptr;
  }
  use(recent, table, *placed);
  recent.missesInARow = 0;
  return placed;
}

RecordShape* shapeOfText(RecentShapes& recent, char* text, std::size_t length, std::size_t items) {
  if (recent.latest == nullptr) return nullptr;
  ShapeTable& table = shapeTable();
  if (textFits(recent.latest, text, length, items)) return recent.latest;
  RecordShape* const successor = successorOf(recent, table);
  if (textFits(successor, text, length, items)) return successor;
  // A line feed stands where either line end would, for the layout number.
  text[length] = '\n';
  RecordShape* const placed = placedShape(table, shapeNumber(text, length + 1));
  return textFits(placed, text, length, items) ? placed : nullptr;
}

void keepShape(RecentShapes& recent, std::int64_t line, const char* record, std::size_t available, bool serve,
               std::size_t length, std::size_t lineEnd, const ValueLayout* layouts, std::size_t items) {
  if (recent.missesInARow >= detail::kResting) {
    recent.missesInARow -= 1;
    if (recent.missesInARow == detail::kResting) startTrial(recent, line);
    return;
  }
  recent.missesInARow += 1;
  recent.misses += 1;
  if (line - recent.trialStart >= kTrialLines) judgeTrial(recent, line);
  if (!serve || lineEnd == 0) return;
  // In place of the shape of its set that read a record longest ago (the
  // latest, which reads without counting, aside).
  ShapeTable& table = shapeTable();
  const std::uint64_t number = shapeNumber(record, available);
  const std::uint32_t first = firstPlace(number);
  const auto age = [&table](std::uint32_t place) { return table.clock - table.uses[place]; };
  std::uint32_t oldest = &table.shapes[first] == recent.latest ? first + 1 : first;
  for (std::uint32_t place = oldest + 1; place < first + ShapeTable::kWays; ++place) {
    if (&table.shapes[place] != recent.latest && age(place) > age(oldest)) oldest = place;
  }
  RecordShape& shape = table.shapes[oldest];
  table.numbers[oldest] = number;
  if (takeShape(shape, record, length, lineEnd, layouts, items)) {
    use(recent, table, shape);
    recent.takes += 1;
  }
}

}  // namespace recio
