// readItem's path for the values data files are made of, inline so that
// readItem carries it without a call: a plain decimal for a double item,
// scanned where it lies in the record, with a line feed put past the record
// to end the scan. The layouts kept of records take their values' shapes by
// the same steps (shape_path.cpp).
#pragma once

#include <cstddef>
#include <cstring>

#include "recio/numbers/decimal_scan.h"
#include "recio/numbers/decimal_to_double.h"
#include "recio/reader/character_classes.h"
#include "recio/reader/reader_state.h"

namespace recio {

enum class PlainItem {
  Taken,     // stored, with the effect of the general steps
  NotTried,  // not a case for this path (not a double item, a repeat, ...)
  NotPlain,  // scanned, and not a plain decimal ended by a separator
};

// A plain decimal of a record text that ends in kStopByte, scanned from
// `position` by the general steps' rules: where its text begins, and the
// read position after it and its separator.
struct PlainValue {
  PlainDecimal number;
  std::size_t first;
  std::size_t next;
  bool endsRecord;  // no separator after it: the value ended the record
  bool taken;       // false: not a plain decimal ended by a separator
};

[[gnu::always_inline]] inline PlainValue scanPlainValue(const char* bytes, std::size_t position, std::size_t fill) {
  // Tabs were made blanks when the record was collected; one all the same
  // ends the value at once and leaves it to the general steps.
  std::size_t first = position;
  while (bytes[first] == ' ') ++first;
  PlainValue value{scanPlainDecimal(bytes + first), first, 0, false, false};
  const std::size_t end = static_cast<std::size_t>(value.number.end - bytes);
  const char stop = bytes[end];
  const std::uint8_t stopClass = classOf(stop);
  // Not plain: nothing before a comma, slash or asterisk (or the record
  // end), a value that goes on, a repeat count, too many digits.
  if (end == first || !value.number.plain || (stopClass != kBlank && stopClass != kValueEnd)) return value;
  value.taken = true;
  std::size_t next = end;
  if (end == fill) {
    value.endsRecord = true;
  } else if (stop != '/') {  // a slash stays for the next scan
    ++next;
    if (stop != ',') {
      while (bytes[next] == ' ') ++next;
      while (classOf(bytes[next]) == kBlank) ++next;  // a tab all the same
      if (bytes[next] == ',') ++next;                 // the stop byte is no comma
    }
  }
  value.next = next;
  return value;
}

// readItem in full for its common case: a double item that takes a new
// value, not after a value that ended the record before, and no repeat
// count. Nothing is changed unless the value is taken, but the byte past the
// record text.
[[gnu::always_inline]] inline PlainItem readPlainDouble(IoControl& control, void* destination) {
  RecordText& record = control.record;
  const std::size_t fill = record.fill;
  if (readerState(control).valueUsesLeft > 1 || control.item.type != ItemType::Real64 ||
      readerState(control).valueEndedAtRecordEnd || fill >= record.capacity) {
    return PlainItem::NotTried;
  }
  record.bytes[fill] = kStopByte;
  const PlainValue scanned = scanPlainValue(record.bytes, record.position, fill);
  if (!scanned.taken) return PlainItem::NotPlain;
  // The value text is left as it is: nothing reads it before the next scan
  // writes it, as only a repeat count (never taken here) makes an item use
  // the text of an earlier one.
  const double value = plainDecimalValue(scanned.number);
  std::memcpy(destination, &value, sizeof value);
  readerState(control).valueUsesLeft = 0;
  readerState(control).itemAssigned = true;
  readerState(control).valueEndedAtRecordEnd = scanned.endsRecord;
  record.position = scanned.next;
  return PlainItem::Taken;
}

}  // namespace recio
