#include "recio/core/failure.h"

#include <cstring>

#include "recio/core/failure_codes.h"
#include "recio/numbers/integer_text.h"
#include "recio/platform/platform.h"
#include "recio/platform/retrying_calls.h"
#include "recio/core/unit_table.h"

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

void writeCodeLines(FailureCode code) {
  if (code::isLayerCode(code)) {
    writeReportLine("FORTRAN Runtime Error:", "");
    writeReportLine(code::messageText(code), "");
  } else {
    writeReportLine("System Error:", "");
    writeReportLine(platform().errorText(code), "");
  }
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
  head.copy(line + 2, head.size());
  text.copy(line + 2 + head.size(), text.size());
  line[length - 1] = '\n';
  (void)writeFully(kStandardErrorDescriptor, line, length);
}

void writeStatementLine(const IoControl& control) {
  char unit[kIntegerTextMax + 1] = {'*'};
  const std::size_t unitLength = control.unit == kDefaultUnit ? 1 : integerToText(control.unit, unit);
  char line[64];
  std::size_t length = keyword(control.statementKind).copy(line, 8);
  for (std::string_view piece : {std::string_view("(UNIT="), std::string_view(unit, unitLength), std::string_view(",...")}) {
    length += piece.copy(line + length, piece.size());
  }
  writeReportLine({line, length}, "");
}

void resetStatement(IoControl& control) {
  control.statementKind = StatementKind::None;
  control.record.fill = 0;
  control.record.position = 0;
  control.valueEndedAtRecordEnd = false;
  control.lastWasText = false;
}

void endWithReport(IoControl& control, FailureCode code) {
  const StatementKind kind = control.statementKind;
  closeAllUnits(control, FailedClose::Ignored);
  control.statementKind = kind;
  writeCodeLines(code);
  writeStatementLine(control);
  endProcess(kFailureExitStatus);
}

IoStatus failStatement(IoControl& control, FailureCode code) {
  if (!control.options.handlesErrors) endWithReport(control, code);
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

void failWhileClosing(FailureCode code) {
  writeCodeLines(code);
  endProcess(kFailureExitStatus);
}

}  // namespace recio
