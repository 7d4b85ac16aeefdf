#include "recio/writer/free_form_items.h"

#include <cstdint>
#include <cstring>

#include "recio/core/failure.h"
#include "recio/core/failure_codes.h"
#include "recio/numbers/printed_numbers.h"
#include "recio/writer/record_text.h"

namespace recio {
namespace {

std::size_t recordLimit(const IoControl& control) {
  return static_cast<std::size_t>(control.current->recordLengthLimit);
}

// A number that would carry the record past the connection's limit starts a
// new record instead; one longer than the limit by itself cannot be written.
IoStatus placeNumber(IoControl& control, const char* text, std::size_t length) {
  IoStatus status = placeBytes(control, text, length);
  if (status != IoStatus::Ok) return status;
  writerState(control).lastWasText = false;
  std::size_t limit = recordLimit(control);
  if (length > limit) return failStatement(control, code::kRecordTooLong);
  if (control.record.fill > limit) {
    control.record.fill -= length;
    control.record.position = control.record.fill;
    status = endRecord(control);
    if (status != IoStatus::Ok) return status;
    status = placeBytes(control, " ", 1);
    if (status != IoStatus::Ok) return status;
    status = placeBytes(control, text, length);
  }
  return status;
}

IoStatus placeText(IoControl& control, const char* text, std::size_t length) {
  std::size_t limit = recordLimit(control);
  while (control.record.fill + length > limit) {
    std::size_t fits = limit - control.record.fill;
    IoStatus status = placeBytes(control, text, fits);
    if (status != IoStatus::Ok) return status;
    status = endRecord(control);
    if (status != IoStatus::Ok) return status;
    status = placeBytes(control, " ", 1);
    if (status != IoStatus::Ok) return status;
    text += fits;
    length -= fits;
  }
  return placeBytes(control, text, length);
}

}  // namespace

IoStatus writeFreeFormItem(IoControl& control, const char* item) {
  char text[kFreeFormNumberMax];
  switch (control.item.type) {
    case ItemType::Character: {
      if (!writerState(control).lastWasText) {
        IoStatus status = placeBytes(control, " ", 1);
        if (status != IoStatus::Ok) return status;
      }
      IoStatus status = placeText(control, item, control.item.size);
      writerState(control).lastWasText = true;
      return status;
    }
    case ItemType::Integer32: {
      std::int32_t value;
      std::memcpy(&value, item, sizeof value);
      return placeNumber(control, text, freeFormIntegerText(value, text));
    }
    case ItemType::Real64: {
      double value;
      std::memcpy(&value, item, sizeof value);
      return placeNumber(control, text, freeFormDoubleText(value, text));
    }
  }
  return failStatement(control, code::kBadIolistSpecifier);
}

}  // namespace recio
