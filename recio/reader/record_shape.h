// Reading a record by the shape of one read before: the shape test sixteen
// bytes at a time, each value's digits turned into its double eight at a
// time, and the shape taken from a record the statement calls read.
//
// A record has a shape when every byte where the shape has a digit is a
// digit and every other byte up to and with the line end is the shape's
// byte. Reading such a record makes every decision the reading of the
// shape's record made (they turn on which bytes are digits and on the
// other bytes alone), so only the digits differ, and they are converted in
// place.
// The portable shape test gives the SSE2 one's answers
// (tests/fast_record_test.cpp compares the two).
//
// None of these helpers is noexcept: inlined into a caller, a noexcept body
// makes the compiler ask for the C++ runtime's exception personality, and
// that alone would load the whole runtime library at every start.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

#include "recio/numbers/byte_words.h"

namespace recio {

// A record's bytes with every digit as '0', its line end, and where each
// value's digits stand.
struct RecordShape {
  static constexpr std::size_t kBytes = 128;  // the record and its line end
  static constexpr std::size_t kValues = 16;
  std::uint32_t items = 0;     // 0: no shape
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

// The shapes of the last two kinds of record of doubles read, which later
// records of the same shape are read by.
struct RecentShapes {
  // The last two kinds of record, and which was read last: a column whose
  // values change width (999.5, 1000.5) makes files alternate between two.
  RecordShape shapes[2];
  std::uint8_t last = 0;
  // Records read since one was read by its shape: where shapes do not
  // repeat, taking each costs more than it saves.
  std::uint32_t missesInARow = 0;
};

// Whether the record at `record` has the shape. Reads the shape's chunks of sixteen bytes from `record`.
inline bool hasShapePortable(const RecordShape& shape, const char* record) {
  bool same = true;
  for (std::size_t i = 0; i < 16 * std::size_t{shape.chunks}; ++i) {
    same &= static_cast<std::uint8_t>(static_cast<std::uint8_t>(record[i]) - shape.base[i]) <= shape.room[i];
  }
  return same;
}

#ifdef RECIO_SSE2
namespace detail {
// All ones in the bytes of chunk `chunk` that fit the shape.
inline __m128i shapeChunk(const RecordShape& shape, const char* record, std::uint32_t chunk) {
  const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(record) + chunk);
  const __m128i above = _mm_sub_epi8(bytes, _mm_load_si128(reinterpret_cast<const __m128i*>(shape.base) + chunk));
  const __m128i room = _mm_load_si128(reinterpret_cast<const __m128i*>(shape.room) + chunk);
  return _mm_cmpeq_epi8(_mm_min_epu8(above, room), above);
}
}  // namespace detail

// The first four chunks always (past the line feed every byte fits), so a
// record of up to 63 bytes takes no loop; it reads 64 bytes at least.
inline bool hasShapeSse2(const RecordShape& shape, const char* record) {
  const __m128i first = _mm_and_si128(detail::shapeChunk(shape, record, 0), detail::shapeChunk(shape, record, 1));
  const __m128i second = _mm_and_si128(detail::shapeChunk(shape, record, 2), detail::shapeChunk(shape, record, 3));
  __m128i same = _mm_and_si128(first, second);
  for (std::uint32_t chunk = 4; chunk < shape.chunks; ++chunk) {
    same = _mm_and_si128(same, detail::shapeChunk(shape, record, chunk));
  }
  return _mm_movemask_epi8(same) == 0xFFFF;
}
#endif

inline bool hasShape(const RecordShape& shape, const char* record) {
#ifdef RECIO_SSE2
  return hasShapeSse2(shape, record);
#else
  return hasShapePortable(shape, record);
#endif
}

// The values of the shape in `record`, into items[0 .. shape.items). A
// value's sixteen bytes, its digits recent and the point read as a digit 0,
// make two eight-digit numbers: ten times the whole digits, and the
// fraction digits followed by zeros. Their value N = first * 10^7 + second
// is an exact integer below 10^15, and N / 10^8 is the value: the one
// division rounds that exact quotient as the general conversion's one
// operation does, and dividing by -10^8 negates it, a zero included.
inline void shapeValuesPortable(const RecordShape& shape, const char* record, double* items) {
  for (std::size_t i = 0; i < shape.items; ++i) {
    const char* const bytes = record + shape.at[i];
    const auto* const mask = reinterpret_cast<const char*>(shape.digitMasks[i]);
    const std::uint64_t first = eightDigitsValue(loadTextWord(bytes) & loadTextWord(mask));
    const std::uint64_t second = eightDigitsValue(loadTextWord(bytes + 8) & loadTextWord(mask + 8));
    items[i] = static_cast<double>(static_cast<std::int64_t>(first * 10'000'000 + second)) / shape.divisors[i];
  }
}

#ifdef RECIO_SSE2
namespace detail {

inline __m128i shapeDigits(const RecordShape& shape, const char* record, std::size_t i) {
  const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(record + shape.at[i]));
  return _mm_and_si128(bytes, _mm_load_si128(reinterpret_cast<const __m128i*>(shape.digitMasks[i])));
}

// N of two values at once: digit pairs, fours and eights by multiply-adds
// of 16-bit lanes, the first digit the most significant; every step exact.
inline __m128d twoValues(__m128i a, __m128i b) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i tens = _mm_setr_epi16(10, 1, 10, 1, 10, 1, 10, 1);
  const __m128i hundreds = _mm_setr_epi16(100, 1, 100, 1, 100, 1, 100, 1);
  const __m128i tenThousands = _mm_setr_epi16(10000, 1, 10000, 1, 10000, 1, 10000, 1);
  const __m128i pairsA = _mm_packs_epi32(_mm_madd_epi16(_mm_unpacklo_epi8(a, zero), tens),
                                         _mm_madd_epi16(_mm_unpackhi_epi8(a, zero), tens));
  const __m128i pairsB = _mm_packs_epi32(_mm_madd_epi16(_mm_unpacklo_epi8(b, zero), tens),
                                         _mm_madd_epi16(_mm_unpackhi_epi8(b, zero), tens));
  const __m128i fours = _mm_packs_epi32(_mm_madd_epi16(pairsA, hundreds), _mm_madd_epi16(pairsB, hundreds));
  const __m128i eights = _mm_madd_epi16(fours, tenThousands);  // first and second of a, of b
  const __m128d ofA = _mm_cvtepi32_pd(eights);
  const __m128d ofB = _mm_cvtepi32_pd(_mm_shuffle_epi32(eights, 0xEE));
  return _mm_add_pd(_mm_mul_pd(_mm_unpacklo_pd(ofA, ofB), _mm_set1_pd(1e7)), _mm_unpackhi_pd(ofA, ofB));
}

}  // namespace detail

