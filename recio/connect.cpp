#include "recio/connect.h"

#include <cstring>

#include "recio/core/failure.h"
#include "recio/core/failure_codes.h"
#include "recio/core/unit_table.h"
#include "recio/keyword_text.h"
#include "recio/platform/platform.h"
#include "recio/platform/retrying_calls.h"

namespace recio {
namespace {

enum class StatusKeyword { Old, Unknown, None };

constexpr int kLastStandardDescriptor = 2;

bool isBlank(char c) { return c == ' '; }

StatusKeyword statusKeyword(const char* text, std::size_t length) {
  if (isKeyword(text, length, "OLD")) return StatusKeyword::Old;
  if (isKeyword(text, length, "UNKNOWN")) return StatusKeyword::Unknown;
  return StatusKeyword::None;
}

// Abandons a connect after the connection was appended: the unit stays unconnected.
IoStatus abandon(IoControl& control, UnitConnection* connection, FailureCode code) {
  unlinkConnection(control.units, connection);
  destroyConnection(connection);
  return failStatement(control, code);
}

// The descriptor of a file the program opened never stays at standard
// input, output or error (they were closed when the process started): a
// report or a console write would land in the file.
int moveAboveStandardDescriptors(int descriptor) {
  if (descriptor < 0 || descriptor > kLastStandardDescriptor) return descriptor;
  const int moved = platform().duplicateAbove(descriptor, kLastStandardDescriptor + 1);
  (void)platform().close(descriptor);
  return moved;
}

// The file's descriptor, or -errno.
int openConnectedFile(const char* fileName, StatusKeyword keyword) {
  if (keyword == StatusKeyword::Unknown && platform().queryPath(fileName, nullptr) != 0) {
    return moveAboveStandardDescriptors(openRetrying(fileName, OpenMode::Create));
  }
  // A file that may not be written is opened for reading only, but the
  // connection still permits both: the refusal shows when data first
  // reaches the file.
  bool writable = platform().checkReadWrite(fileName) == 0;
  // A FIFO that must exist is the program's input: opened for reading and
  // writing, the program would be its own writer and never meet the end of
  // the data. Opened for reading only, the open waits for a writer.
  DescriptorFacts path;
  if (writable && keyword == StatusKeyword::Old && platform().queryPath(fileName, &path) == 0 && path.isFifo) {
    writable = false;
  }
  return moveAboveStandardDescriptors(openRetrying(fileName, writable ? OpenMode::ReadWrite : OpenMode::ReadOnly));
}

}  // namespace

IoStatus openUnit(IoControl& control) {
  control.statementKind = StatementKind::Open;
  IoStatus status = ensureWorkBuffers(control);
  if (status != IoStatus::Ok) return status;
  if (control.unit < 0) return failStatement(control, code::kIllegalUnit);
  // Reconnecting a connected unit does not occur in this program; refuse it.
  if (lookUpUnit(control.units, control.unit) != nullptr) return failStatement(control, code::kIllegalUnit);

  StatusKeyword keyword = StatusKeyword::Unknown;
  if (control.options.statusGiven) keyword = statusKeyword(control.statusText, control.statusTextLength);
  if (keyword == StatusKeyword::None) return failStatement(control, code::kBadIolistSpecifier);

  UnitConnection* connection = createConnection(0);
  if (connection == nullptr) return failStatement(control, code::kBufferAllocationFailed);
  connection->unit = control.unit;
  connection->access = Access::Both;
  appendConnection(control.units, connection);

  const char* name = control.fileName;
  std::size_t length = control.options.fileNameGiven ? control.fileNameLength : 0;
  while (length > 0 && isBlank(*name)) {
    ++name;
    --length;
  }
  while (length > 0 && isBlank(name[length - 1])) --length;
  if (length == 0) return abandon(control, connection, code::kBadFileName);
  connection->fileName = static_cast<char*>(platform().allocate(length + 1));
  if (connection->fileName == nullptr) return abandon(control, connection, code::kBufferAllocationFailed);
  std::memcpy(connection->fileName, name, length);
  connection->fileName[length] = '\0';

  const int descriptor = openConnectedFile(connection->fileName, keyword);
  if (descriptor < 0) return abandon(control, connection, errorNumberOf(descriptor));
  connection->descriptor = descriptor;

  DescriptorFacts facts;
  if (platform().queryDescriptor(descriptor, &facts) == 0 && facts.isCharacterDevice) {
    connection->writeEachRecord = true;
  } else {
    connection->truncateOnFirstWrite = true;
  }

  connection->buffer = allocateConnectionBuffer(kFileBufferSize);
  if (connection->buffer == nullptr) {
    (void)platform().close(descriptor);
    return abandon(control, connection, code::kBufferAllocationFailed);
  }
  connection->capacity = kFileBufferSize;
  control.statementKind = StatementKind::None;
  return IoStatus::Ok;
}

}  // namespace recio
