// Short decimals (at most seven digits before the point and eight after,
// no exponent) read from the sixteen bytes around their point: the point
// (or, without one, the byte after the digits) is the eighth byte, so that
// with every other byte masked out the first eight bytes are ten times the
// whole digits and the last eight the fraction digits followed by zeros.
// Their value N = W 10^8 + F 10^(8 - f) is below 10^15, so N / 10^8 (the
// conversion of N with exponent -8) is the one rounding of the same
// quotient the general steps round: m / 10^k of the kept digits m.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>

#include "recio/numbers/byte_words.h"
#include "recio/numbers/decimal_to_double.h"
#include "recio/numbers/powers_of_ten.h"

namespace recio {

// Bytes of the block a short decimal's read takes before its point.
inline constexpr unsigned kShortBefore = 7;

constexpr bool fitsShortDecimal(unsigned whole, unsigned fraction) { return whole <= 7 && fraction <= 8; }

namespace detail {

// 0x0F under the digits of each layout (whole * 9 + fraction): bytes 7 -
// whole to 6, and 8 to 7 + fraction.
struct alignas(16) ShortMask {
  std::uint8_t bytes[16];
};
constexpr std::array<ShortMask, 72> makeShortMasks() {
  std::array<ShortMask, 72> masks{};
  for (unsigned whole = 0; whole <= 7; ++whole) {
    for (unsigned fraction = 0; fraction <= 8; ++fraction) {
      for (unsigned i = 0; i < 16; ++i) {
        const bool digit = (i >= 7 - whole && i < 7) || (i >= 8 && i < 8 + fraction);
        masks[whole * 9 + fraction].bytes[i] = digit ? 0x0F : 0;
      }
    }
  }
  return masks;
}
inline constexpr std::array<ShortMask, 72> kShortMasks = makeShortMasks();

// N of the first and second eight digits, with exponent -8.
inline double shortDecimalOf(std::uint64_t first, std::uint64_t second, bool negative) {
  return decimalToDouble(negative, first * 10'000'000 + second, -8);
}

}  // namespace detail

// Where a short decimal is read: its sixteen bytes (kShortBefore before its
// point), 0x0F under its digits, and its sign.
struct ShortRead {
  const char* bytes;
  const std::uint8_t* digits;
  bool negative;
};

// The read of the decimal whose point (or the byte after its digits) is at
// `point`, with `whole` digits before and `fraction` after it
// (fitsShortDecimal).
inline ShortRead shortRead(const char* point, unsigned whole, unsigned fraction, bool negative) {
  return {point - kShortBefore, detail::kShortMasks[whole * 9 + fraction].bytes, negative};
}

inline double shortDecimalPortable(const ShortRead& read) {
  const std::uint64_t first =
      eightDigitsValue(loadTextWord(read.bytes) & loadTextWord(reinterpret_cast<const char*>(read.digits)));
  const std::uint64_t second =
      eightDigitsValue(loadTextWord(read.bytes + 8) & loadTextWord(reinterpret_cast<const char*>(read.digits + 8)));
  return detail::shortDecimalOf(first, second, read.negative);
}

#ifdef RECIO_SSE2
namespace detail {

inline __m128i shortDigits(const ShortRead& read) {
  return _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(read.bytes)),
                       _mm_load_si128(reinterpret_cast<const __m128i*>(read.digits)));
}

inline constexpr double kShortDivisors[2] = {1e8, -1e8};

}  // namespace detail

