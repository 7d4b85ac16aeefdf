#include "recio/writer/fixed_field_items.h"

#include <cstdint>
#include <cstring>

#include "recio/core/failure.h"
#include "recio/core/failure_codes.h"
#include "recio/numbers/printed_numbers.h"
#include "recio/writer/record_text.h"

namespace recio {
namespace {

std::int32_t twoByteOperand(const std::uint8_t* bytes) {
  return static_cast<std::int32_t>((static_cast<std::uint32_t>(bytes[0]) << 8U) | bytes[1]);
}

std::int32_t signedByte(std::uint8_t byte) { return static_cast<std::int8_t>(byte); }

void readFixedPoint(const std::uint8_t* code, Edit& edit) {
  edit.kind = Edit::Kind::FixedPoint;
  edit.width = signedByte(code[3]);
  edit.fractionDigits = signedByte(code[4]);
  edit.count = 0;
}

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
    std::memset(gap.place, ' ', target - fill);
    record.fill = fill;
  }
  record.position = target;
  return IoStatus::Ok;
}

}  // namespace

IoStatus nextEdit(IoControl& control, Edit& edit) {
  FormatState& format = writerState(control).format;
  if (format.repeatLeft > 0) {
    readFixedPoint(format.current, edit);
    format.repeatLeft -= 1;
    return IoStatus::Ok;
  }
  for (;;) {
    std::uint8_t code = *format.cursor++;
    if (code == kFixedPointEdit) {
      format.current = format.cursor - 1;
      format.repeatLeft = twoByteOperand(format.cursor) - 1;
      if (format.repeatLeft < 0) format.repeatLeft = 0;
      readFixedPoint(format.current, edit);
      format.cursor += 4;
      format.endsWithoutDataEdit = 0;
      return IoStatus::Ok;
    }
    if (code == kSkipEdit) {
      edit.kind = Edit::Kind::Skip;
      edit.count = twoByteOperand(format.cursor);
      format.cursor += 2;
      return IoStatus::Ok;
    }
    // The end of the format: the items outlast it, so they go on in a new
    // record from the first descriptor. A format with no data edit would
    // start records forever; it cannot take items.
    if (format.endsWithoutDataEdit > 0) return failStatement(control, code::kBadIolistSpecifier);
    format.endsWithoutDataEdit += 1;
    IoStatus status = endRecord(control);
    if (status != IoStatus::Ok) return status;
    format.cursor = format.start;
  }
}

IoStatus writeFixedFieldItem(IoControl& control, const char* item) {
  if (control.item.type != ItemType::Real64) return failStatement(control, code::kBadIolistSpecifier);
  Edit edit{};
  for (;;) {
    IoStatus status = nextEdit(control, edit);
    if (status != IoStatus::Ok) return status;
    if (edit.kind == Edit::Kind::FixedPoint) break;
    status = skip(control, edit.count);
    if (status != IoStatus::Ok) return status;
  }
  double value;
  std::memcpy(&value, item, sizeof value);
  if (edit.width <= 0) return IoStatus::Ok;
  const Reserved field = reserveAtPosition(control, static_cast<std::size_t>(edit.width));
  if (field.place == nullptr) return field.status;
  fixedFieldText(value, edit.width, edit.fractionDigits, field.place);
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
