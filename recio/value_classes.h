// The reader's classes of record characters, and readItem's path for the
// values data files are made of, inline so that readItem carries it without
// a call: a plain decimal for a double item, in one pass that converts as
// it scans, with a line feed put past the record to end its loops.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "recio/io_control.h"
#include "recio/numeric_text.h"

namespace recio::detail {

// What a record character is to the scan, by one table lookup: blanks and
// tabs separate values and are passed over; a comma and a slash end a value
// too, and an asterisk ends one that is a repeat count.
enum CharacterClass : unsigned char { kValueCharacter = 0, kBlank = 1, kValueEnd = 2, kRepeatMark = 3 };

inline constexpr char kStopByte = '\n';
inline constexpr std::size_t kShortPlainDecimal = 15;

struct CharacterClasses {
  unsigned char of[256] = {};
  constexpr CharacterClasses() {
    of[static_cast<unsigned char>(' ')] = kBlank;
    of[static_cast<unsigned char>('\t')] = kBlank;
    of[static_cast<unsigned char>(',')] = kValueEnd;
    of[static_cast<unsigned char>('/')] = kValueEnd;
    of[static_cast<unsigned char>('*')] = kRepeatMark;
    // No record holds a line feed; readPlainDouble puts one past the record.
    of[static_cast<unsigned char>(kStopByte)] = kValueEnd;
  }
};
inline constexpr CharacterClasses kClasses{};

inline unsigned char classOf(char c) { return kClasses.of[static_cast<unsigned char>(c)]; }

// readItem in full for its common case: a double item that takes a new
// value, a plain decimal beginning in the current record, not after a value
// that ended the record before, and no repeat count. Stores it, with the
// effect of the general steps; false in every other case, with nothing
// changed but the byte past the record text.
[[gnu::always_inline]] inline bool readPlainDouble(IoControl& control, void* destination) {
  RecordText& record = control.record;
  const std::size_t fill = record.fill;
  if (control.valueUsesLeft > 1 || control.item.type != ItemType::Real64 || control.valueEndedAtRecordEnd ||
      fill >= record.capacity) {
    return false;
  }
  char* bytes = record.bytes;
  // A line feed past the record stops every loop below: none needs a bound.
  bytes[fill] = kStopByte;
  // Tabs were made blanks when the record was collected; one all the same
  // ends the value at once and leaves it to the general steps.
  std::size_t i = record.position;
  while (bytes[i] == ' ') ++i;
  const std::size_t first = i;
  const bool negative = bytes[i] == '-';
  if (negative || bytes[i] == '+') ++i;
  const std::size_t digits = i;
  // The digits before the point, and after it. Two plain loops, each
  // aligned on its own (see the loop alignment in CMakeLists.txt).
  std::uint64_t m = 0;  // wraps only for more digits than the test below lets through
  for (;; ++i) {
    const std::uint64_t d = static_cast<unsigned char>(bytes[i]) - std::uint64_t{'0'};
    if (d > 9) break;
    m = m * 10U + d;
  }
  std::size_t fractionDigits = 0;
  if (bytes[i] == '.') {
    const std::size_t fractionStart = ++i;
    for (;; ++i) {
      const std::uint64_t d = static_cast<unsigned char>(bytes[i]) - std::uint64_t{'0'};
      if (d > 9) break;
      m = m * 10U + d;
    }
    fractionDigits = i - fractionStart;
  }
  const std::size_t mantissaEnd = i;
  // Wraps for more than 2^31 fraction digits; plainExponent compares in 64
  // bits, so that cannot overflow, and the length test below refuses them.
  const auto fraction = static_cast<std::int32_t>(fractionDigits);
  std::int32_t x = 0;
  char stop = bytes[i];
  unsigned char stopClass = classOf(stop);
  if (stopClass == kValueCharacter) {
    // An exponent: a letter, a sign, or both (the letter is optional), then
    // up to kPlainExponentDigits digits; the stop byte ends it.
    if (stop == 'E' || stop == 'e' || stop == 'D' || stop == 'd') ++i;
    const bool negativeExponent = bytes[i] == '-';
    if (negativeExponent || bytes[i] == '+') ++i;
    for (const std::size_t exponentStart = i; i - exponentStart < kPlainExponentDigits; ++i) {
      const std::uint64_t d = static_cast<unsigned char>(bytes[i]) - std::uint64_t{'0'};
      if (d > 9) break;
      x = x * 10 + static_cast<std::int32_t>(d);
    }
    if (negativeExponent) x = -x;
    if (!plainExponent(x, fraction)) return false;
    stop = bytes[i];
    stopClass = classOf(stop);
  }
  const std::size_t end = i;
  // Not plain: nothing before a comma, slash or asterisk (or the record
  // end); a value that goes on, or a repeat count; more digits than the
  // shortcut takes; a value text too small even for this value. Up to 15
  // characters of mantissa after the sign need no more tests: 10^15 < 2^53,
  // and the value text, made with 1024 bytes, holds such a value (at most 22
  // characters with its exponent).
  if (end == first || (stopClass != kBlank && stopClass != kValueEnd) ||
      (mantissaEnd - digits > kShortPlainDecimal &&
       (mantissaEnd - digits > kPlainDecimalMax || m >= kExactMantissaLimit || end - first >= control.value.capacity))) {
    return false;
  }
  // The value text is left as it is: nothing reads it before the next scan
  // writes it, as only a repeat count (never taken here) makes an item use
  // the text of an earlier one.
  const double number = plainDecimalValue(m, x - fraction, negative);
  std::memcpy(destination, &number, sizeof number);
  control.valueUsesLeft = 0;
  control.itemAssigned = true;
  std::size_t position = end;
  if (end == fill) {
    control.valueEndedAtRecordEnd = true;
  } else if (stop != '/') {  // a slash stays for the next scan
    ++position;
    if (stop != ',') {
      while (bytes[position] == ' ') ++position;
      while (classOf(bytes[position]) == kBlank) ++position;  // a tab all the same
      if (bytes[position] == ',') ++position;                 // the stop byte is no comma
    }
  }
  record.position = position;
  return true;
}

}  // namespace recio::detail