// Two at a time: N = first 10^7 + second of each is exact in doubles (below
// 2^53), and one division by 10^8 (by -10^8 for a negative value, which
// gives a zero its sign too) is the conversion of N with exponent -8.
inline void shortDecimalPairSse2(const ShortRead& a, const ShortRead& b, double& valueA, double& valueB) {
  const __m128i eights = eightDigitHalves(detail::shortDigits(a), detail::shortDigits(b));
  const __m128d ofA = _mm_cvtepi32_pd(eights);
  const __m128d ofB = _mm_cvtepi32_pd(_mm_shuffle_epi32(eights, 0xEE));
  const __m128d n = _mm_add_pd(_mm_mul_pd(_mm_unpacklo_pd(ofA, ofB), _mm_set1_pd(1e7)), _mm_unpackhi_pd(ofA, ofB));
  const __m128d divisors =
      _mm_setr_pd(detail::kShortDivisors[a.negative ? 1 : 0], detail::kShortDivisors[b.negative ? 1 : 0]);
  const __m128d values = _mm_div_pd(n, divisors);
  _mm_storel_pd(&valueA, values);
  _mm_storeh_pd(&valueB, values);
}
#endif

// Decimals of at most eight digits each (no exponent), four at a time in
// two sixteen-byte reads: each value's digits right-aligned in eight lanes,
// the point left out by reading the digits before it one byte further
// back. m / 10^f of the digits is then the general steps' value (their m
// drops the trailing fraction zeros, which changes neither the quotient
// nor its one rounding). A group with fewer than four repeats its last.
struct alignas(16) EightDigitGroup {
  std::uint8_t after[2][16];  // 0x0F under the digits of the eight bytes before each value's end
  std::uint8_t moved[2][16];  // and of the eight bytes before end - 1: the digits before the point
  double powers[4];           // 10^f of each
  std::int64_t at[4];         // each value's end - 8
  std::int64_t sign[4];       // the bytes that are '-' when they are negative
  std::int32_t fraction[4];   // f: digits after the point
  std::uint32_t item[4];
  bool half;         // two values at most: the second read is not made
  bool consecutive;  // four values for items item[0] to item[0] + 3
};

// Bytes of the block an eight-digit read takes before its value's end.
inline constexpr unsigned kEightDigitsBefore = 9;

namespace detail {
// The lanes of `digits` (1 to 8, index digits * 9 + fraction) ending a
// value, the last `fraction` after a point: 0x0F under those read from the
// eight bytes before its end, and under those read one byte further back.
struct EightDigitLanes {
  std::uint8_t after[8];
  std::uint8_t moved[8];
};
constexpr std::array<EightDigitLanes, 81> makeEightDigitLanes() {
  std::array<EightDigitLanes, 81> table{};
  for (unsigned digits = 1; digits <= 8; ++digits) {
    for (unsigned fraction = 0; fraction <= digits; ++fraction) {
      for (unsigned j = 0; j < digits; ++j) {  // j: digits after the lane's
        const bool moved = j >= fraction && fraction > 0;
        (moved ? table[digits * 9 + fraction].moved : table[digits * 9 + fraction].after)[7 - j] = 0x0F;
      }
    }
  }
  return table;
}
inline constexpr std::array<EightDigitLanes, 81> kEightDigitLanes = makeEightDigitLanes();
}  // namespace detail

// Makes value `k` of `group` the one of `digits` (1 to 8) ending at `end`,
// the last `fraction` of them after a point, whose sign is the byte at
// `sign`, for item `item`.
inline void setEightDigits(EightDigitGroup& group, unsigned k, std::int64_t end, unsigned digits, unsigned fraction,
                           std::int64_t sign, std::uint32_t item) {
  const detail::EightDigitLanes& lanes = detail::kEightDigitLanes[digits * 9 + fraction];
  std::memcpy(group.after[k / 2] + 8 * (k % 2), lanes.after, 8);
  std::memcpy(group.moved[k / 2] + 8 * (k % 2), lanes.moved, 8);
  group.at[k] = end - 8;
  group.fraction[k] = static_cast<std::int32_t>(fraction);
  group.powers[k] = powerOfTen(group.fraction[k]);
  group.sign[k] = sign;
  group.item[k] = item;
}

// Adds a value (setEightDigits' arguments) to `groups`, `count` values so
// far; groups fill up in order.
inline void addEightDigits(EightDigitGroup* groups, std::uint32_t& count, std::int64_t end, unsigned digits,
                           unsigned fraction, std::int64_t sign, std::uint32_t item) {
  setEightDigits(groups[count / 4], count % 4, end, digits, fraction, sign, item);
  count += 1;
}