inline void shapeValuesSse2(const RecordShape& shape, const char* record, double* items) {
  std::size_t i = 0;
  for (; i + 1 < shape.items; i += 2) {
    const __m128d n =
        detail::twoValues(detail::shapeDigits(shape, record, i), detail::shapeDigits(shape, record, i + 1));
    _mm_storeu_pd(items + i, _mm_div_pd(n, _mm_load_pd(shape.divisors + i)));
  }
  if (i < shape.items) {
    const __m128i digits = detail::shapeDigits(shape, record, i);
    _mm_store_sd(items + i, _mm_div_sd(detail::twoValues(digits, digits), _mm_load_sd(shape.divisors + i)));
  }
}
#endif

inline void shapeValues(const RecordShape& shape, const char* record, double* items) {
#ifdef RECIO_SSE2
  shapeValuesSse2(shape, record, items);
#else
  shapeValuesPortable(shape, record, items);
#endif
}

// Where a value's digits stand in its record: the offset of its first digit
// (after any sign), the digits before the point and after it (none without
// a point), and its sign.
struct ValuePlace {
  std::uint32_t at;
  std::uint32_t whole;
  std::uint32_t fraction;
  bool negative;
};

// Whether a value with these digits can be read by a shape: no exponent, at
// most seven digits before the point and eight after it.
constexpr bool fitsShape(std::size_t whole, std::size_t fraction) { return whole <= 7 && fraction <= 8; }

// Makes `shape` the shape of the record of `length` bytes at `record`,
// followed by its line end of `lineEnd` bytes (length + lineEnd <=
// RecordShape::kBytes), whose values stand at the given places.
void takeShape(RecordShape& shape, const char* record, std::size_t length, std::size_t lineEnd,
               const ValuePlace* places, std::size_t items);

}  // namespace recio
