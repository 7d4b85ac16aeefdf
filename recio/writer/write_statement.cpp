#include "recio/writer/write_statement.h"

#include "recio/core/failure.h"
#include "recio/core/failure_codes.h"
#include "recio/core/unit_table.h"
#include "recio/writer/fixed_field_items.h"
#include "recio/writer/free_form_items.h"
#include "recio/writer/record_text.h"

namespace recio {

IoStatus beginWrite(IoControl& control) {
  control.statementKind = StatementKind::Write;
  if (control.options.formatted) {
    writerState(control).format.start = control.format;
    writerState(control).format.cursor = control.format;
    writerState(control).format.repeatLeft = 0;
    writerState(control).format.current = nullptr;
    writerState(control).format.endsWithoutDataEdit = 0;
  }
  const FoundUnit found = findUnit(control);
  if (found.status != IoStatus::Ok) return found.status;
  if (found.connection == nullptr) return failStatement(control, code::kIllegalUnit);
  if (found.connection->access == Access::Read) return failStatement(control, code::kFileNotOpenForWrite);
  control.record.fill = 0;
  control.record.position = 0;
  if (control.options.freeForm) {
    const IoStatus status = placeBytes(control, " ", 1);
    if (status != IoStatus::Ok) return status;
    writerState(control).lastWasText = true;
  }
  return IoStatus::Ok;
}

IoStatus writeItem(IoControl& control, const void* item) {
  const char* next = static_cast<const char*>(item);
  for (std::int32_t i = 0; i < control.item.count; ++i) {
    IoStatus status = control.options.formatted ? writeFixedFieldItem(control, next) : writeFreeFormItem(control, next);
    if (status != IoStatus::Ok) return status;
    next += control.item.size;
  }
  return IoStatus::Ok;
}

IoStatus endWrite(IoControl& control) {
  if (control.options.formatted) {
    IoStatus status = actOnTrailingControlEdits(control);
    if (status != IoStatus::Ok) return status;
  }
  IoStatus status = endRecord(control);
  if (status != IoStatus::Ok) return status;
  control.record.fill = 0;
  control.record.position = 0;
  writerState(control).lastWasText = false;
  control.statementKind = StatementKind::None;
  return IoStatus::Ok;
}

}  // namespace recio
