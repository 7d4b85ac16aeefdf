#include "recio/core/failure.h"

#include <algorithm>

#include "recio/core/failure_codes.h"
#include "recio/core/unit_table.h"
#include "recio/numbers/integer_text.h"
#include "recio/platform/platform.h"
#include "recio/platform/retrying_calls.h"

namespace recio {
namespace {

constexpr int kStandardErrorDescriptor = 2;

std::string_view keyword(StatementKind kind) {
  switch (kind) {
    case StatementKind::Open: return "OPEN";
    case StatementKind::Close: return "CLOSE";
    case StatementKind::Read: return "READ";
    case StatementKind::Write: return "WRITE";
    case StatementKind::None: break;
  }
  return "";
}

}  // namespace

// In one write when it fits. A failing standard error cannot be reported
// anywhere: its result is dropped.
void writeReportLine(std::string_view head, std::string_view text) {
  char line[256];
  const std::size_t length = 2 + head.size() + text.size() + 1;
  if (length > sizeof line) {
    (void)writeFully(kStandardErrorDescriptor, "? ", 2);
    (void)writeFully(kStandardErrorDescriptor, head.data(), head.size());
    (void)writeFully(kStandardErrorDescriptor, text.data(), text.size());
    (void)writeFully(kStandardErrorDescriptor, "\n", 1);
    return;
  }
  line[0] = '?';
  line[1] = ' ';
  std::copy(head.begin(), head.end(), line + 2);
  std::copy(text.begin(), text.end(), line + 2 + head.size());
  line[length - 1] = '\n';
  (void)writeFully(kStandardErrorDescriptor, line, length);
}

namespace {

// "KEYWORD(UNIT=n,..." of a statement on the control's unit.
void writeStatementLine(const IoControl& control, StatementKind kind) {
  char unit[kIntegerTextMax + 1] = {'*'};
  const std::size_t unitLength = control.unit == kDefaultUnit ? 1 : integerToText(control.unit, unit);
  char line[64];
  std::size_t length = 0;
  for (std::string_view piece :
       {keyword(kind), std::string_view("(UNIT="), std::string_view(unit, unitLength), std::string_view(",...")}) {
    std::copy(piece.begin(), piece.end(), line + length);
    length += piece.size();
  }
  writeReportLine({line, length}, "");
}

}  // namespace

void reportAndEnd(IoControl& control, StatementKind kind, std::string_view header, std::string_view text) {
  closeAllUnits(control, FailedClose::Ignored);
  writeReportLine(header, "");
  writeReportLine(text, "");
  if (kind != StatementKind::None) writeStatementLine(control, kind);
  endProcess(kFailureExitStatus);
}

void reportFailure(IoControl& control, StatementKind kind, FailureCode code) {
  if (code::isLayerCode(code)) reportAndEnd(control, kind, "FORTRAN Runtime Error:", code::messageText(code));
  reportAndEnd(control, kind, "System Error:", platform().errorText(code));
}

void resetStatement(IoControl& control) {
  control.statementKind = StatementKind::None;
  control.record.fill = 0;
  control.record.position = 0;
}

IoStatus failStatement(IoControl& control, FailureCode code) {
  if (!control.options.handlesErrors) reportFailure(control, control.statementKind, code);
  control.handledCode = code;
  control.handledKind = control.statementKind;
  resetStatement(control);
  return IoStatus::Error;
}

IoStatus reachEndOfFile(IoControl& control) {
  if (control.options.handlesEndOfFile) {
    resetStatement(control);
    return IoStatus::EndOfFile;
  }
  return failStatement(control, code::kReadPastEndOfFile);
}

}  // namespace recio
