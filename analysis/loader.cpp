#include "analysis/loader.h"

#include <string_view>

#include "analysis/data_files.h"
#include "analysis/fit_records.h"
#include "analysis/message_text.h"
#include "recio/diagnostics.h"
#include "recio/reader/read_statement.h"

namespace analysis {
namespace {

// The running smallest becomes the value unless smallest <= value, the
// largest unless largest >= value: a NaN therefore replaces both.
void widen(Range& range, double value) {
  if (!(range.smallest <= value)) range.smallest = value;
  if (!(range.largest >= value)) range.largest = value;
}

template <std::int32_t Capacity>
std::int32_t append(AxisList<Capacity>& axis, double value) {
  axis.values[axis.count] = value;
  axis.count += 1;
  widen(axis.range, value);
  return axis.count;
}

// A record that would add a value to a full list stops the run: the map of
// a grid larger than the cube would be wrong without a word.
[[noreturn]] void failCapacity(recio::IoControl& control, std::string_view axisName, std::int32_t capacity) {
  MessageText text;
  text.add("more than ").add(static_cast<std::uint64_t>(capacity)).add(" distinct ").add(axisName);
  text.add(" values in quorvi.res (line ");
  text.add(static_cast<std::uint64_t>(recio::inputPosition(control, kDataUnit).line)).add(")");
  recio::failWithDataError(control, recio::StatementKind::Read, text.text());
}

// Loading that ends anywhere but at a clean end of the file leaves records
// unread: say where, so a partial map is never taken for the whole.
void warnAboutPartRead(std::int64_t line) {
  MessageText text;
  text.add("line ").add(static_cast<std::uint64_t>(line));
  text.add(" of quorvi.res was read only in part: its record began on an earlier line, which may lack a value");
  recio::writeWarning(text.text());
}

void warnAboutEnd(const LoadingEnd& end) {
  if (end.stoppedAtLine != 0) {
    MessageText text;
    text.add("loading stopped at line ").add(static_cast<std::uint64_t>(end.stoppedAtLine));
    text.add(" of quorvi.res: not a record of five numbers");
    recio::writeWarning(text.text());
  } else if (end.endsInsideRecord) {
    recio::writeWarning(
        "quorvi.res ends inside a record (a last line without a line feed, or too few values): it was not read");
  }
}

// A record whose values are not all where the previous record's were, or
// next to them. Capacity is checked before anything of the record is
// appended, first full list first. A cell with a newly appended position
// was never written: it takes the value as it is.
[[gnu::noinline]] void loadPoint(recio::IoControl& control, WorkingStorage& storage, double t, double yorp, double fke,
                                 double chiSquare) {
  std::int32_t i = findValue(storage.t, t);
  std::int32_t j = findValue(storage.yorp, yorp);
  std::int32_t k = findValue(storage.fke, fke);
  if (i == kNotFound && storage.t.count == kTCapacity) failCapacity(control, "T", kTCapacity);
  if (j == kNotFound && storage.yorp.count == kYorpCapacity) failCapacity(control, "YORP", kYorpCapacity);
  if (k == kNotFound && storage.fke.count == kFkeCapacity) failCapacity(control, "f_KE", kFkeCapacity);
  const bool allFound = i != kNotFound && j != kNotFound && k != kNotFound;
  if (i == kNotFound) i = append(storage.t, t);
  if (j == kNotFound) j = append(storage.yorp, yorp);
  if (k == kNotFound) k = append(storage.fke, fke);
  double& cell = cubeCell(storage, i, j, k);
  if (!allFound || !(cell <= chiSquare)) cell = chiSquare;
}

}  // namespace

void loadFitResults(recio::IoControl& control, WorkingStorage& storage) {
  // Kept from record to record, though no record that leaves an item without
  // a value is loaded.
  double record[5] = {};
  std::int64_t partReadLine = 0;
  prepareFitRecords(control, kDataUnit);
  for (;;) {
    // readFitRecord's two steps, so that a record of the whole-record path
    // costs the loop nothing more.
    if (!recio::readRecordInBlock(control, record)) {
      const RecordOutcome outcome = readFitRecordByStatement(control, record);
      if (outcome.end != RecordEnd::Complete) {
        if (outcome.end == RecordEnd::SystemFailure) recio::reportHandledFailure(control);
        if (partReadLine != 0) warnAboutPartRead(partReadLine);
        warnAboutEnd(loadingEnd(control, kDataUnit, outcome));
        return;
      }
      if (partReadLine == 0) partReadLine = outcome.partReadLine;
    }
    const double t = record[0];
    const double yorp = record[1] + record[1];
    const double fke = record[3];
    const double chiSquare = record[4];
    widen(storage.chiSquare, chiSquare);
    // Most records of a grid find their values at once; nothing is
    // appended then.
    const std::size_t i = findNearValue(storage.t, t);
    const std::size_t j = findNearValue(storage.yorp, yorp);
    const std::size_t k = findNearValue(storage.fke, fke);
    if (i == kNotNear || j == kNotNear || k == kNotNear) {
      loadPoint(control, storage, t, yorp, fke, chiSquare);
      continue;
    }
    double& cell = storage.cube[k][j][i];
    if (!(cell <= chiSquare)) cell = chiSquare;
  }
}

}  // namespace analysis
