#include "analysis/loader.h"

#include <string_view>

#include "analysis/message_text.h"
#include "datafiles/file_names.h"
#include "datafiles/fit_records.h"
#include "recio/diagnostics.h"

namespace analysis {
namespace {

// The running smallest becomes the value unless smallest <= value, the
// largest unless largest >= value: a NaN therefore replaces both.
void widen(Extremes& extremes, double value) {
  if (!(extremes.smallest <= value)) extremes.smallest = value;
  if (!(extremes.largest >= value)) extremes.largest = value;
}

template <std::int32_t Capacity>
std::int32_t append(AxisList<Capacity>& axis, double value) {
  axis.values[axis.count] = value;
  axis.count += 1;
  widen(axis.extremes, value);
  return axis.count;
}

// A record that would add a value to a full list stops the run: the map of
// a grid larger than the cube would be wrong without a word.
[[noreturn]] void failCapacity(recio::IoControl& control, Parameter parameter, std::int32_t capacity) {
  MessageText text;
  text.add("more than ").add(static_cast<std::uint64_t>(capacity)).add(" distinct ");
  text.add(datafiles::kShortNames[parameter]).add(" values in ").add(datafiles::kFitResults).add(" (line ");
  text.add(static_cast<std::uint64_t>(datafiles::currentLine(control, datafiles::kDataUnit))).add(")");
  recio::failWithDataError(control, recio::StatementKind::Read, text.text());
}

// What a line held besides its record, for the first such line: a record
// begun on an earlier line may have taken this line's first value in place
// of one left out there; a second record on one line is lost.
void warnAboutLine(std::int64_t line, std::string_view words) {
  if (line == 0) return;
  MessageText text;
  text.add("line ").add(static_cast<std::uint64_t>(line)).add(" of ").add(datafiles::kFitResults).add(" ");
  recio::writeWarning(text.add(words).text());
}

// Loading that ends anywhere but at a clean end of the file leaves records
// unread: say where, so a partial map is never taken for the whole.
void warnAboutEnd(const datafiles::LoadingEnd& end) {
  MessageText text;
  if (end.stoppedAtLine != 0) {
    text.add(datafiles::kLoadingStopped).add(" line ").add(static_cast<std::uint64_t>(end.stoppedAtLine));
    text.add(" of ").add(datafiles::kFitResults).add(": ").add(datafiles::kNotARecord);
  } else if (end.endsInsideRecord) {
    text.add(datafiles::kFitResults).add(" ").add(datafiles::kEndsInsideRecord);
    text.add(" (a last line without a line feed, or too few values): it was not read");
  } else {
    return;
  }
  recio::writeWarning(text.text());
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
  if (i == kNotFound && storage.t.count == kTCapacity) failCapacity(control, datafiles::kT, kTCapacity);
  if (j == kNotFound && storage.yorp.count == kYorpCapacity) failCapacity(control, datafiles::kYorp, kYorpCapacity);
  if (k == kNotFound && storage.fke.count == kFkeCapacity) failCapacity(control, datafiles::kFke, kFkeCapacity);
  const bool allFound = i != kNotFound && j != kNotFound && k != kNotFound;
  if (i == kNotFound) i = append(storage.t, t);
  if (j == kNotFound) j = append(storage.yorp, yorp);
  if (k == kNotFound) k = append(storage.fke, fke);
  double& cell = cubeCell(storage, i, j, k);
  if (!allFound || !(cell <= chiSquare)) cell = chiSquare;
}

}  // namespace

void loadFitResults(recio::IoControl& control, WorkingStorage& storage) {
  const datafiles::FitRecordsEnd end =
      datafiles::forEachFitPoint(control, datafiles::kDataUnit, [&](const datafiles::FitPoint& point) {
        widen(storage.chiSquare, point.chiSquare);
        // Most records of a grid find their values at once; nothing is
        // appended then.
        std::size_t i = 0, j = 0, k = 0;
        if (findNearValue(storage.t, point.t, i) && findNearValue(storage.yorp, point.yorp, j) &&
            findNearValue(storage.fke, point.fke, k)) {
          double& cell = storage.cube[k][j][i];
          if (!(cell <= point.chiSquare)) cell = point.chiSquare;
        } else {
          loadPoint(control, storage, point.t, point.yorp, point.fke, point.chiSquare);
        }
        return true;
      });
  if (end.last.end == datafiles::RecordEnd::SystemFailure) recio::reportHandledFailure(control);
  warnAboutLine(end.partReadLine, datafiles::kReadInPart);
  warnAboutLine(end.moreThanRecordLine, datafiles::kMoreThanRecord);
  warnAboutEnd(end.where);
}

}  // namespace analysis
