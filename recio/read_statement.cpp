// The read statement: begin, one call per item, end.
#include <cstring>

#include "recio/connection_store.h"
#include "recio/failure_codes.h"
#include "recio/numeric_text.h"
#include "recio/reader.h"
#include "recio/report.h"
#include "recio/units.h"
#include "recio/value_classes.h"

namespace recio {

IoStatus beginRead(IoControl& control) {
  control.statementKind = StatementKind::Read;
  control.valueUsesLeft = 0;
  control.valueEndedAtRecordEnd = false;
  control.itemAssigned = false;
  // A data file read again and again is the first connection of the
  // table: that lookup is findUnit's result, found without it.
  UnitConnection* head = control.units.head;
  if (control.unit >= 0 && head != nullptr && head->unit == control.unit) {
    control.current = head;
    if (head->access == Access::Write) return failStatement(control, code::kFileNotOpenForRead);
    return detail::fillRecord(control, *head);
  }
  IoStatus status = IoStatus::Ok;
  UnitConnection* connection = findUnit(control, status);
  if (status != IoStatus::Ok) return status;
  if (connection == nullptr) return failStatement(control, code::kIllegalUnit);
  if (connection->access == Access::Write) return failStatement(control, code::kFileNotOpenForRead);
  return detail::fillRecord(control, *connection);
}

namespace {

// Every item readPlainDouble does not take.
IoStatus readAnyItem(IoControl& control, void* destination) {
  control.itemAssigned = false;
  // A repeat count serves its value to this and the following items; a count
  // that wrapped to zero or below serves one item and never wraps further.
  // A repeated value is converted again from its text.
  if (control.valueUsesLeft > 1) {
    control.valueUsesLeft -= 1;
  } else {
    control.valueUsesLeft = 0;
    IoStatus status = detail::scanValue(control);
    if (status != IoStatus::Ok) return status;
  }
  const ValueText& value = control.value;
  if (value.count == 0) return IoStatus::Ok;
  ItemType kind = control.item.type;
  if (kind == ItemType::Character) return failStatement(control, code::kBadIolistSpecifier);
  if (kind == ItemType::Integer32) {
    if (!checkNumericText(value.chars, value.count, kind)) {
      return failStatement(control, code::kIllegalNumericCharacter);
    }
    std::int32_t number = convertInteger(value.chars, value.count);
    std::memcpy(destination, &number, sizeof number);
  } else {
    double result = 0.0;
    if (!checkAndConvertReal(value.chars, value.count, result)) {
      return failStatement(control, code::kIllegalNumericCharacter);
    }
    std::memcpy(destination, &result, sizeof result);
  }
  control.itemAssigned = true;
  return IoStatus::Ok;
}

}  // namespace

IoStatus readItem(IoControl& control, void* destination) {
  if (detail::readPlainDouble(control, destination)) return IoStatus::Ok;
  return readAnyItem(control, destination);
}

IoStatus endRead(IoControl& control) {
  control.record.fill = 0;
  control.record.position = 0;
  control.statementKind = StatementKind::None;
  control.valueEndedAtRecordEnd = false;
  return IoStatus::Ok;
}

InputPosition inputPosition(const IoControl& control, std::int32_t unit) {
  const UnitConnection* connection = lookUpUnit(control.units, unit);
  if (connection == nullptr) return {};
  return {connection->linesEnded, connection->endedInsideRecord};
}

}  // namespace recio