// Completes the last of `count` values' groups: its last value stands in
// its empty places. Gives the number of groups.
inline std::uint32_t completeEightDigitGroups(EightDigitGroup* groups, std::uint32_t count) {
  if (count == 0) return 0;
  EightDigitGroup& last = groups[(count - 1) / 4];
  const unsigned filled = (count - 1) % 4 + 1;
  for (unsigned k = filled; k < 4; ++k) {
    std::memcpy(last.after[k / 2] + 8 * (k % 2), last.after[(filled - 1) / 2] + 8 * ((filled - 1) % 2), 8);
    std::memcpy(last.moved[k / 2] + 8 * (k % 2), last.moved[(filled - 1) / 2] + 8 * ((filled - 1) % 2), 8);
    last.at[k] = last.at[filled - 1];
    last.fraction[k] = last.fraction[filled - 1];
    last.powers[k] = last.powers[filled - 1];
    last.sign[k] = last.sign[filled - 1];
    last.item[k] = last.item[filled - 1];
  }
  for (std::uint32_t g = 0; g <= (count - 1) / 4; ++g) {
    EightDigitGroup& group = groups[g];
    group.half = g == (count - 1) / 4 && filled <= 2;
    group.consecutive =
        group.item[1] == group.item[0] + 1 && group.item[2] == group.item[0] + 2 && group.item[3] == group.item[0] + 3;
  }
  return (count + 3) / 4;
}

// The value of `digits` (1 to 8) ending at `end`, the last `fraction` of
// them after a point; reads kEightDigitsBefore bytes before `end`.
inline double eightDigitValue(const char* end, unsigned digits, unsigned fraction, bool negative) {
  const detail::EightDigitLanes& lanes = detail::kEightDigitLanes[digits * 9 + fraction];
  const std::uint64_t word = (loadTextWord(end - 8) & loadTextWord(reinterpret_cast<const char*>(lanes.after))) |
                             (loadTextWord(end - 9) & loadTextWord(reinterpret_cast<const char*>(lanes.moved)));
  // At most eight fraction digits: the mask lets the compiler drop the
  // conversion's exponent range test.
  return decimalToDouble(negative, eightDigitsValue(word), -static_cast<std::int64_t>(fraction & 15));
}

inline void eightDigitsPortable(const EightDigitGroup& group, const char* record, double* items) {
  for (unsigned k = 0; k < (group.half ? 2U : 4U); ++k) {
    const char* const at = record + group.at[k];
    const auto* const after = reinterpret_cast<const char*>(group.after[k / 2] + 8 * (k % 2));
    const auto* const moved = reinterpret_cast<const char*>(group.moved[k / 2] + 8 * (k % 2));
    const std::uint64_t lanes = (loadTextWord(at) & loadTextWord(after)) | (loadTextWord(at - 1) & loadTextWord(moved));
    items[group.item[k]] = decimalToDouble(record[group.sign[k]] == '-', eightDigitsValue(lanes), -group.fraction[k]);
  }
}

