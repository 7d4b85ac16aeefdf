// The scan of a statement's next value by the free-form rules: separators,
// null values, repeat counts, the slash, and values that end their record.
#include "recio/reader/value_scanner.h"
#include "recio/reader/reader_state.h"

#include <cstdint>
#include <cstring>

#include "recio/core/failure.h"
#include "recio/core/failure_codes.h"
#include "recio/core/unit_table.h"
#include "recio/numbers/byte_table.h"
#include "recio/reader/character_classes.h"
#include "recio/reader/record_collector.h"

namespace recio {
namespace {

constexpr int kEndOfRecord = -1;
constexpr int kStatementOver = -2;  // end of file or a failure: `status` says which

// The number of blanks and tabs from bytes[i] on, within the fill.
std::size_t blankRun(const char* bytes, std::size_t i, std::size_t fill) {
  const std::size_t start = i;
  while (i < fill && classOf(bytes[i]) == kBlank) ++i;
  return i - start;
}

// The next character that is not a blank or tab, the read position after it.
int skipBlanks(IoControl& control, bool acrossRecords, IoStatus& status) {
  RecordText& record = control.record;
  for (;;) {
    const std::size_t position = record.position + blankRun(record.bytes, record.position, record.fill);
    if (position < record.fill) {
      record.position = position + 1;
      return static_cast<unsigned char>(record.bytes[position]);
    }
    record.position = position;
    if (!acrossRecords) return kEndOfRecord;
    passEmptyRecords(control, *control.current);
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

constexpr std::size_t kShortValue = 16;

// The value's characters, record bytes first to end - 1, into the value
// text, which has room for them and the zero byte. A short value goes as one
// block of fixed size (bytes past it are copied too, but both buffers hold
// that many), which needs no call.
void copyValue(ValueText& value, const RecordText& record, std::size_t first, std::size_t end) {
  const std::size_t length = end - first;
  if (length <= kShortValue && first + kShortValue <= record.capacity && kShortValue < value.capacity) {
    std::memcpy(value.chars, record.bytes + first, kShortValue);
  } else {
    std::memcpy(value.chars, record.bytes + first, length);
  }
  value.chars[length] = '\0';
  value.count = length;
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
    if (readerState(control).valueEndedAtRecordEnd) {
      readerState(control).valueEndedAtRecordEnd = false;
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
    while (end < fill && classOf(bytes[end]) == kValueCharacter) ++end;
    if (!reserveValue(value, end - first + 1)) return failStatement(control, code::kBufferAllocationFailed);
    copyValue(value, record, first, end);
    record.position = end;
    if (end == fill) {
      readerState(control).valueEndedAtRecordEnd = true;
      return IoStatus::Ok;
    }
    const char stop = bytes[end];
    if (stop == '*') {
      std::uint32_t count = 0;
      for (std::size_t i = first; i < end; ++i) {
        const char digit = bytes[i];
        if (!isDigit(digit)) return failStatement(control, code::kIllegalNumericCharacter);
        count = count * 10U + static_cast<std::uint32_t>(digit - '0');  // wraps modulo 2^32
      }
      readerState(control).valueUsesLeft = static_cast<std::int32_t>(count);
      record.position = end + 1;
      continue;
    }
    if (stop == '/') return IoStatus::Ok;  // the slash stays for the next scan
    std::size_t position = end + 1;
    if (stop != ',') {
      // Ended by a blank or tab: the rest of the separator, with at most one comma.
      position += blankRun(bytes, position, fill);
      if (position < fill && bytes[position] == ',') ++position;
    }
    record.position = position;
    return IoStatus::Ok;
  }
}

}  // namespace recio
