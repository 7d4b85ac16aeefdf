// The mantissa of a decimal of up to 19 digits whose layout is known (a
// record shape's value): its last sixteen digits from the sixteen bytes
// before their end, right-aligned, the point left out by reading the digits
// before it one byte further back; the one to three before those by their
// places. Every digit then has room, so the general steps' m is
// the number of the kept digits: the fraction zeros after the last non-zero
// digit are held back and dropped, which divides the number of all digits
// by 10 for each.
#pragma once

#include <array>
#include <bit>
#include <cstdint>

#include "recio/numbers/byte_words.h"

namespace recio {

// Where a long value's digits stand, from the end of its digits: 0x0F under
// the lanes that hold one of its last sixteen digits in the sixteen bytes
// before the end (`low`) and in the sixteen before end - 1 (`lowMoved`, the
// digits before the point); the places of the digits before those (up to
// three, the nearest first); and a bit for each lane of `low` that holds a
// fraction digit, the last digit the highest.
struct DigitLanes {
  alignas(16) std::uint8_t low[16];
  alignas(16) std::uint8_t lowMoved[16];
  std::int32_t top[3];  // the last digit's place for an unused one
  bool topUsed[3];
  std::uint32_t fraction;
  std::uint32_t fractionDigits;
};

// The lanes of `digits` (at most 19) that end before the value's end, the
// last `fractionDigits` of them after a point.
constexpr void setDigitLanes(DigitLanes& lanes, unsigned digits, unsigned fractionDigits) {
  lanes = DigitLanes{};
  lanes.fractionDigits = fractionDigits;
  for (std::int32_t& place : lanes.top) place = -1;
  for (unsigned j = 0; j < digits; ++j) {  // j: digits after this one
    const bool moved = j >= fractionDigits && fractionDigits > 0;
    if (j >= 16) {
      lanes.top[j - 16] = -1 - static_cast<std::int32_t>(j) - (moved ? 1 : 0);
      lanes.topUsed[j - 16] = true;
      continue;
    }
    (moved ? lanes.lowMoved : lanes.low)[15 - j] = 0x0F;
    if (!moved && fractionDigits > 0) lanes.fraction |= 1U << (15 - j);
  }
}

// The bytes a read of `lanes` takes before the end.
inline constexpr unsigned kDigitLanesReach = 20;

// The lanes of every decimal of 1 to kMostLaneDigits digits, by its digits
// and fraction digits (digitLanesOf).
inline constexpr unsigned kMostLaneDigits = 19;
namespace detail {
constexpr unsigned digitLanesIndex(unsigned digits, unsigned fractionDigits) {
  return digits * (digits + 1) / 2 + fractionDigits;
}
constexpr auto makeAllDigitLanes() {
  std::array<DigitLanes, digitLanesIndex(kMostLaneDigits + 1, 0)> all{};
  for (unsigned digits = 1; digits <= kMostLaneDigits; ++digits) {
    for (unsigned fraction = 0; fraction <= digits; ++fraction) {
      setDigitLanes(all[digitLanesIndex(digits, fraction)], digits, fraction);
    }
  }
  return all;
}
inline constexpr auto kAllDigitLanes = makeAllDigitLanes();
}  // namespace detail

inline const DigitLanes& digitLanesOf(unsigned digits, unsigned fractionDigits) {
  return detail::kAllDigitLanes[detail::digitLanesIndex(digits, fractionDigits)];
}

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
[[gnu::always_inline]] inline unsigned trailingFractionZeros(const char* end, const DigitLanes& lanes,
                                                             std::uint32_t fractionZeros) {
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

namespace detail {
// The number of the digits before the last sixteen.
inline std::uint64_t topDigitsValue(const char* end, const DigitLanes& lanes) {
  if (!lanes.topUsed[0]) return 0;
  std::uint64_t top = digitValue(end[lanes.top[0]]);
  if (!lanes.topUsed[1]) return top;
  top += digitValue(end[lanes.top[1]]) * 10;
  if (!lanes.topUsed[2]) return top;
  return top + digitValue(end[lanes.top[2]]) * 100;
}

// m of the kept digits: all of them (the top ones, then two groups of
// eight), less the trailing fraction zeros among `fractionZeros`.
[[gnu::always_inline]] inline KeptDigits keptOf(const char* end, const DigitLanes& lanes, std::uint64_t first,
                                                std::uint64_t second, std::uint32_t fractionZeros) {
  const std::uint64_t all = (topDigitsValue(end, lanes) * 100'000'000 + first) * 100'000'000 + second;
  const std::uint32_t zeroDigits = fractionZeros & lanes.fraction;
  if ((zeroDigits & 0x8000) == 0) return {all, lanes.fractionDigits};  // the last digit is kept
  const unsigned zeros = trailingFractionZeros(end, lanes, zeroDigits);
  return {withoutZeros(all, zeros), lanes.fractionDigits - zeros};
}
}  // namespace detail

inline KeptDigits keptDigitsPortable(const char* end, const DigitLanes& lanes) {
  std::uint64_t halves[2] = {0, 0};
  std::uint32_t fractionZeros = 0;
  for (int i = 0; i < 16; ++i) {
    const auto digit = static_cast<std::uint8_t>((end[i - 16] & lanes.low[i]) | (end[i - 17] & lanes.lowMoved[i]));
    halves[i / 8] = halves[i / 8] * 10 + digit;
    if (end[i - 16] == '0') fractionZeros |= 1U << i;
  }
  return detail::keptOf(end, lanes, halves[0], halves[1], fractionZeros);
}

#ifdef RECIO_SSE2
namespace detail {
inline __m128i lowDigits(const char* end, const DigitLanes& lanes) {
  const auto at = [end](int offset) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(end + offset)); };
  const auto mask = [](const std::uint8_t* bytes) { return _mm_load_si128(reinterpret_cast<const __m128i*>(bytes)); };
  return _mm_or_si128(_mm_and_si128(at(-16), mask(lanes.low)), _mm_and_si128(at(-17), mask(lanes.lowMoved)));
}
inline std::uint32_t fractionZerosOf(const char* end) {
  const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(end - 16));
  return static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('0'))));
}
}  // namespace detail

