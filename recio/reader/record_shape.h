// Reading a record by the shape of one read before: the record path keeps
// the layout of a record it read (where each value's sign, digits, point
// and exponent stand), and a later record whose bytes fit it is read
// without classifying its line.
//
// A record has a shape when every byte where the shape has a digit is a
// digit, every byte of a sign place is one of its two signs (a blank and
// '-', '+' and '-'), and every other byte up to and with the line end is
// the shape's byte. Reading such a record makes every decision the reading
// of the shape's record made (they turn on which bytes are digits and on
// the other bytes alone; a sign place only ever stands where a blank would
// still separate the value from the one before), so only the digits and
// signs differ, and they are converted in place.
// The portable shape test gives the SSE2 one's answers
// (tests/fast_record_test.cpp compares the two).
//
// None of these helpers is noexcept: inlined into a caller, a noexcept body
// makes the compiler ask for the C++ runtime's exception personality, and
// that alone would load the whole runtime library at every start.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>

#include "recio/numbers/byte_words.h"
#include "recio/numbers/decimal_scan.h"
#include "recio/numbers/decimal_to_double.h"
#include "recio/reader/long_decimals.h"
#include "recio/reader/short_decimals.h"

namespace recio {

// Where a value's parts stand in its record: offsets from its start.
struct ValueLayout {
  std::uint32_t start;        // its first byte
  std::uint32_t digits;       // its first digit or point, after any sign
  std::uint32_t point;        // its point, or where its mantissa ends without one
  std::uint32_t mantissaEnd;  // where its fraction digits end (point + 1 at least with a point)
  std::uint32_t end;          // the separator after it
  bool hasPoint;
};

// Where a value's digits end: its fraction's end, or the point when no
// digit follows it ("19.").
constexpr std::uint32_t digitsEnd(const ValueLayout& layout) {
  return layout.mantissaEnd == layout.point + 1 ? layout.point : layout.mantissaEnd;
}

// How a long value of a shape is read, and the value as the last record
// read by the shape had it: a record whose bytes of the value are those
// bytes has that value (columns of a grid repeat their values from record
// to record).
struct LongPlan {
  alignas(16) char seen[32];  // the value's bytes from `from` on (zeros, which no value has, before the first)
  std::int32_t from;          // its first byte (its sign place)
  std::uint32_t bytes;        // a bit for each of its bytes from `from` on
  double value;
  std::int32_t sign;          // the byte that is '-' when the value is negative
  std::int32_t at;            // the end of its digits
  std::int32_t exponent[3];   // the exponent's digits, the last first (unused ones repeat a digit's place)
  std::uint32_t weights[3];   // 1, 10, 100 for each exponent digit, 0 for an unused one
  std::int32_t exponentSign;  // the byte that is '-' when the exponent is negative
  std::uint32_t item;
  // Records in a row whose value was not the one seen, and records left to
  // read without comparing (a column that changes with every record, such as
  // a chi-square, pays for no comparison most of the time).
  std::uint32_t misses;
  std::uint32_t skips;
  DigitLanes lanes;
};

// After this many records in a row with a new value, a long plan's bytes
// are compared only once in kLongPlanSkips + 1 records.
inline constexpr std::uint32_t kLongPlanMisses = 2;
inline constexpr std::uint32_t kLongPlanSkips = 15;

// How two short decimals of a shape are read, together (short_decimals.h);
// an odd one is read twice.
struct ShortPairPlan {
  alignas(16) std::uint8_t digits[2][16];
  std::int32_t at[2];    // where their sixteen bytes begin (kShortBefore before the point)
  std::int32_t sign[2];  // the bytes that are '-' when they are negative
  std::uint32_t item[2];
};

struct RecordShape {
  static constexpr std::size_t kBytes = 192;  // the record and the first byte of its line end
  static constexpr std::size_t kValues = 8;
  std::uint32_t items = 0;   // 0: no shape
  std::uint32_t length = 0;  // bytes before the line end
  // The record and its line end (a line feed, or a carriage return and a
  // line feed; a carriage return alone may pair with a line feed of the next
  // block, which a shape cannot tell).
  std::uint32_t advance = 0;
  std::uint32_t chunks = 0;  // sixteen-byte groups from the record's start to its line end
  // Each byte's lowest allowed value and how far above it a byte may lie
  // (9 for a digit, 0 for a byte that must be equal, 255 past the line
  // end), both plus 0x80 (so that one signed comparison tests a byte);
  // `other` is a second allowed byte (the other sign of a sign place;
  // elsewhere the base again).
  alignas(16) std::uint8_t base[kBytes];
  alignas(16) std::uint8_t room[kBytes];
  alignas(16) std::uint8_t other[kBytes];
  EightDigitGroup eightDigitGroups[(kValues + 3) / 4];
  ShortPairPlan shortPairs[(kValues + 1) / 2];
  LongPlan longs[kValues];
  std::uint32_t eightDigitGroupCount;
  std::uint32_t shortPairCount;
  std::uint32_t longCount;
};

// The chunks a test of a shape of `chunks` chunks reads: four, or eight
// when it has more than four, or all.
constexpr std::uint32_t testedChunks(std::uint32_t chunks) { return chunks <= 4 ? 4 : std::max(chunks, 8U); }

// Whether the record at `record` has the shape; reads its chunks.
// The first four chunks are always tested, and eight for a record of more
// than 64 bytes (past the line end every byte fits), so that records of up
// to 127 bytes take no loop.
inline bool hasShapePortable(const RecordShape& shape, const char* record) {
  bool same = true;
  for (std::size_t i = 0; i < 16 * std::size_t{testedChunks(shape.chunks)}; ++i) {
    const auto byte = static_cast<std::uint8_t>(record[i]);
    const auto above = static_cast<std::uint8_t>(byte - (shape.base[i] ^ 0x80));
    same &= above <= (shape.room[i] ^ 0x80) || byte == shape.other[i];
  }
  return same;
}

#ifdef RECIO_SSE2
namespace detail {
// All ones in the bytes of chunk `chunk` that do not fit the shape: the
// byte less the biased base, as a signed byte, lies above the biased room
// exactly when the byte lies more than the room above the base.
inline __m128i shapeMisfits(const RecordShape& shape, const char* record, std::uint32_t chunk) {
  const auto at = [chunk](const void* p) { return reinterpret_cast<const __m128i*>(p) + chunk; };
  const __m128i bytes = _mm_loadu_si128(at(record));
  const __m128i above = _mm_sub_epi8(bytes, _mm_load_si128(at(shape.base)));
  const __m128i misfits = _mm_cmpgt_epi8(above, _mm_load_si128(at(shape.room)));
  return _mm_andnot_si128(_mm_cmpeq_epi8(bytes, _mm_load_si128(at(shape.other))), misfits);
}
}  // namespace detail

[[gnu::always_inline]] inline __m128i fourChunkMisfits(const RecordShape& shape, const char* record,
                                                       std::uint32_t chunk) {
  const __m128i first =
      _mm_or_si128(detail::shapeMisfits(shape, record, chunk), detail::shapeMisfits(shape, record, chunk + 1));
  const __m128i second =
      _mm_or_si128(detail::shapeMisfits(shape, record, chunk + 2), detail::shapeMisfits(shape, record, chunk + 3));
  return _mm_or_si128(first, second);
}

[[gnu::always_inline]] inline bool hasShapeSse2(const RecordShape& shape, const char* record) {
  __m128i misfits = fourChunkMisfits(shape, record, 0);
  if (shape.chunks > 4) {
    misfits = _mm_or_si128(misfits, fourChunkMisfits(shape, record, 4));
    for (std::uint32_t chunk = 8; chunk < shape.chunks; ++chunk) {
      misfits = _mm_or_si128(misfits, detail::shapeMisfits(shape, record, chunk));
    }
  }
  return _mm_movemask_epi8(misfits) == 0;
}
#endif

[[gnu::always_inline]] inline bool hasShape(const RecordShape& shape, const char* record) {
#ifdef RECIO_SSE2
  return hasShapeSse2(shape, record);
#else
  return hasShapePortable(shape, record);
#endif
}

// hasShape, testing two chunks alone for a shape of up to two: where the
// shape is looked up, out of the record loop, the test pays for its branch.
[[gnu::always_inline]] inline bool hasShapeLookedUp(const RecordShape& shape, const char* record) {
#ifdef RECIO_SSE2
  if (shape.chunks <= 2) {
    const __m128i misfits =
        _mm_or_si128(detail::shapeMisfits(shape, record, 0), detail::shapeMisfits(shape, record, 1));
    return _mm_movemask_epi8(misfits) == 0;
  }
#endif
  return hasShape(shape, record);
}

// The value of a long plan in the record at `record`, its digits kept.
[[gnu::always_inline]] inline double longPlanValue(const LongPlan& plan, const char* record, const KeptDigits& kept) {
  // At most three exponent digits, each by its weight.
  std::int64_t exponent = 0;
  if (plan.weights[0] != 0) {
    exponent = static_cast<std::int64_t>(digitValue(record[plan.exponent[0]]) +
                                         digitValue(record[plan.exponent[1]]) * plan.weights[1] +
                                         digitValue(record[plan.exponent[2]]) * plan.weights[2]);
    if (record[plan.exponentSign] == '-') exponent = -exponent;
  }
  return decimalToDouble(record[plan.sign] == '-', kept.mantissa,
                         exponent - static_cast<std::int64_t>(kept.fractionDigits));
}

// The plan's bytes in the record at `record` become the ones seen.
[[gnu::always_inline]] inline void rememberLongBytes(LongPlan& plan, const char* record) {
  std::memcpy(plan.seen, record + plan.from, sizeof plan.seen);
}

// Whether the value of the plan in the record at `record` is the one last
// read by it; if not, its bytes become the ones seen.
[[gnu::always_inline]] inline bool sameLongValue(LongPlan& plan, const char* record) {
  const char* const text = record + plan.from;
#ifdef RECIO_SSE2
  const __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text));
  const __m128i second = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + 16));
  auto* const seen = reinterpret_cast<__m128i*>(plan.seen);
  const auto equal = static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(first, _mm_load_si128(seen)))) |
                     static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(second, _mm_load_si128(seen + 1))))
                         << 16;
  if ((plan.bytes & ~equal) == 0) return true;
  _mm_store_si128(seen, first);
  _mm_store_si128(seen + 1, second);
  return false;
