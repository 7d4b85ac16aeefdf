#include "recio/writer/fixed_field_items.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "recio/core/failure.h"
#include "recio/core/failure_codes.h"
#include "recio/numbers/printed_numbers.h"
#include "recio/writer/compiled_format.h"
#include "recio/writer/record_text.h"

namespace recio {
namespace {

std::int32_t twoByteOperand(const std::uint8_t* bytes) {
  return static_cast<std::int32_t>((static_cast<std::uint32_t>(bytes[0]) << 8U) | bytes[1]);
}

std::int32_t signedByte(std::uint8_t byte) { return static_cast<std::int8_t>(byte); }

// X n: the position moves right; blanks fill the gap but join the record
// only when a later field is placed after them.
IoStatus skip(IoControl& control, std::int32_t count) {
  RecordText& record = control.record;
  std::size_t target = record.position + static_cast<std::size_t>(count);
  if (target > record.fill) {
    const std::size_t fill = record.fill;
    record.position = fill;
    const Reserved gap = reserveAtPosition(control, target - fill);
    if (gap.place == nullptr) return gap.status;
    // Mostly the one blank between two fields.
    if (target - fill == 1) {
      *gap.place = ' ';
    } else {
      std::memset(gap.place, ' ', target - fill);
    }
    record.fill = fill;
  }
  record.position = target;
  return IoStatus::Ok;
}

// The code byte of the next data edit (F w.d), acting on the control edits
// before it; the end of the format ends the record and starts again from
// the first descriptor (a format without a data edit refuses items). Null
// when a call failed: its status comes back in `status`.
const std::uint8_t* nextDataEdit(IoControl& control, IoStatus& status) {
  FormatState& format = writerState(control).format;
  if (format.repeatLeft > 0) {
    format.repeatLeft -= 1;
    return format.current;
  }
  for (;;) {
    const std::uint8_t* const code = format.cursor;
    if (*code == kFixedPointEdit) {
      format.current = code;
      format.repeatLeft = std::max(twoByteOperand(code + 1) - 1, 0);
      format.cursor = code + 5;
      format.endsWithoutDataEdit = 0;
      return code;
    }
    if (*code == kSkipEdit) {
      format.cursor = code + 3;
      status = skip(control, twoByteOperand(code + 1));
      if (status != IoStatus::Ok) return nullptr;
      continue;
    }
    // The end of the format: the items outlast it, so they go on in a new
    // record from the first descriptor. A format with no data edit would
    // start records forever; it cannot take items.
    if (format.endsWithoutDataEdit > 0) {
      status = failStatement(control, code::kBadIolistSpecifier);
      return nullptr;
    }
    format.endsWithoutDataEdit += 1;
    status = endRecord(control);
    if (status != IoStatus::Ok) return nullptr;
    format.cursor = format.start;
  }
}

}  // namespace

IoStatus writeFixedFieldItem(IoControl& control, const char* item) {
  if (control.item.type != ItemType::Real64) return failStatement(control, code::kBadIolistSpecifier);
  IoStatus status = IoStatus::Ok;
  const std::uint8_t* const edit = nextDataEdit(control, status);
  if (edit == nullptr) return status;
  const std::int32_t width = signedByte(edit[3]);
  if (width <= 0) return IoStatus::Ok;
  double value;
  std::memcpy(&value, item, sizeof value);
  const Reserved field = reserveAtPosition(control, static_cast<std::size_t>(width));
  if (field.place == nullptr) return field.status;
  fixedFieldText(value, width, signedByte(edit[4]), field.place);
  return IoStatus::Ok;
}

IoStatus actOnTrailingControlEdits(IoControl& control) {
  FormatState& format = writerState(control).format;
  if (format.repeatLeft != 0) return IoStatus::Ok;
  while (*format.cursor == kSkipEdit) {
    std::int32_t count = twoByteOperand(format.cursor + 1);
    format.cursor += 3;
    IoStatus status = skip(control, count);
    if (status != IoStatus::Ok) return status;
  }
  return IoStatus::Ok;
}

}  // namespace recio
