#include "recio/core/unit_table.h"

#include <cstring>
#include <new>

#include "recio/core/failure.h"
#include "recio/core/failure_codes.h"
#include "recio/core/physical_write.h"
#include "recio/platform/platform.h"

namespace recio {

// Work buffers carry kBufferSlack bytes past their capacity too: the record
// path reads words of a record text a little past its end.
bool growBuffer(char*& bytes, std::size_t& capacity, std::size_t needed, std::size_t step) {
  if (needed <= capacity) return true;
  std::size_t steps = (needed - capacity + step - 1) / step;
  std::size_t grown = capacity + steps * step;
  void* moved = platform().reallocate(bytes, grown + kBufferSlack);
  if (moved == nullptr) return false;
  bytes = static_cast<char*>(moved);
  capacity = grown;
  return true;
}

namespace {
char* allocateWorkBuffer() { return static_cast<char*>(platform().allocate(kWorkBufferSize + kBufferSlack)); }
}  // namespace

IoStatus ensureWorkBuffers(IoControl& control) {
  if (control.record.bytes == nullptr) {
    control.record.bytes = allocateWorkBuffer();
    if (control.record.bytes == nullptr) return failStatement(control, code::kBufferAllocationFailed);
    control.record.capacity = kWorkBufferSize;
  }
  if (control.value.chars == nullptr) {
    control.value.chars = allocateWorkBuffer();
    if (control.value.chars == nullptr) return failStatement(control, code::kBufferAllocationFailed);
    control.value.capacity = kWorkBufferSize;
  }
  return IoStatus::Ok;
}

char* allocateConnectionBuffer(std::size_t capacity) {
  auto* block = static_cast<char*>(platform().allocate(kBufferSlack + capacity + kBufferSlack));
  if (block == nullptr) return nullptr;
  std::memset(block, 0, kBufferSlack + capacity + kBufferSlack);
  return block + kBufferSlack;
}

UnitConnection* createConnection(std::size_t bufferSize) {
  void* place = platform().allocate(sizeof(UnitConnection));
  if (place == nullptr) return nullptr;
  auto* connection = new (place) UnitConnection{};
  if (bufferSize != 0) {
    connection->buffer = allocateConnectionBuffer(bufferSize);
    if (connection->buffer == nullptr) {
      destroyConnection(connection);
      return nullptr;
    }
    connection->capacity = bufferSize;
  }
  return connection;
}

void destroyConnection(UnitConnection* connection) {
  if (connection->buffer != nullptr) platform().release(connection->buffer - kBufferSlack);
  platform().release(connection->fileName);
  connection->~UnitConnection();
  platform().release(connection);
}

void appendConnection(UnitTable& table, UnitConnection* connection) {
  connection->next = nullptr;
  UnitConnection** link = &table.head;
  while (*link != nullptr) link = &(*link)->next;
  *link = connection;
}

void unlinkConnection(UnitTable& table, UnitConnection* connection) {
  for (UnitConnection** link = &table.head; *link != nullptr; link = &(*link)->next) {
    if (*link == connection) {
      *link = connection->next;
      connection->next = nullptr;
      return;
    }
  }
}

UnitConnection* lookUpUnit(const UnitTable& table, std::int32_t unit) {
  for (UnitConnection* connection = table.head; connection != nullptr; connection = connection->next) {
    if (connection->unit == unit) return connection;
  }
  return nullptr;
}

namespace {

UnitConnection* createConsoleEntry(std::int32_t unit, int descriptor, Access access) {
  UnitConnection* entry = createConnection(kConsoleBufferSize);
  if (entry == nullptr) return nullptr;
  entry->unit = unit;
  entry->descriptor = descriptor;
  entry->access = access;
  entry->writeEachRecord = true;
  return entry;
}

// Both console entries come into being together, standard input first.
bool createConsoleEntries(UnitTable& table) {
  UnitConnection* input = createConsoleEntry(kStandardInputUnit, 0, Access::Read);
  if (input == nullptr) return false;
  UnitConnection* output = createConsoleEntry(kStandardOutputUnit, 1, Access::Write);
  if (output == nullptr) {
    destroyConnection(input);
    return false;
  }
  appendConnection(table, input);
  appendConnection(table, output);
  return true;
}

}  // namespace

FoundUnit findUnit(IoControl& control) {
  control.current = nullptr;
  const bool console = control.unit == kDefaultUnit;
  const bool transfer = control.statementKind == StatementKind::Read || control.statementKind == StatementKind::Write;
  if (control.unit < kDefaultUnit || (console && !transfer)) {
    return {nullptr, failStatement(control, code::kIllegalUnit)};
  }
  UnitConnection* connection = lookUpUnit(control.units, control.unit);
  if (connection == nullptr && console) {
    const std::int32_t entry = control.statementKind == StatementKind::Read ? kStandardInputUnit : kStandardOutputUnit;
    connection = lookUpUnit(control.units, entry);
    if (connection == nullptr) {
      if (!createConsoleEntries(control.units)) {
        return {nullptr, failStatement(control, code::kBufferAllocationFailed)};
      }
      connection = lookUpUnit(control.units, entry);
    }
    const IoStatus status = ensureWorkBuffers(control);
    if (status != IoStatus::Ok) return {nullptr, status};
  }
  control.current = connection;
  return {connection, IoStatus::Ok};
}

void closeAllUnits(IoControl& control, FailedClose failedClose) {
  // Each connection leaves the table before it is written, so nothing met
  // on the way can reach it a second time.
  while (control.units.head != nullptr) {
    UnitConnection* connection = control.units.head;
    control.units.head = connection->next;
    if (!isConsoleEntry(*connection)) {
      if (connection->unwrittenData) (void)writeBuffer(control, *connection, BufferWrite::WhileClosing);
      const int closed = platform().close(connection->descriptor);
      if (closed != 0 && failedClose == FailedClose::Reported && control.closingFailure == 0) {
        control.closingFailure = errorNumberOf(closed);
      }
    }
    destroyConnection(connection);
  }
  control.current = nullptr;
  platform().release(control.record.bytes);
  platform().release(control.value.chars);
  control.record = RecordText{};
  control.value = ValueText{};
  if (control.closingFailure != 0) {
    const FailureCode failure = control.closingFailure;
    control.closingFailure = 0;
    // Every unit is closed by now: no statement line, and no closing again.
    reportFailure(control, StatementKind::None, failure);
  }
}

}  // namespace recio
