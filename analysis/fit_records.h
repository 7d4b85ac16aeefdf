// Reading the records of a fit-result file, five doubles each, as chi2map's
// loader reads them, and telling how the reading ended. chi2map's loader and
// the companion tools' grid share it, so a file means the same to both.
#pragma once

#include <cstdint>

#include "recio/core/io_status.h"
#include "recio/reader/record_path.h"

namespace analysis {

enum class RecordEnd : std::uint8_t {
  Complete,       // five values, each item given one
  EndOfFile,      // the file ended, inside a record or between records
  NotARecord,     // a field that cannot be read, or an item without a value
  SystemFailure,  // a failing read call or exhausted memory: control.handledCode
};

struct RecordOutcome {
  RecordEnd end;
  int valuesTaken;  // items that received a value before the statement ended
  // Not 0: a Complete record that began on an earlier line than this one,
  // where it ended with more than blanks left after its last value (values
  // or a slash the end of the statement discards): a value may be missing.
  std::int64_t partReadLine;
};

// The statement fields of the records' read statements on `unit`: free-form,
// doubles, errors and end of file handled. No statement call changes them, so
// they are set once for all records.
void prepareFitRecords(recio::IoControl& control, std::int32_t unit);

// One record (T, YORP strength as written, unused, f_KE, chi-square). Inline,
// so that the records a whole block holds cost one call each.
RecordOutcome readFitRecordByStatement(recio::IoControl& control, double (&record)[5]);
inline RecordOutcome readFitRecord(recio::IoControl& control, double (&record)[5]) {
  if (recio::readRecordInBlock(control, record)) return {RecordEnd::Complete, 5, 0};
  return readFitRecordByStatement(control, record);
}

// How reading ended, once the last outcome was not Complete. Lines count
// from 1 as the reader numbers them. At most one of `stoppedAtLine` and
// `endsInsideRecord` is set; neither after a clean end of the file.
struct LoadingEnd {
  std::int64_t stoppedAtLine = 0;  // not 0: a record that is not one of five numbers ended on this line
  bool endsInsideRecord = false;   // the file ended while a record was begun
};
LoadingEnd loadingEnd(const recio::IoControl& control, std::int32_t unit, const RecordOutcome& last);

}  // namespace analysis
