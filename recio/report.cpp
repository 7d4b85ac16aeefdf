#include "recio/report.h"

#include <cstring>

#include "recio/failure_codes.h"
#include "recio/platform.h"
#include "recio/transfer.h"
#include "recio/units.h"

namespace recio {
namespace {

constexpr int kStandardErrorDescriptor = 2;

// One report line, "? " + head + text + line feed, straight to standard
// error, in one write when it fits. A failing standard error cannot be
// reported anywhere: its result is dropped.
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

void writeReportLine(std::string_view text) { writeReportLine({}, text); }

const char* keyword(StatementKind kind) {
  switch (kind) {
    case StatementKind::Open: return "OPEN";
    case StatementKind::Close: return "CLOSE";
    case StatementKind::Read: return "READ";
    case StatementKind::Write: return "WRITE";
    case StatementKind::None: break;
  }
  return "";
}

void writeStatementLine(const IoControl& control) {
  char line[64];
  std::size_t length = 0;
  const char* word = keyword(control.statementKind);
  std::size_t wordLength = std::strlen(word);
  std::memcpy(line, word, wordLength);
  length += wordLength;
  std::memcpy(line + length, "(UNIT=", 6);
  length += 6;
  if (control.unit == kDefaultUnit) {
    line[length++] = '*';
  } else {
    length += integerToText(control.unit, line + length);
  }
  std::memcpy(line + length, ",...", 4);
  length += 4;
  writeReportLine({line, length});
}

void writeCodeLines(FailureCode code) {
  if (code::isLayerCode(code)) {
    writeReportLine("FORTRAN Runtime Error:");
    writeReportLine(code::messageText(code));
  } else {
    writeReportLine("System Error:");
    writeReportLine(platform().errorText(code));
  }
}

}  // namespace

std::size_t unsignedToText(std::uint64_t value, char* out) {
  char reversed[20];
  std::size_t count = 0;
  do {
    reversed[count++] = static_cast<char>('0' + value % 10U);
    value /= 10U;
  } while (value != 0);
  for (std::size_t i = 0; i < count; ++i) out[i] = reversed[count - 1 - i];
  return count;
}

std::size_t integerToText(std::int32_t value, char* out) {
  // The magnitude in unsigned arithmetic, so the most negative value needs no special case.
  std::uint32_t magnitude = value < 0 ? 0U - static_cast<std::uint32_t>(value) : static_cast<std::uint32_t>(value);
  std::size_t length = 0;
  if (value < 0) out[length++] = '-';
  return length + unsignedToText(magnitude, out + length);
}

void resetStatement(IoControl& control) {
  control.statementKind = StatementKind::None;
  control.closingAll = false;
  control.record.fill = 0;
  control.record.position = 0;
  control.valueEndedAtRecordEnd = false;
  control.lastWasText = false;
}

namespace {

[[noreturn]] void reportAndEnd(IoControl& control, FailureCode code) {
  StatementKind kind = control.statementKind;
  bool wasClosing = control.closingAll;
  closeAllUnits(control, FailedClose::Ignored);
  control.statementKind = kind;
  control.closingAll = wasClosing;
  writeCodeLines(code);
  // A failure met while every unit was being closed belongs to no statement.
  if (!wasClosing) writeStatementLine(control);
  endProcess(kFailureExitStatus);
}

}  // namespace

IoStatus failStatement(IoControl& control, FailureCode code) {
  if (!control.options.handlesErrors) reportAndEnd(control, code);
  control.handledCode = code;
  control.handledKind = control.statementKind;
  resetStatement(control);
  return IoStatus::Error;
}

void reportHandledFailure(IoControl& control) {
  control.statementKind = control.handledKind;
  reportAndEnd(control, control.handledCode);
}

void writeWarning(std::string_view text) { writeReportLine("Warning: ", text); }

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

void failWithDataError(IoControl& control, StatementKind kind, const char* text, std::size_t length) {
  closeAllUnits(control, FailedClose::Ignored);
  control.statementKind = kind;
  control.closingAll = false;
  writeReportLine("Data Error:");
  writeReportLine({text, length});
  writeStatementLine(control);
  endProcess(kFailureExitStatus);
}

}  // namespace recio
