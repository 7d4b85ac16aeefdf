#include "recio/reader/shape_path.h"

#include <algorithm>
#include <cstring>

namespace recio {
namespace {

constexpr bool isBlank(std::uint8_t c) { return c == ' '; }

// The sign place of a value: its sign, or the blank before it when a blank
// stands before that too (or the value begins its record): a sign there
// leaves the value's separation as it was. The byte that is '-' when the
// value is negative (with its allowed other byte), or a digit byte.
std::int32_t signPlace(RecordShape& shape, const ValueLayout& layout, bool plusSigns) {
  const std::uint32_t start = layout.start;
  if (layout.digits != start) {
    shape.other[start] = shape.base[start] == '-' ? (plusSigns ? '+' : ' ') : '-';
    return static_cast<std::int32_t>(start);
  }
  if (start >= 1 && isBlank(shape.base[start - 1]) && (start == 1 || isBlank(shape.base[start - 2]))) {
    shape.other[start - 1] = plusSigns ? '+' : '-';
    return static_cast<std::int32_t>(start - 1);
  }
  return static_cast<std::int32_t>(start);
}

// The exponent of a long value: [EeDd] [+-] digits or [+-] digits, one to
// four digits. False for anything else.
bool planExponent(RecordShape& shape, LongPlan& plan, const ValueLayout& layout) {
  std::uint32_t i = layout.mantissaEnd;
  plan.exponentAt = static_cast<std::int32_t>(i);
  plan.exponentSign = static_cast<std::int32_t>(layout.digits);
  plan.exponentDigits = 0;
  if (i == layout.end) return true;
  if (isExponentLetter(static_cast<char>(shape.base[i]))) ++i;
  if (i < layout.end && isSign(static_cast<char>(shape.base[i]))) {
    plan.exponentSign = static_cast<std::int32_t>(i);
    shape.other[i] = shape.base[i] == '-' ? '+' : '-';
    ++i;
  }
  const std::uint32_t digits = layout.end - i;
  if (i == layout.mantissaEnd || digits == 0 || digits > 4) return false;
  for (std::uint32_t k = i; k < layout.end; ++k) {
    if (shape.room[k] != 9) return false;
  }
  plan.exponentAt = static_cast<std::int32_t>(i);
  plan.exponentDigits = digits;
  return true;
}

// The plan of value `item`; false for a value no shape reads.
bool planValue(RecordShape& shape, const ValueLayout& layout, std::uint32_t item, bool plusSigns) {
  const std::uint32_t whole = layout.point - layout.digits;
  const std::uint32_t fraction = layout.hasPoint ? layout.mantissaEnd - layout.point - 1 : 0;
  if (whole + fraction == 0 || whole + fraction > kDigitsWithRoom) return false;
  const std::int32_t sign = signPlace(shape, layout, plusSigns);
  if (layout.mantissaEnd == layout.end && whole + fraction <= 8) {
    addEightDigits(shape.eightDigitGroups, shape.eightDigitGroupCount, digitsEnd(layout), whole + fraction, fraction,
                   sign, item);
    shape.before = std::max(shape.before, kEightDigitsBefore - std::min(kEightDigitsBefore, digitsEnd(layout)));
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
    shape.before = std::max(shape.before, kShortBefore - std::min(kShortBefore, layout.point));
    return true;
  }
  LongPlan& plan = shape.longs[shape.longCount++];
  plan.sign = sign;
  plan.item = item;
  plan.at = static_cast<std::int32_t>(digitsEnd(layout));
  setDigitLanes(plan.lanes, whole + fraction, fraction);
  const std::uint32_t reach = digitLanesReach(plan.lanes);
  shape.before = std::max(shape.before, reach - std::min(reach, digitsEnd(layout)));
  return planExponent(shape, plan, layout);
}

}  // namespace

bool takeShape(RecordShape& shape, const char* record, std::size_t length, const ValueLayout* layouts,
               std::size_t items) {
  shape.items = 0;
  const std::size_t bytes = length + 1;
  if (bytes > RecordShape::kBytes || items > RecordShape::kValues || std::memchr(record, '\t', length) != nullptr) {
    return false;
  }
  shape.length = static_cast<std::uint32_t>(length);
  shape.chunks = static_cast<std::uint32_t>((bytes + 15) / 16);
  shape.before = 0;
  // Each digit becomes '0' with room 9, any other byte stays with room 0;
  // past the line end, up to the last chunk tested, anything fits.
  for (std::size_t i = 0; i < 16 * std::size_t{shape.chunks}; ++i) {
    const auto byte = static_cast<std::uint8_t>(record[i]);
    const bool digit = i < bytes && isDigit(record[i]);
    shape.base[i] = i < bytes ? (digit ? '0' : byte) : 0;
    shape.room[i] = i < bytes ? (digit ? 9 : 0) : 255;
    shape.other[i] = shape.base[i];
  }
  bool plusSigns = false;
  for (std::size_t i = 0; i < items; ++i) plusSigns = plusSigns || record[layouts[i].start] == '+';
  shape.eightDigitGroupCount = 0;
  shape.shortPairCount = 0;
  shape.longCount = 0;
  for (std::size_t i = 0; i < items; ++i) {
    if (!planValue(shape, layouts[i], static_cast<std::uint32_t>(i), plusSigns)) return false;
  }
  shape.eightDigitGroupCount = (shape.eightDigitGroupCount + 3) / 4;  // values to groups
  shape.shortPairCount = (shape.shortPairCount + 1) / 2;
  shape.items = static_cast<std::uint32_t>(items);
  return true;
}

void keepShape(RecentShapes& recent, const char* record, bool serve, std::size_t length, const ValueLayout* layouts,
               std::size_t items) {
  recent.missesInARow += 1;
  if (!serve) return;
  // In place of the shape read longer ago.
  const auto older = static_cast<std::uint8_t>(recent.last ^ 1);
  if (takeShape(recent.shapes[older], record, length, layouts, items)) recent.last = older;
}

}  // namespace recio
