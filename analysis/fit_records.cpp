#include "analysis/fit_records.h"

#include "recio/core/failure_codes.h"
#include "recio/diagnostics.h"
#include "recio/reader/read_statement.h"
#include "recio/statements.h"

namespace analysis {

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
      return {RecordEnd::NotARecord, taken, 0};
    }
    if (taken == 0) firstLine = recio::statementLine(control);
    ++taken;
  }
  switch (status) {
    case recio::IoStatus::Ok: {
      // A record over lines whose last line goes on after it: a value left
      // out on an earlier line would have pulled the next line's first in.
      const std::int64_t line = recio::statementLine(control);
      const bool partRead = line > firstLine && recio::recordGoesOn(control);
      (void)recio::endRead(control);
      return {RecordEnd::Complete, taken, partRead ? line : 0};
    }
    case recio::IoStatus::EndOfFile: return {RecordEnd::EndOfFile, taken, 0};
    case recio::IoStatus::Error: break;
  }
  // A field that cannot be read is a property of the file; a failing read
  // call or exhausted memory is not.
  if (recio::handledFailure(control) != recio::code::kIllegalNumericCharacter)
    return {RecordEnd::SystemFailure, taken, 0};
  return {RecordEnd::NotARecord, taken, 0};
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

}  // namespace analysis
