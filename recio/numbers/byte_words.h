// Text eight bytes at a time: loads in text order on any byte order, and
// eight digits turned into their value at once. RECIO_SSE2 says whether the
// scans that take sixteen bytes at a time may use SSE2: x86-64 processors
// all have it, so it needs no flag; every other processor (and a build with
// CHI2MAP_PORTABLE_BYTES) takes their portable forms.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__) && defined(__x86_64__) && !defined(CHI2MAP_PORTABLE_BYTES)
#include <emmintrin.h>
#define RECIO_SSE2 1
#endif

namespace recio {

inline constexpr std::uint64_t kEachByte = 0x0101'0101'0101'0101ULL;

// Eight bytes as a word whose lowest byte is the first character.
inline std::uint64_t loadTextWord(const char* p) {
  std::uint64_t word = 0;
  std::memcpy(&word, p, sizeof word);
  if constexpr (std::endian::native == std::endian::big) {
    std::uint64_t swapped = 0;
    for (int i = 0; i < 8; ++i) swapped |= ((word >> (8 * i)) & 0xFFU) << (8 * (7 - i));
    word = swapped;
  }
  return word;
}

// Stores a text word as eight bytes, its lowest byte first.
inline void storeTextWord(std::uint64_t word, std::uint8_t* p) {
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(p, &word, sizeof word);
  } else {
    for (int i = 0; i < 8; ++i) p[i] = static_cast<std::uint8_t>(word >> (8 * i));
  }
}

// Bit 7 set in each byte of a text word that is not a digit. The byte's
// distance from '0' is above 9 or at least 0x80; its low seven bits are
// added apart from the top one, so no byte carries into the next.
inline std::uint64_t nonDigitBytes(std::uint64_t word) {
  const std::uint64_t x = word ^ (0x30 * kEachByte);
  return (((x & (0x7F * kEachByte)) + 0x76 * kEachByte) | x) & (0x80 * kEachByte);
}

// The index of the lowest byte of a text word that is not zero; word != 0.
inline int firstNonZeroByte(std::uint64_t word) { return std::countr_zero(word) / 8; }

// The value of a text word of eight digit values (0 to 9 a byte, the first
// character the most significant): pairs, then fours, then all eight, by
// three multiplications instead of eight.
inline std::uint64_t eightDigitsValue(std::uint64_t word) {
  constexpr std::uint64_t kLanes = 0x0000'00FF'0000'00FFULL;
  constexpr std::uint64_t kHundredAndMillion = 100 + (1'000'000ULL << 32);
  constexpr std::uint64_t kOneAndTenThousand = 1 + (10'000ULL << 32);
  word = word * 10 + (word >> 8);  // byte 2i: the pair 2i, 2i+1
  return ((word & kLanes) * kHundredAndMillion + ((word >> 16) & kLanes) * kOneAndTenThousand) >> 32;
}

// The text word of a value below 10^8: its eight digits, zeros before
// them, the first in the lowest byte; fours, then pairs, then single digits
// split off in every lane at once, each quotient by a multiply-shift that is
// exact in its range.
inline std::uint64_t eightDigitsText(std::uint64_t value) {
  std::uint64_t lanes = value / 10000 + ((value % 10000) << 32);
  std::uint64_t high = ((lanes * 10486) >> 20) & 0x0000'007F'0000'007FULL;  // x / 100, x < 10^4
  lanes = high + ((lanes - high * 100) << 16);
  high = ((lanes * 103) >> 10) & 0x000F'000F'000F'000FULL;  // x / 10, x < 100
  lanes = high + ((lanes - high * 10) << 8);
  return lanes | (0x30 * kEachByte);
}

#ifdef RECIO_SSE2
// The first and second eight digits of two sixteen-byte reads of digit
// values (0 to 9 a byte, the first the most significant), as the 32-bit
// lanes a first, a second, b first, b second: digit pairs, fours and eights
// by multiply-adds of 16-bit lanes, every step exact.
inline __m128i eightDigitHalves(__m128i a, __m128i b) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i tens = _mm_setr_epi16(10, 1, 10, 1, 10, 1, 10, 1);
  const __m128i hundreds = _mm_setr_epi16(100, 1, 100, 1, 100, 1, 100, 1);
  const __m128i pairsA = _mm_packs_epi32(_mm_madd_epi16(_mm_unpacklo_epi8(a, zero), tens),
                                         _mm_madd_epi16(_mm_unpackhi_epi8(a, zero), tens));
  const __m128i pairsB = _mm_packs_epi32(_mm_madd_epi16(_mm_unpacklo_epi8(b, zero), tens),
                                         _mm_madd_epi16(_mm_unpackhi_epi8(b, zero), tens));
  const __m128i fours = _mm_packs_epi32(_mm_madd_epi16(pairsA, hundreds), _mm_madd_epi16(pairsB, hundreds));
  return _mm_madd_epi16(fours, _mm_setr_epi16(10000, 1, 10000, 1, 10000, 1, 10000, 1));
}
#endif

}  // namespace recio
