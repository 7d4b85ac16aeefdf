// The mantissa of a decimal of up to 19 digits whose layout is known (a
// record shape's value), read from the 32 bytes before its last digit:
// right-aligned, the point left out by reading the digits before it one
// byte further back. Every digit then has room, so the general steps' m is
// the number of the kept digits: the fraction zeros after the last non-zero
// digit are held back and dropped, which divides the number of all digits
// by 10 for each.
#pragma once

#include <array>
#include <bit>
#include <cstdint>

#include "recio/numbers/byte_words.h"

namespace recio {

// 0x0F under the lanes that hold a digit: of the sixteen bytes before the
// end (`low`) and the sixteen before end - 1 (`lowMoved`, the digits before
// the point), and of the two groups of sixteen before those (`high`,
// `highMoved`). `fraction` has a bit for each lane of `low` that holds a
// fraction digit, the last digit the highest.
struct DigitLanes {
  alignas(16) std::uint8_t low[16];
  alignas(16) std::uint8_t lowMoved[16];
  alignas(16) std::uint8_t high[16];
  alignas(16) std::uint8_t highMoved[16];
  std::uint32_t fraction;
  std::uint32_t fractionDigits;
  bool wide;  // more than sixteen digits: `high` and `highMoved` count
};

// The lanes of `digits` (at most 19) that end before the value's end, the
// last `fractionDigits` of them after a point.
inline void setDigitLanes(DigitLanes& lanes, unsigned digits, unsigned fractionDigits) {
  lanes = DigitLanes{};
  lanes.fractionDigits = fractionDigits;
  lanes.wide = digits > 16;
  for (unsigned j = 0; j < digits; ++j) {  // j: digits after this one
    const bool moved = j >= fractionDigits && fractionDigits > 0;
    std::uint8_t* const group = j < 16 ? (moved ? lanes.lowMoved : lanes.low) : (moved ? lanes.highMoved : lanes.high);
    group[15 - j % 16] = 0x0F;
    if (j < 16 && !moved && fractionDigits > 0) lanes.fraction |= 1U << (15 - j);
  }
}

// The bytes a read of `lanes` takes before the end.
inline unsigned digitLanesReach(const DigitLanes& lanes) { return lanes.wide ? 33 : 17; }

namespace detail {

// 5^-t modulo 2^64, for an exact division by 5^t.
constexpr std::uint64_t inverseOf(std::uint64_t odd) {
  std::uint64_t x = odd;
  for (int i = 0; i < 6; ++i) x *= 2 - odd * x;
  return x;
}
constexpr std::array<std::uint64_t, 20> makeInverseFives() {
  std::array<std::uint64_t, 20> inverses{};
  std::uint64_t five = 1;
  for (auto& inverse : inverses) {
    inverse = inverseOf(five);
    five *= 5;
  }
  return inverses;
}
inline constexpr std::array<std::uint64_t, 20> kInverseFives = makeInverseFives();

// m of the kept digits, from the number of all `lanes` digits whose last
// `zeros` are fraction zeros: an exact division by 10^zeros.
inline std::uint64_t withoutZeros(std::uint64_t all, unsigned zeros) { return (all >> zeros) * kInverseFives[zeros]; }

// Of `fractionZeros` (the fraction lanes holding '0'), those that end the
// fraction, and further back byte by byte past sixteen.
inline unsigned trailingFractionZeros(const char* end, const DigitLanes& lanes, std::uint32_t fractionZeros) {
  auto zeros = static_cast<unsigned>(std::countl_one(static_cast<std::uint16_t>(fractionZeros)));
  if (zeros == 16) {
    while (zeros < lanes.fractionDigits && end[-1 - static_cast<int>(zeros)] == '0') ++zeros;
  }
  return zeros;
}

}  // namespace detail

// A mantissa and how many of its fraction digits it kept.
struct KeptDigits {
  std::uint64_t mantissa;
  unsigned fractionDigits;
};

inline KeptDigits keptDigitsPortable(const char* end, const DigitLanes& lanes) {
  std::uint64_t all = 0;
  std::uint32_t fractionZeros = 0;
  for (int i = 0; lanes.wide && i < 16; ++i) {
    all = all * 10 + static_cast<std::uint8_t>((end[i - 32] & lanes.high[i]) | (end[i - 33] & lanes.highMoved[i]));
  }
  for (int i = 0; i < 16; ++i) {
    const auto low = static_cast<std::uint8_t>((end[i - 16] & lanes.low[i]) | (end[i - 17] & lanes.lowMoved[i]));
    all = all * 10 + low;
    if (end[i - 16] == '0') fractionZeros |= 1U << i;
  }
  const unsigned zeros = detail::trailingFractionZeros(end, lanes, fractionZeros & lanes.fraction);
  return {detail::withoutZeros(all, zeros), lanes.fractionDigits - zeros};
}

#ifdef RECIO_SSE2
// The digits by multiply-adds of 16-bit lanes: pairs, fours and eights of
// both groups, each exact, then the eights put together.
inline KeptDigits keptDigitsSse2(const char* end, const DigitLanes& lanes) {
  const auto at = [end](int offset) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(end + offset)); };
  const auto mask = [](const std::uint8_t* bytes) { return _mm_load_si128(reinterpret_cast<const __m128i*>(bytes)); };
  const __m128i lowBytes = at(-16);
  const __m128i low =
      _mm_or_si128(_mm_and_si128(lowBytes, mask(lanes.low)), _mm_and_si128(at(-17), mask(lanes.lowMoved)));
  __m128i high = _mm_setzero_si128();
  if (lanes.wide)
    high = _mm_or_si128(_mm_and_si128(at(-32), mask(lanes.high)), _mm_and_si128(at(-33), mask(lanes.highMoved)));
  const __m128i zero = _mm_setzero_si128();
  const __m128i tens = _mm_setr_epi16(10, 1, 10, 1, 10, 1, 10, 1);
  const __m128i hundreds = _mm_setr_epi16(100, 1, 100, 1, 100, 1, 100, 1);
  const __m128i pairsHigh = _mm_packs_epi32(_mm_madd_epi16(_mm_unpacklo_epi8(high, zero), tens),
                                            _mm_madd_epi16(_mm_unpackhi_epi8(high, zero), tens));
  const __m128i pairsLow = _mm_packs_epi32(_mm_madd_epi16(_mm_unpacklo_epi8(low, zero), tens),
                                           _mm_madd_epi16(_mm_unpackhi_epi8(low, zero), tens));
  const __m128i fours = _mm_packs_epi32(_mm_madd_epi16(pairsHigh, hundreds), _mm_madd_epi16(pairsLow, hundreds));
  const __m128i eights = _mm_madd_epi16(fours, _mm_setr_epi16(10000, 1, 10000, 1, 10000, 1, 10000, 1));
  // Lanes: the high group's first and second eight digits (the first is
  // zero: at most 19 digits), the low group's.
  const auto highEights = static_cast<std::uint64_t>(_mm_cvtsi128_si64(eights));
  const auto lowEights = static_cast<std::uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(eights, eights)));
  const std::uint64_t all =
      ((highEights >> 32) * 100'000'000 + (lowEights & 0xFFFF'FFFF)) * 100'000'000 + (lowEights >> 32);
  const auto fractionZeros =
      static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(lowBytes, _mm_set1_epi8('0'))));
  const unsigned zeros = detail::trailingFractionZeros(end, lanes, fractionZeros & lanes.fraction);
  return {detail::withoutZeros(all, zeros), lanes.fractionDigits - zeros};
}
#endif

// The kept digits of the value whose digits end before `end`, laid out as
// `lanes` says; reads digitLanesReach(lanes) bytes before `end`.
inline KeptDigits keptDigits(const char* end, const DigitLanes& lanes) {
#ifdef RECIO_SSE2
  return keptDigitsSse2(end, lanes);
#else
  return keptDigitsPortable(end, lanes);
#endif
}

}  // namespace recio
