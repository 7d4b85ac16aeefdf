#include "recio/reader/read_statement.h"
#include "recio/reader/reader_state.h"

#include <cstring>

#include "recio/core/failure.h"
#include "recio/core/failure_codes.h"
#include "recio/core/unit_table.h"
#include "recio/numbers/decimal_scan.h"
#include "recio/numbers/decimal_to_double.h"
#include "recio/reader/finish_statement.h"
#include "recio/reader/record_collector.h"
#include "recio/reader/value_scanner.h"

namespace recio {

IoStatus beginRead(IoControl& control) {
  if (readerState(control).statementBegun) {
    readerState(control).statementBegun = false;
    return readerState(control).begunStatus;
  }
  control.statementKind = StatementKind::Read;
  readerState(control).valueUsesLeft = 0;
  readerState(control).valueEndedAtRecordEnd = false;
  readerState(control).itemAssigned = false;
  // A data file read again and again is the first connection of the
  // table: that lookup is findUnit's result, found without it.
  UnitConnection* head = control.units.head;
  if (control.unit >= 0 && head != nullptr && head->unit == control.unit) {
    control.current = head;
    if (head->access == Access::Write) return failStatement(control, code::kFileNotOpenForRead);
    return fillRecord(control, *head);
  }
  const FoundUnit found = findUnit(control);
  if (found.status != IoStatus::Ok) return found.status;
  if (found.connection == nullptr) return failStatement(control, code::kIllegalUnit);
  if (found.connection->access == Access::Write) return failStatement(control, code::kFileNotOpenForRead);
  return fillRecord(control, *found.connection);
}

IoStatus readItem(IoControl& control, void* destination) {
  ReaderState& state = readerState(control);
  state.itemAssigned = false;
  // A repeat count serves its value to this and the following items; a count
  // that wrapped to zero or below serves one item and never wraps further.
  // A repeated value is converted again from its text.
  if (state.valueUsesLeft > 1) {
    state.valueUsesLeft -= 1;
  } else {
    state.valueUsesLeft = 0;
    const IoStatus status = scanValue(control);
    if (status != IoStatus::Ok) return status;
  }
  const ValueText& value = control.value;
  if (value.count == 0) return IoStatus::Ok;
  const ItemType kind = control.item.type;
  if (kind == ItemType::Character) return failStatement(control, code::kBadIolistSpecifier);
  const NumberKind number = kind == ItemType::Integer32 ? NumberKind::Integer : NumberKind::Real;
  if (!checkNumberText(value.chars, value.count, number)) {
    return failStatement(control, code::kIllegalNumericCharacter);
  }
  if (number == NumberKind::Integer) {
    const std::int32_t result = convertInteger(value.chars, value.count);
    std::memcpy(destination, &result, sizeof result);
  } else {
    const double result = convertReal(value.chars, value.count);
    std::memcpy(destination, &result, sizeof result);
  }
  state.itemAssigned = true;
  return IoStatus::Ok;
}

IoStatus endRead(IoControl& control) {
  finishReadStatement(control);
  return IoStatus::Ok;
}

bool itemAssigned(const IoControl& control) { return readerState(control).itemAssigned; }

InputPosition inputPosition(const IoControl& control, std::int32_t unit) {
  const UnitConnection* connection = lookUpUnit(control.units, unit);
  if (connection == nullptr) return {};
  return {connection->linesEnded, connection->endedInsideRecord};
}

std::int64_t statementLine(const IoControl& control) {
  return control.current != nullptr ? control.current->linesEnded : 0;
}

bool recordGoesOn(const IoControl& control) {
  const RecordText& record = control.record;
  for (std::size_t i = record.position; i < record.fill; ++i) {
    if (record.bytes[i] != ' ') return true;
  }
  return false;
}

}  // namespace recio
