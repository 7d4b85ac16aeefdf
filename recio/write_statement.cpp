// The output statement life cycle and the end of a record.
#include <cstring>

#include "recio/failure_codes.h"
#include "recio/report.h"
#include "recio/units.h"
#include "recio/writer.h"

namespace recio {

namespace detail {

char* reserveAtPosition(IoControl& control, std::size_t count, IoStatus& status) {
  RecordText& record = control.record;
  status = IoStatus::Ok;
  // Grown while position + count is not below the capacity.
  if (!growBuffer(record.bytes, record.capacity, record.position + count + 1, kWorkBufferGrowth)) {
    status = failStatement(control, code::kBufferAllocationFailed);
    return nullptr;
  }
  char* place = record.bytes + record.position;
  record.position += count;
  if (record.position > record.fill) record.fill = record.position;
  return place;
}

IoStatus placeBytes(IoControl& control, const char* bytes, std::size_t count) {
  IoStatus status = IoStatus::Ok;
  char* place = reserveAtPosition(control, count, status);
  if (place != nullptr && count != 0) std::memcpy(place, bytes, count);
  return status;
}

}  // namespace detail

IoStatus beginWrite(IoControl& control) {
  control.statementKind = StatementKind::Write;
  control.edit = EditInProgress{};
  if (control.options.formatted) {
    control.formatState.start = control.format;
    control.formatState.cursor = control.format;
    control.formatState.repeatLeft = 0;
    control.formatState.current = nullptr;
    control.formatState.endsWithoutDataEdit = 0;
  }
  IoStatus status = IoStatus::Ok;
  UnitConnection* connection = findUnit(control, status);
  if (status != IoStatus::Ok) return status;
  if (connection == nullptr) return failStatement(control, code::kIllegalUnit);
  if (connection->access == Access::Read) return failStatement(control, code::kFileNotOpenForWrite);
  control.record.fill = 0;
  control.record.position = 0;
  if (control.options.freeForm) {
    status = detail::placeBytes(control, " ", 1);
    if (status != IoStatus::Ok) return status;
    control.lastWasText = true;
  }
  return IoStatus::Ok;
}

IoStatus writeItem(IoControl& control, const void* item) {
  const char* next = static_cast<const char*>(item);
  for (std::int32_t i = 0; i < control.item.count; ++i) {
    IoStatus status = control.options.formatted ? detail::writeFixedFieldItem(control, next)
                                                : detail::writeFreeFormItem(control, next);
    if (status != IoStatus::Ok) return status;
    next += control.item.size;
  }
  return IoStatus::Ok;
}

IoStatus endWrite(IoControl& control) {
  if (control.options.formatted) {
    IoStatus status = detail::actOnTrailingControlEdits(control);
    if (status != IoStatus::Ok) return status;
  }
  IoStatus status = endRecord(control);
  if (status != IoStatus::Ok) return status;
  control.record.fill = 0;
  control.record.position = 0;
  control.lastWasText = false;
  control.statementKind = StatementKind::None;
  return IoStatus::Ok;
}

IoStatus endRecord(IoControl& control) {
  UnitConnection& connection = *control.current;
  RecordText& record = control.record;
  if (record.fill > static_cast<std::size_t>(connection.recordLengthLimit)) {
    return failStatement(control, code::kRecordTooLong);
  }
  // The record's bytes and its line end go to the connection's buffer with
  // every carriage return dropped: the line end that arrives is the line feed.
  const char* next = record.bytes;
  const char* end = record.bytes + record.fill;
  bool lineFeedPlaced = false;
  while (!lineFeedPlaced) {
    if (connection.fill == connection.capacity) {
      IoStatus status = writeBuffer(control, connection);
      if (status != IoStatus::Ok) return status;
    }
    std::size_t room = connection.capacity - connection.fill;
    char* into = connection.buffer + connection.fill;
    if (next == end) {
      *into = '\n';
      connection.fill += 1;
      lineFeedPlaced = true;
    } else {
      std::size_t run = static_cast<std::size_t>(end - next);
      if (run > room) run = room;
      const void* carriageReturn = std::memchr(next, '\r', run);
      if (carriageReturn != nullptr) run = static_cast<std::size_t>(static_cast<const char*>(carriageReturn) - next);
      std::memcpy(into, next, run);
      connection.fill += run;
      next += run;
      if (carriageReturn != nullptr) next += 1;
    }
    connection.unwrittenData = true;
  }
  if (connection.writeEachRecord) {
    IoStatus status = writeBuffer(control, connection);
    if (status != IoStatus::Ok) return status;
  }
  record.fill = 0;
  record.position = 0;
  if (connection.lastCode != 0) return failStatement(control, connection.lastCode);
  return IoStatus::Ok;
}

}  // namespace recio
