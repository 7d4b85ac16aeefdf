// Reading the records of a fit-result file, five doubles each, as chi2map's
// loader reads them, and telling how the reading ended. chi2map's loader and
// the companion tools' grid share it, so a file means the same to both.
#pragma once

#include <cstdint>
#include <string_view>

#include "recio/core/io_status.h"
#include "recio/reader/record_path.h"

namespace datafiles {

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
// so that the records a whole block holds cost one call each. The record
// path leaves to the statement calls every record with more than blanks
// after its values, so both paths give one outcome.
RecordOutcome readFitRecordByStatement(recio::IoControl& control, double (&record)[5]);
// The outcome of a record read in the block: Complete, with nothing to note.
inline constexpr RecordOutcome kReadInBlock{RecordEnd::Complete, 5, 0, 0};
inline RecordOutcome readFitRecord(recio::IoControl& control, double (&record)[5]) {
  if (recio::readRecordInBlock(control, record)) return kReadInBlock;
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

// The line the reader is on: where the record just read ended.
[[nodiscard]] std::int64_t currentLine(const recio::IoControl& control, std::int32_t unit);

// One record as a point of the grid: YORP strength doubled, as everything
// shown or written about it is.
struct FitPoint {
  double t;
  double yorp;
  double fke;
  double chiSquare;
  const recio::IoControl* control;
  std::int32_t unit;
  // The line where the record ended; asked only where it is needed.
  [[nodiscard]] std::int64_t line() const { return currentLine(*control, unit); }
};

// Where a pass over the records ended. `last` is Complete only when the
// visitor stopped the pass; `where` is meaningful after the end of the file
// or a record that is not one.
struct FitRecordsEnd {
  RecordOutcome last;
  LoadingEnd where;
  // The first lines that held more than their records (RecordOutcome).
  std::int64_t partReadLine = 0;
  std::int64_t moreThanRecordLine = 0;
};

// The end of a pass, once a record did not come Complete.
FitRecordsEnd fitRecordsEnd(const recio::IoControl& control, std::int32_t unit, const RecordOutcome& last,
                            std::int64_t partReadLine, std::int64_t moreThanRecordLine);

// Reads the records of `unit` until the file ends, a record is not five
// numbers or a read fails, and hands each to `visit` (bool visit(const
// FitPoint&): false stops the pass). Inline, so that the visitor's work on a
// record is the loop's own.
template <typename Visit>
[[gnu::always_inline]] inline FitRecordsEnd forEachFitPoint(recio::IoControl& control, std::int32_t unit,
                                                            Visit&& visit) {
  // Kept from record to record, though no record that leaves an item without
  // a value is visited.
  double record[5] = {};
  std::int64_t partReadLine = 0;
  std::int64_t moreThanRecordLine = 0;
  prepareFitRecords(control, unit);
  // Most records lie in the block with nothing after them (kReadInBlock).
  for (;;) {
    if (!recio::readRecordInBlock(control, record)) [[unlikely]] {
      const RecordOutcome outcome = readFitRecordByStatement(control, record);
      if (outcome.end != RecordEnd::Complete)
        return fitRecordsEnd(control, unit, outcome, partReadLine, moreThanRecordLine);
      if (partReadLine == 0) partReadLine = outcome.partReadLine;
      if (moreThanRecordLine == 0) moreThanRecordLine = outcome.moreThanRecordLine;
    }
    if (!visit(FitPoint{record[0], record[1] + record[1], record[3], record[4], &control, unit}))
      return {kReadInBlock, {}, partReadLine, moreThanRecordLine};
  }
}

// The words of the reading warnings, chi2map's and the tools' alike.
inline constexpr std::string_view kReadInPart =
    "was read only in part: its record began on an earlier line, which may lack a value";
inline constexpr std::string_view kMoreThanRecord =
    "holds more than a record: what follows its fifth value was not read";
inline constexpr std::string_view kLoadingStopped = "loading stopped at";
inline constexpr std::string_view kNotARecord = "not a record of five numbers";
inline constexpr std::string_view kEndsInsideRecord = "ends inside a record";

}  // namespace datafiles
