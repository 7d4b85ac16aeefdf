#include "recio/disconnect.h"

#include "recio/core/failure.h"
#include "recio/core/failure_codes.h"
#include "recio/core/physical_write.h"
#include "recio/core/unit_table.h"
#include "recio/keyword_text.h"
#include "recio/platform/platform.h"

namespace recio {
namespace {

enum class Disposition { Keep, Delete, Invalid };

Disposition disposition(const char* text, std::size_t length) {
  if (isKeyword(text, length, "KEEP")) return Disposition::Keep;
  if (isKeyword(text, length, "DELETE")) return Disposition::Delete;
  return Disposition::Invalid;
}

}  // namespace

IoStatus closeUnit(IoControl& control) {
  if (control.unit < 0) {
    control.statementKind = StatementKind::Close;
    return failStatement(control, code::kIllegalUnit);
  }
  UnitConnection* connection = lookUpUnit(control.units, control.unit);
  if (connection == nullptr) return IoStatus::Ok;
  control.statementKind = StatementKind::Close;
  Disposition action = Disposition::Keep;
  if (control.options.statusGiven) action = disposition(control.statusText, control.statusTextLength);
  if (action == Disposition::Invalid) return failStatement(control, code::kBadIolistSpecifier);

  if (connection->unwrittenData) {
    IoStatus status = writeBuffer(control, *connection, BufferWrite::InStatement);
    if (status != IoStatus::Ok) return status;
  }
  connection->lastCode = errorNumberOf(platform().close(connection->descriptor));
  if (action == Disposition::Delete) {
    int removed = platform().unlink(connection->fileName);
    if (connection->lastCode == 0) connection->lastCode = errorNumberOf(removed);
  }
  FailureCode lastCode = connection->lastCode;
  unlinkConnection(control.units, connection);
  destroyConnection(connection);
  if (lastCode != 0) return failStatement(control, lastCode);
  control.statementKind = StatementKind::None;
  return IoStatus::Ok;
}

}  // namespace recio
