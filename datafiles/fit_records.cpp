#include "datafiles/fit_records.h"

#include "recio/core/failure_codes.h"
#include "recio/diagnostics.h"
#include "recio/reader/read_statement.h"
#include "recio/statements.h"

namespace datafiles {

void prepareFitRecords(recio::IoControl& control, std::int32_t unit) {
  recio::prepareRead(control, unit, recio::ItemType::Real64, {.errors = true, .endOfFile = true});
}

RecordOutcome readFitRecordByStatement(recio::IoControl& control, double (&record)[5]) {
  recio::IoStatus status = recio::beginRead(control);
  int taken = 0;
  std::int64_t firstLine = 0;  // where the first value was taken: empty lines before it do not count
  for (double& value : record) {
    if (status != recio::IoStatus::Ok) break;
    status = recio::readItem(control, &value);
    if (status != recio::IoStatus::Ok) break;
    if (!recio::itemAssigned(control)) {
      (void)recio::endRead(control);
      return {RecordEnd::NotARecord, taken, 0, 0};
    }
    if (taken == 0) firstLine = recio::statementLine(control);
    ++taken;
  }
  switch (status) {
    case recio::IoStatus::Ok: {
      // A line that goes on after the record: over lines, a value left out
      // on an earlier line would have pulled this line's first in; on one
      // line, the rest is lost.
      const std::int64_t line = recio::statementLine(control);
      const bool goesOn = recio::recordGoesOn(control);
      (void)recio::endRead(control);
      if (!goesOn) return {RecordEnd::Complete, taken, 0, 0};
      return line > firstLine ? RecordOutcome{RecordEnd::Complete, taken, line, 0}
                              : RecordOutcome{RecordEnd::Complete, taken, 0, line};
    }
    case recio::IoStatus::EndOfFile: return {RecordEnd::EndOfFile, taken, 0, 0};
    case recio::IoStatus::Error: break;
  }
  // A field that cannot be read is a property of the file; a failing read
  // call or exhausted memory is not.
  if (recio::handledFailure(control) != recio::code::kIllegalNumericCharacter)
    return {RecordEnd::SystemFailure, taken, 0, 0};
  return {RecordEnd::NotARecord, taken, 0, 0};
}

std::int64_t currentLine(const recio::IoControl& control, std::int32_t unit) {
  return recio::inputPosition(control, unit).line;
}

LoadingEnd loadingEnd(const recio::IoControl& control, std::int32_t unit, const RecordOutcome& last) {
  const recio::InputPosition position = recio::inputPosition(control, unit);
  LoadingEnd end;
  if (last.end == RecordEnd::NotARecord) {
    end.stoppedAtLine = position.line;
  } else {
    end.endsInsideRecord = last.valuesTaken > 0 || position.endedInsideRecord;
  }
  return end;
}

FitRecordsEnd fitRecordsEnd(const recio::IoControl& control, std::int32_t unit, const RecordOutcome& last,
                            std::int64_t partReadLine, std::int64_t moreThanRecordLine) {
  FitRecordsEnd end{last, {}, partReadLine, moreThanRecordLine};
  if (last.end != RecordEnd::SystemFailure) end.where = loadingEnd(control, unit, last);
  return end;
}

}  // namespace datafiles
