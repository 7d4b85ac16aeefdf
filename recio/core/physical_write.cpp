#include "recio/core/physical_write.h"
#include "recio/core/io_control.h"

#include "recio/core/failure.h"
#include "recio/core/failure_codes.h"
#include "recio/platform/platform.h"
#include "recio/platform/retrying_calls.h"

namespace recio {

IoStatus writeBuffer(IoControl& control, UnitConnection& connection, BufferWrite moment) {
  const WriteOutcome outcome = writeFully(connection.descriptor, connection.buffer, connection.fill);
  connection.lastCode = errorNumberOf(outcome.result);

  // On the first write an old file is cut to the end of the new data, so no
  // old bytes survive after new ones. When the write failed part-way the cut
  // still follows the bytes that did reach the file; when none did, the old
  // file is left exactly as it was.
  if (connection.truncateOnFirstWrite && (outcome.result == 0 || outcome.written > 0)) {
    connection.truncateOnFirstWrite = false;
    const std::int64_t endOfData =
        connection.blockCount * static_cast<std::int64_t>(kFileBufferSize) + static_cast<std::int64_t>(outcome.written);
    // A size that cannot be queried is cut all the same: the cut keeps every
    // new byte, and skipping it could leave old bytes after the new ones.
    DescriptorFacts facts;
    const bool sizeKnown = platform().queryDescriptor(connection.descriptor, &facts) == 0;
    if ((!sizeKnown || facts.size > endOfData) && platform().truncate(connection.descriptor, endOfData) != 0 &&
        connection.lastCode == 0) {
      connection.lastCode = code::kTruncateFailed;
    }
  }
  if (connection.lastCode == 0) {
    connection.fill = 0;
    connection.readPosition = 0;
  }
  connection.unwrittenData = false;
  connection.blockCount += 1;
  if (connection.lastCode == 0) return IoStatus::Ok;
  if (moment == BufferWrite::WhileClosing) {
    if (control.closingFailure == 0) control.closingFailure = connection.lastCode;
    return IoStatus::Error;
  }
  return failStatement(control, connection.lastCode);
}

}  // namespace recio
