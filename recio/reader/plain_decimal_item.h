// readItem's path for the values data files are made of, inline so that
// readItem carries it without a call: a plain decimal for a double item,
// scanned where it lies in the record, with a line feed put past the record
// to end the scan.
#pragma once

#include <cstddef>
#include <cstring>

#include "recio/core/io_control.h"
#include "recio/numbers/decimal_scan.h"
#include "recio/numbers/decimal_to_double.h"
#include "recio/reader/character_classes.h"

namespace recio {

enum class PlainItem {
  Taken,        // stored, with the effect of the general steps
  NotTried,     // not a case for this path (not a double item, a repeat, ...)
  NotPlain,     // scanned, and not a plain decimal ended by a separator
};

// readItem in full for its common case: a double item that takes a new
// value, not after a value that ended the record before, and no repeat
// count. Nothing is changed unless the value is taken, but the byte past the
// record text.
[[gnu::always_inline]] inline PlainItem readPlainDouble(IoControl& control, void* destination) {
  RecordText& record = control.record;
  const std::size_t fill = record.fill;
  if (control.valueUsesLeft > 1 || control.item.type != ItemType::Real64 || control.valueEndedAtRecordEnd ||
      fill >= record.capacity) {
    return PlainItem::NotTried;
  }
  char* bytes = record.bytes;
  bytes[fill] = kStopByte;
  // Tabs were made blanks when the record was collected; one all the same
  // ends the value at once and leaves it to the general steps.
  std::size_t first = record.position;
  while (bytes[first] == ' ') ++first;
  const PlainDecimal number = scanPlainDecimal(bytes + first);
  const std::size_t end = static_cast<std::size_t>(number.end - bytes);
  const char stop = bytes[end];
  const std::uint8_t stopClass = classOf(stop);
  // Not plain: nothing before a comma, slash or asterisk (or the record
  // end), a value that goes on, a repeat count, too many digits.
  if (end == first || !number.plain || (stopClass != kBlank && stopClass != kValueEnd)) return PlainItem::NotPlain;
  // The value text is left as it is: nothing reads it before the next scan
  // writes it, as only a repeat count (never taken here) makes an item use
  // the text of an earlier one.
  const double value = plainDecimalValue(number);
  std::memcpy(destination, &value, sizeof value);
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
  return PlainItem::Taken;
}

}  // namespace recio
