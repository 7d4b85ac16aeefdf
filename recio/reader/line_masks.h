// A line's bytes by class, one bit a byte, so that the record path finds
// where values begin and end and where their digits stand with a few
// operations on 64-bit words instead of a test a byte. SSE2 classifies
// sixteen bytes at a time; the portable form (no SSE2, or
// CHI2MAP_PORTABLE_BYTES) gives the same masks from eight-byte words
// (tests/fast_record_test.cpp compares the two).
//
// None of these helpers is noexcept: inlined into a caller, a noexcept body
// makes the compiler ask for the C++ runtime's exception personality, and
// that alone would load the whole runtime library at every start.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "recio/numbers/byte_words.h"

namespace recio {

// The classes of the bytes from a read position on, up to and with the
// chunk of sixteen that holds the line end. Bit i of chunk word c stands
// for byte 16 c + i. Four words of ones (separators) and zeros (digits)
// follow the last chunk classified, so that 64 bits may be read from any
// chunk.
struct LineMasks {
  static constexpr std::uint32_t kChunks = 16;  // the longest line classified: 256 bytes
  static constexpr std::uint32_t kNoLineEnd = 16 * kChunks;
  // Bytes below '!' (signed): blanks, tabs and line ends, and the control
  // bytes and bytes from 0x80 on, which refuse the line before its end.
  std::uint16_t separators[kChunks + 4];
  std::uint16_t digits[kChunks + 4];
  // The offset of the line end (a line feed or a carriage return), or
  // kNoLineEnd: none within the data, or a byte before it the record path
  // leaves to the statement calls (a control byte other than a tab, a byte
  // from 0x80 on).
  std::uint32_t lineEnd;
  bool tabs;  // a tab before the line end
};

namespace detail {

// Bit 7 in each byte below `bound` (at most 0x80) or from 0x80 on: the
// bytes that are negative or below `bound` as signed bytes.
inline std::uint64_t belowSigned(std::uint64_t word, unsigned char bound) {
  const std::uint64_t low = ((word & (0x7F * kEachByte)) + (0x80 - bound) * kEachByte) & (0x80 * kEachByte);
  return (word | ~low) & (0x80 * kEachByte);
}

// Bit 7 of each byte of a word, gathered into eight bits, the first byte lowest.
inline std::uint32_t gatherBits(std::uint64_t bytes) {
  return static_cast<std::uint32_t>(((bytes >> 7) * 0x0102'0408'1020'4080ULL) >> 56);
}

}  // namespace detail

// The masks of sixteen bytes: separators, digits, control bytes (bytes
// below a blank as signed bytes: tabs and line ends among them), and the
// bytes that mark a line's layout (below '0' as signed bytes: separators,
// points, signs, commas, control bytes).
struct ChunkMasks {
  std::uint32_t separators;
  std::uint32_t digits;
  std::uint32_t controls;
  std::uint32_t marks;
};

inline ChunkMasks classifyChunkPortable(const char* p) {
  ChunkMasks masks{0, 0, 0, 0};
  for (int half = 0; half < 2; ++half) {
    const std::uint64_t word = loadTextWord(p + 8 * half);
    masks.separators |= detail::gatherBits(detail::belowSigned(word, '!')) << (8 * half);
    masks.digits |= detail::gatherBits(~nonDigitBytes(word) & (0x80 * kEachByte)) << (8 * half);
    masks.controls |= detail::gatherBits(detail::belowSigned(word, ' ')) << (8 * half);
    masks.marks |= detail::gatherBits(detail::belowSigned(word, '0')) << (8 * half);
  }
  return masks;
}

#ifdef RECIO_SSE2
inline ChunkMasks classifyChunkSse2(const char* p) {
  const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  // A digit moved to 0x80 + its value is below 0x8A, as signed bytes the
  // lowest ten: one comparison.
  const __m128i digits = _mm_cmpgt_epi8(_mm_set1_epi8(-118), _mm_add_epi8(bytes, _mm_set1_epi8(0x50)));
  return {static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpgt_epi8(_mm_set1_epi8('!'), bytes))),
          static_cast<std::uint32_t>(_mm_movemask_epi8(digits)),
          static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpgt_epi8(_mm_set1_epi8(' '), bytes))),
          static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpgt_epi8(_mm_set1_epi8('0'), bytes)))};
}
#endif

