// Where a record that readPlainRecord takes ends, found sixteen bytes at a
// time: its line feed, unless a tab or carriage return comes first.
#pragma once

#include <bit>

#include "recio/numbers/byte_words.h"

namespace recio {

// The first line feed, tab or carriage return at or after p; the bytes
// from p on hold one, and sixteen bytes can be read from any byte up to it.
inline const char* findRecordStopPortable(const char* p) {
  while (*p != '\n' && *p != '\t' && *p != '\r') ++p;
  return p;
}

#ifdef RECIO_SSE2
inline const char* findRecordStopSse2(const char* p) {
  const __m128i lineFeed = _mm_set1_epi8('\n');
  const __m128i tab = _mm_set1_epi8('\t');
  const __m128i carriageReturn = _mm_set1_epi8('\r');
  for (;; p += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i hits = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, lineFeed), _mm_cmpeq_epi8(bytes, tab)),
                                      _mm_cmpeq_epi8(bytes, carriageReturn));
    const auto mask = static_cast<unsigned>(_mm_movemask_epi8(hits));
    if (mask != 0) return p + std::countr_zero(mask);
  }
}
#endif

inline const char* findRecordStop(const char* p) {
#ifdef RECIO_SSE2
  return findRecordStopSse2(p);
#else
  return findRecordStopPortable(p);
#endif
}

}  // namespace recio