#else
  bool same = true;
  for (unsigned i = 0; i < 32; ++i) same = same && ((plan.bytes >> i & 1U) == 0 || text[i] == plan.seen[i]);
  if (!same) rememberLongBytes(plan, record);
  return same;
#endif
}

// The values of two long plans (the same one twice for one alone).
[[gnu::always_inline]] inline void longPlanPair(LongPlan& a, LongPlan& b, const char* record, double* items) {
  KeptDigits keptA{};
  KeptDigits keptB{};
  keptDigitsPair(record + a.at, a.lanes, record + b.at, b.lanes, keptA, keptB);
  a.value = longPlanValue(a, record, keptA);
  b.value = longPlanValue(b, record, keptB);
  items[a.item] = a.value;
  items[b.item] = b.value;
}

// The values of the shape in the record at `record`, into `items`.
[[gnu::always_inline]] inline void shapeValues(RecordShape& shape, const char* record, double* items) {
  for (std::uint32_t k = 0; k < shape.eightDigitGroupCount; ++k)
    eightDigitGroup(shape.eightDigitGroups[k], record, items);
  for (std::uint32_t k = 0; k < shape.shortPairCount; ++k) {
    const ShortPairPlan& pair = shape.shortPairs[k];
    const ShortRead first{record + pair.at[0], pair.digits[0], record[pair.sign[0]] == '-'};
    const ShortRead second{record + pair.at[1], pair.digits[1], record[pair.sign[1]] == '-'};
    shortDecimalPair(first, second, items[pair.item[0]], items[pair.item[1]]);
  }
  // The long values not read before, two at a time.
  LongPlan* changed[RecordShape::kValues];
  std::uint32_t count = 0;
  for (std::uint32_t k = 0; k < shape.longCount; ++k) {
    LongPlan& plan = shape.longs[k];
    if (plan.skips != 0) {
      plan.skips -= 1;
      // The last record read without comparing leaves its bytes (and its
      // value, read below) for the next to compare with.
      if (plan.skips == 0) rememberLongBytes(plan, record);
      changed[count++] = &plan;
    } else if (sameLongValue(plan, record)) {
      plan.misses = 0;
      items[plan.item] = plan.value;
    } else {
      plan.misses += 1;
      if (plan.misses >= kLongPlanMisses) plan.skips = kLongPlanSkips;
      changed[count++] = &plan;
    }
  }
  std::uint32_t k = 0;
  for (; k + 1 < count; k += 2) longPlanPair(*changed[k], *changed[k + 1], record, items);
  if (k < count) {
    LongPlan& plan = *changed[k];
    plan.value = longPlanValue(plan, record, keptDigits(record + plan.at, plan.lanes));
    items[plan.item] = plan.value;
  }
}

// Makes `shape` the shape of the record at `record`, `length` bytes before
// its line end of `lineEnd` bytes (a line feed, or a carriage return and a
// line feed), whose `items` values stand as `layouts` say. False, and no shape, for a record no shape
// can stand for (a value without digits, of more than kDigitsWithRoom
// digits, with an exponent of more than three digits; a tab; a record too
// long).
bool takeShape(RecordShape& shape, const char* record, std::size_t length, std::size_t lineEnd,
               const ValueLayout* layouts, std::size_t items);

}  // namespace recio
