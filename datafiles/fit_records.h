// Reading the records of a fit-result file, five doubles each, as chi2map's
// loader reads them, and telling how the reading ended. chi2map's loader and
// the companion tools' grid share it, so a file means the same to both.
#pragma once

#include <cstdint>

#include "recio/core/io_status.h"
#include "recio/reader/shape_path.h"

namespace analysis {

enum class RecordEnd : std::uint8_t {
  Complete,       // five values, each item given one
  EndOfFile,      // the file ended, inside a record or between records
  NotARecord,     // a field that cannot be read, or an item without a value
  SystemFailure,  // a failing read call or exhausted memory: recio::handledFailure
};

struct RecordOutcome {
  RecordEnd end;
  int valuesTaken;  // items that received a value before the statement ended
  // A Complete record that ended with more than blanks left on its line
  // after its last value and that value's separator (values, a word, a
  // slash, another comma: what the end of the statement discards) names
  // that line in one of these, the other 0. It began on an earlier line: a
  // value may be missing there. It began on this line: the line holds more
  // than a record.
  std::int64_t partReadLine;
  std::int64_t moreThanRecordLine;
};

// The statement fields of the records' read statements on `unit`: free-form,
// doubles, errors and end of file handled. No statement call changes them, so
// they are set once for all records.
void prepareFitRecords(recio::IoControl& control, std::int32_t unit);

// One record (T, YORP strength as written, unused, f_KE, chi-square). Inline,
// so that the records a whole block holds cost one call each. A record read
// by its recent shape leaves nothing on its line (no shape of a record that
// does is kept), so both paths give one outcome.
RecordOutcome readFitRecordByStatement(recio::IoControl& control, double (&record)[5]);
inline RecordOutcome readFitRecord(recio::IoControl& control, double (&record)[5]) {
  if (recio::readRecordByShape(control, record)) return {RecordEnd::Complete, 5, 0, 0};
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
