#include "recio/writer/record_text.h"

#include <cstring>

#include "recio/core/failure.h"
#include "recio/core/failure_codes.h"
#include "recio/core/physical_write.h"
#include "recio/core/unit_table.h"

namespace recio {

Reserved reserveGrowing(IoControl& control, std::size_t count) {
  RecordText& record = control.record;
  if (!growBuffer(record.bytes, record.capacity, record.position + count + 1, kWorkBufferGrowth)) {
    return {nullptr, failStatement(control, code::kBufferAllocationFailed)};
  }
  char* place = record.bytes + record.position;
  record.position += count;
  if (record.position > record.fill) record.fill = record.position;
  return {place, IoStatus::Ok};
}

IoStatus placeBytes(IoControl& control, const char* bytes, std::size_t count) {
  const Reserved reserved = reserveAtPosition(control, count);
  if (reserved.place != nullptr && count != 0) std::memcpy(reserved.place, bytes, count);
  return reserved.status;
}

IoStatus endRecord(IoControl& control) {
  UnitConnection& connection = *control.current;
  RecordText& record = control.record;
  if (record.fill > static_cast<std::size_t>(connection.recordLengthLimit)) {
    return failStatement(control, code::kRecordTooLong);
  }
  // The record's bytes and its line end go to the connection's buffer with
  // every carriage return dropped: the line end that arrives is the line feed.
  // A fixed-field record holds only fields and blanks, never a carriage
  // return: where it fits the buffer, it is copied at once.
  const char* next = record.bytes;
  const char* end = record.bytes + record.fill;
  bool lineFeedPlaced = false;
  if (control.options.formatted && record.fill < connection.capacity - connection.fill) {
    char* into = connection.buffer + connection.fill;
    std::memcpy(into, next, record.fill);
    into[record.fill] = '\n';
    connection.fill += record.fill + 1;
    connection.unwrittenData = true;
    lineFeedPlaced = true;
  }
  while (!lineFeedPlaced) {
    if (connection.fill == connection.capacity) {
      IoStatus status = writeBuffer(control, connection, BufferWrite::InStatement);
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
    IoStatus status = writeBuffer(control, connection, BufferWrite::InStatement);
    if (status != IoStatus::Ok) return status;
  }
  record.fill = 0;
  record.position = 0;
  if (connection.lastCode != 0) return failStatement(control, connection.lastCode);
  return IoStatus::Ok;
}

}  // namespace recio