// The kept digits of two values at once, their last sixteen digits in one
// reduction.
[[gnu::always_inline]] inline void keptDigitsPairSse2(const char* endA, const DigitLanes& lanesA, const char* endB,
                                                      const DigitLanes& lanesB, KeptDigits& a, KeptDigits& b) {
  const __m128i halves = eightDigitHalves(detail::lowDigits(endA, lanesA), detail::lowDigits(endB, lanesB));
  const auto ofA = static_cast<std::uint64_t>(_mm_cvtsi128_si64(halves));
  const auto ofB = static_cast<std::uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(halves, halves)));
  a = detail::keptOf(endA, lanesA, ofA & 0xFFFF'FFFF, ofA >> 32, detail::fractionZerosOf(endA));
  b = detail::keptOf(endB, lanesB, ofB & 0xFFFF'FFFF, ofB >> 32, detail::fractionZerosOf(endB));
}

[[gnu::always_inline]] inline KeptDigits keptDigitsSse2(const char* end, const DigitLanes& lanes) {
  const __m128i low = detail::lowDigits(end, lanes);
  const auto of = static_cast<std::uint64_t>(_mm_cvtsi128_si64(eightDigitHalves(low, low)));
  return detail::keptOf(end, lanes, of & 0xFFFF'FFFF, of >> 32, detail::fractionZerosOf(end));
}
#endif

// The kept digits of two values whose digits end before `endA` and `endB`,
// laid out as their lanes say; reads kDigitLanesReach bytes before each end.
[[gnu::always_inline]] inline void keptDigitsPair(const char* endA, const DigitLanes& lanesA, const char* endB,
                                                  const DigitLanes& lanesB, KeptDigits& a, KeptDigits& b) {
#ifdef RECIO_SSE2
  keptDigitsPairSse2(endA, lanesA, endB, lanesB, a, b);
#else
  a = keptDigitsPortable(endA, lanesA);
  b = keptDigitsPortable(endB, lanesB);
#endif
}

[[gnu::always_inline]] inline KeptDigits keptDigits(const char* end, const DigitLanes& lanes) {
#ifdef RECIO_SSE2
  return keptDigitsSse2(end, lanes);
#else
  return keptDigitsPortable(end, lanes);
#endif
}

}  // namespace recio