#ifdef RECIO_SSE2
namespace detail {
// The sign bits to set for each combination of two signs.
alignas(16) inline constexpr std::uint64_t kPairSigns[4][2] = {{0, 0},
                                                               {0x8000'0000'0000'0000ULL, 0},
                                                               {0, 0x8000'0000'0000'0000ULL},
                                                               {0x8000'0000'0000'0000ULL, 0x8000'0000'0000'0000ULL}};

// The digits of values 2 half and 2 half + 1 of a group.
[[gnu::always_inline]] inline __m128i eightDigitLanes(const EightDigitGroup& group, const char* record, unsigned half) {
  const auto word = [record](std::int64_t at) {
    return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(record + at));
  };
  const std::int64_t first = group.at[2 * half], second = group.at[2 * half + 1];
  const __m128i ends = _mm_unpacklo_epi64(word(first), word(second));
  const __m128i before = _mm_unpacklo_epi64(word(first - 1), word(second - 1));
  return _mm_or_si128(_mm_and_si128(ends, _mm_load_si128(reinterpret_cast<const __m128i*>(group.after[half]))),
                      _mm_and_si128(before, _mm_load_si128(reinterpret_cast<const __m128i*>(group.moved[half]))));
}

// Digit pairs and fours of eight-lane values by multiply-adds of 16-bit
// lanes, the first digit the most significant; every step exact.
[[gnu::always_inline]] inline __m128i eightDigitFours(__m128i digits) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i tens = _mm_setr_epi16(10, 1, 10, 1, 10, 1, 10, 1);
  const __m128i pairs = _mm_packs_epi32(_mm_madd_epi16(_mm_unpacklo_epi8(digits, zero), tens),
                                        _mm_madd_epi16(_mm_unpackhi_epi8(digits, zero), tens));
  return _mm_madd_epi16(pairs, _mm_setr_epi16(100, 1, 100, 1, 100, 1, 100, 1));
}

// m / 10^f, then the sign bit: the conversion's steps for two values at once.
[[gnu::always_inline]] inline __m128d eightDigitPairValues(const EightDigitGroup& group, const char* record,
                                                           unsigned half, __m128i values) {
  const unsigned k = 2 * half;
  const unsigned signs = (record[group.sign[k]] == '-' ? 1U : 0U) | (record[group.sign[k + 1]] == '-' ? 2U : 0U);
  const __m128d quotients = _mm_div_pd(_mm_cvtepi32_pd(values), _mm_load_pd(group.powers + k));
  return _mm_xor_pd(quotients, _mm_load_pd(reinterpret_cast<const double*>(kPairSigns[signs])));
}

[[gnu::always_inline]] inline void storeEightDigitPair(const EightDigitGroup& group, unsigned half, __m128d values,
                                                       double* items) {
  _mm_storel_pd(items + group.item[2 * half], values);
  _mm_storeh_pd(items + group.item[2 * half + 1], values);
}
}  // namespace detail

[[gnu::always_inline]] inline void eightDigitsSse2(const EightDigitGroup& group, const char* record, double* items) {
  const __m128i tenThousands = _mm_setr_epi16(10000, 1, 10000, 1, 10000, 1, 10000, 1);
  const __m128i first = detail::eightDigitFours(detail::eightDigitLanes(group, record, 0));
  if (group.half) {
    const __m128i values = _mm_madd_epi16(_mm_packs_epi32(first, first), tenThousands);
    detail::storeEightDigitPair(group, 0, detail::eightDigitPairValues(group, record, 0, values), items);
    return;
  }
  const __m128i fours = _mm_packs_epi32(first, detail::eightDigitFours(detail::eightDigitLanes(group, record, 1)));
  const __m128i values = _mm_madd_epi16(fours, tenThousands);
  const __m128d firstPair = detail::eightDigitPairValues(group, record, 0, values);
  const __m128d secondPair = detail::eightDigitPairValues(group, record, 1, _mm_unpackhi_epi64(values, values));
  if (group.consecutive) {
    _mm_storeu_pd(items + group.item[0], firstPair);
    _mm_storeu_pd(items + group.item[0] + 2, secondPair);
    return;
  }
  detail::storeEightDigitPair(group, 0, firstPair, items);
  detail::storeEightDigitPair(group, 1, secondPair, items);
}
#endif

// The values of `group` in the record at `record`, into `items`.
[[gnu::always_inline]] inline void eightDigitGroup(const EightDigitGroup& group, const char* record, double* items) {
#ifdef RECIO_SSE2
  eightDigitsSse2(group, record, items);
#else
  eightDigitsPortable(group, record, items);
#endif
}

inline void shortDecimalPair(const ShortRead& a, const ShortRead& b, double& valueA, double& valueB) {
#ifdef RECIO_SSE2
  shortDecimalPairSse2(a, b, valueA, valueB);
#else
  valueA = shortDecimalPortable(a);
  valueB = shortDecimalPortable(b);
#endif
}

}  // namespace recio