inline ChunkMasks classifyChunk(const char* p) {
#ifdef RECIO_SSE2
  return classifyChunkSse2(p);
#else
  return classifyChunkPortable(p);
#endif
}

namespace detail {

// Among the control bytes of chunk `chunk` (a mask, not 0): tabs pass, a
// line feed or carriage return is the line end; anything else, or no line
// end within `available` bytes, refuses the line. False while only tabs
// were met.
inline bool findLineEnd(const char* line, std::size_t available, std::uint32_t chunk, std::uint32_t controls,
                        LineMasks& masks) {
  for (; controls != 0; controls &= controls - 1) {
    const std::uint32_t at = 16 * chunk + static_cast<std::uint32_t>(std::countr_zero(controls));
    const char c = line[at];
    if (c == '\t' && at < available) {
      masks.tabs = true;
      continue;
    }
    masks.lineEnd = (c == '\n' || c == '\r') && at < available ? at : LineMasks::kNoLineEnd;
    return true;
  }
  return false;
}

}  // namespace detail

// Classifies the line at `line`, of which `available` bytes are data (at
// least 1; up to 64 bytes past them may be read, never taken for data),
// chunk by chunk up to the one with the line end, or to the end of the
// data or of kChunks (lineEnd then kNoLineEnd).
inline void classifyLine(const char* line, std::size_t available, LineMasks& masks) {
  masks.lineEnd = LineMasks::kNoLineEnd;
  masks.tabs = false;
  std::uint32_t chunk = 0;
  for (;;) {
    const ChunkMasks found = classifyChunk(line + 16 * chunk);
    masks.separators[chunk] = static_cast<std::uint16_t>(found.separators);
    masks.digits[chunk] = static_cast<std::uint16_t>(found.digits);
    ++chunk;
    if (found.controls != 0 && detail::findLineEnd(line, available, chunk - 1, found.controls, masks)) break;
    if (chunk == LineMasks::kChunks || 16 * chunk >= available) break;
  }
  std::memset(masks.separators + chunk, 0xFF, 8);
  std::memset(masks.digits + chunk, 0, 8);
}

// A number for the layout of the line at `line`: where the bytes that
// mark it stand, up to and with its first control byte (its line end, or a
// tab), in at most `chunks` chunks. Lines of one layout have one number;
// lines of others mostly differ.
inline std::uint64_t layoutNumber(const char* line, std::uint32_t chunks) {
  std::uint64_t number = 0;
  for (std::uint32_t chunk = 0; chunk < chunks; ++chunk) {
    const ChunkMasks bits = classifyChunk(line + 16 * chunk);
    if (bits.controls != 0) {
      // Bits up to and with the first control byte's.
      return (number ^ (bits.marks & (bits.controls ^ (bits.controls - 1)))) * 0x9E37'79B9'7F4A'7C15ULL;
    }
    number = (number ^ bits.marks) * 0x9E37'79B9'7F4A'7C15ULL;
  }
  return number;
}

// 64 bits of a mask from chunk `chunk` on: bytes 16 chunk to 16 chunk + 63.
inline std::uint64_t maskWindow(const std::uint16_t* words, std::uint32_t chunk) {
  std::uint64_t window = 0;
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(&window, words + chunk, sizeof window);
  } else {
    for (std::uint32_t i = 0; i < 4; ++i) window |= std::uint64_t{words[chunk + i]} << (16 * i);
  }
  return window;
}

}  // namespace recio
