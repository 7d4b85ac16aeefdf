// Splitting records into values: separators, null values, repeat counts and
// the slash that ends a statement.
#include <cstring>

#include "recio/failure_codes.h"
#include "recio/reader.h"
#include "recio/report.h"
#include "recio/units.h"

namespace recio::detail {
namespace {

constexpr int kEndOfRecord = -1;
constexpr int kStatementOver = -2;  // end of file or a failure: `status` says which

// What a record character is to the scan, by one table lookup: blanks and
// tabs separate values and are passed over; a comma, a slash and an
// asterisk end a value too.
enum CharacterClass : unsigned char { kValueCharacter = 0, kBlank = 1, kValueEnd = 2 };

struct CharacterClasses {
  unsigned char of[256] = {};
  constexpr CharacterClasses() {
    of[static_cast<unsigned char>(' ')] = kBlank;
    of[static_cast<unsigned char>('\t')] = kBlank;
    of[static_cast<unsigned char>(',')] = kValueEnd;
    of[static_cast<unsigned char>('/')] = kValueEnd;
    of[static_cast<unsigned char>('*')] = kValueEnd;
  }
};
constexpr CharacterClasses kClasses{};

unsigned char classOf(char c) { return kClasses.of[static_cast<unsigned char>(c)]; }

// The next character that is not a blank or tab, the read position after it.
int skipBlanks(IoControl& control, bool acrossRecords, IoStatus& status) {
  RecordText& record = control.record;
  for (;;) {
    const char* bytes = record.bytes;
    const std::size_t fill = record.fill;
    std::size_t position = record.position;
    while (position < fill) {
      const char c = bytes[position++];
      if (classOf(c) != kBlank) {
        record.position = position;
        return static_cast<unsigned char>(c);
      }
    }
    record.position = position;
    if (!acrossRecords) return kEndOfRecord;
    status = fillRecord(control, *control.current);
    if (status != IoStatus::Ok) return kStatementOver;
  }
}

// Room for `needed` bytes in the value text, grown one step at a time, as
// collecting it a character at a time grows it.
bool reserveValue(ValueText& value, std::size_t needed) {
  while (value.capacity < needed) {
    if (!growBuffer(value.chars, value.capacity, value.capacity + 1, kWorkBufferGrowth)) return false;
  }
  return true;
}

}  // namespace

IoStatus scanValue(IoControl& control) {
  RecordText& record = control.record;
  ValueText& value = control.value;
  for (;;) {  // once more after each repeat count
    value.count = 0;
    IoStatus status = IoStatus::Ok;
    int ch = skipBlanks(control, true, status);
    if (ch == kStatementOver) return status;
    if (control.valueEndedAtRecordEnd) {
      control.valueEndedAtRecordEnd = false;
      // A comma right after a value that ended its record is that value's separator.
      if (ch == ',') {
        ch = skipBlanks(control, false, status);
        if (ch == kEndOfRecord) {
          ch = skipBlanks(control, true, status);
          if (ch == kStatementOver) return status;
        }
      }
    }
    if (ch == '/') {
      record.position -= 1;  // met again by every later item of the statement
      return IoStatus::Ok;
    }
    if (ch == ',') return IoStatus::Ok;  // a null value

    const char* bytes = record.bytes;
    const std::size_t fill = record.fill;
    const std::size_t first = record.position - 1;
    std::size_t end = record.position;
    if (fill - first < value.capacity) {
      // The rest of the record fits the value text with its zero byte, so no
      // character can make it grow: copy while scanning.
      char* out = value.chars;
      out[0] = bytes[first];
      std::size_t count = 1;
      while (end < fill && classOf(bytes[end]) == kValueCharacter) out[count++] = bytes[end++];
      out[count] = '\0';
      value.count = count;
    } else {
      while (end < fill && classOf(bytes[end]) == kValueCharacter) ++end;
      const std::size_t length = end - first;
      if (!reserveValue(value, length + 1)) return failStatement(control, code::kBufferAllocationFailed);
      std::memcpy(value.chars, bytes + first, length);
      value.chars[length] = '\0';
      value.count = length;
    }
    record.position = end;
    if (end == fill) {
      control.valueEndedAtRecordEnd = true;
      return IoStatus::Ok;
    }
    const char stop = bytes[end];
    if (stop == '*') {
      std::uint32_t count = 0;
      for (std::size_t i = first; i < end; ++i) {
        const char digit = bytes[i];
        if (digit < '0' || digit > '9') return failStatement(control, code::kIllegalNumericCharacter);
        count = count * 10U + static_cast<std::uint32_t>(digit - '0');  // wraps modulo 2^32
      }
      control.valueUsesLeft = static_cast<std::int32_t>(count);
      record.position = end + 1;
      continue;
    }
    if (stop == '/') return IoStatus::Ok;  // the slash stays for the next scan
    std::size_t position = end + 1;
    if (stop != ',') {
      // Ended by a blank or tab: the rest of the separator, with at most one comma.
      while (position < fill && classOf(bytes[position]) == kBlank) ++position;
      if (position < fill && bytes[position] == ',') ++position;
    }
    record.position = position;
    return IoStatus::Ok;
  }
}

}  // namespace recio::detail
