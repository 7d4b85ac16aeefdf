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

bool isBlankOrTab(int c) { return c == ' ' || c == '\t'; }

// The next character that is not a blank or tab, the read position after it.
int skipBlanks(IoControl& control, bool acrossRecords, IoStatus& status) {
  RecordText& record = control.record;
  for (;;) {
    while (record.position < record.fill) {
      auto c = static_cast<unsigned char>(record.bytes[record.position++]);
      if (!isBlankOrTab(c)) return c;
    }
    if (!acrossRecords) return kEndOfRecord;
    status = fillRecord(control, *control.current);
    if (status != IoStatus::Ok) return kStatementOver;
  }
}

bool setValue(IoControl& control, const char* first, std::size_t length) {
  ValueText& value = control.value;
  if (!growBuffer(value.chars, value.capacity, length + 1, kWorkBufferGrowth)) return false;
  std::memcpy(value.chars, first, length);
  value.chars[length] = '\0';
  value.count = length;
  return true;
}

bool isValueEnd(char c) { return c == ',' || c == ' ' || c == '\t' || c == '/' || c == '*'; }

}  // namespace

IoStatus scanValue(IoControl& control) {
  RecordText& record = control.record;
  for (;;) {  // once more after each repeat count
    control.value.count = 0;
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

    std::size_t first = record.position - 1;
    std::size_t end = record.position;
    while (end < record.fill && !isValueEnd(record.bytes[end])) ++end;
    record.position = end;
    if (!setValue(control, record.bytes + first, end - first)) {
      return failStatement(control, code::kBufferAllocationFailed);
    }
    if (end == record.fill) {
      control.valueEndedAtRecordEnd = true;
      return IoStatus::Ok;
    }
    char stop = record.bytes[end];
    if (stop == '*') {
      std::uint32_t count = 0;
      for (std::size_t i = first; i < end; ++i) {
        char digit = record.bytes[i];
        if (digit < '0' || digit > '9') return failStatement(control, code::kIllegalNumericCharacter);
        count = count * 10U + static_cast<std::uint32_t>(digit - '0');  // wraps modulo 2^32
      }
      control.valueUsesLeft = static_cast<std::int32_t>(count);
      record.position = end + 1;
      continue;
    }
    if (stop == '/') return IoStatus::Ok;  // the slash stays for the next scan
    record.position = end + 1;
    if (stop == ',') return IoStatus::Ok;
    // Ended by a blank or tab: the rest of the separator, with at most one comma.
    while (record.position < record.fill && isBlankOrTab(record.bytes[record.position])) ++record.position;
    if (record.position < record.fill && record.bytes[record.position] == ',') ++record.position;
    return IoStatus::Ok;
  }
}

}  // namespace recio::detail
