#include "app/chi2map-fit/reading.h"

#include "datafiles/fit_records.h"
#include "fit/numbers.h"
#include "process/messages.h"

namespace fit_tool {
namespace {

using datafiles::kLongNames;
using process::Failure;

std::string lineOf(std::int64_t line, const std::string& file) {
  return "line " + std::to_string(line) + " of " + file;
}

// "3 T x 4 YORP strength x 2 f_KE values".
std::string cellsText(const std::array<std::uint64_t, 3>& counts) {
  std::string text;
  for (const datafiles::Parameter p : datafiles::kParameters)
    text += (text.empty() ? "" : " x ") + std::to_string(counts[p]) + " " + kLongNames[p];
  return text + " values";
}

// A record that may have lost or left out values: the refusal, as the
// reading warnings word it, and what to do.
Failure refuseDamage(const fit::ReadingEnd& end, const std::string& file) {
  const std::string partly = ", or give --partial to fit the records as read";
  if (end.partReadLine != 0)
    return Failure(lineOf(end.partReadLine, file) + " " + std::string(datafiles::kReadInPart) + ": complete it" +
                   partly);
  if (end.moreThanRecordLine != 0)
    return Failure(lineOf(end.moreThanRecordLine, file) + " " + std::string(datafiles::kMoreThanRecord) +
                   ": put each record on a line of its own" + partly);
  if (end.nonFiniteRecords != 0)
    return Failure(lineOf(end.firstNonFiniteLine, file) +
                   " holds a NaN or infinite value (T, YORP strength doubled, f_KE or chi-square): mend it" + partly);
  if (end.stoppedAtLine != 0)
    return Failure(lineOf(end.stoppedAtLine, file) + " is " + std::string(datafiles::kNotARecord) +
                   " (a heading, a word, a value left out): mend or remove it" + partly);
  if (end.endsInsideRecord)
    return Failure(file + " " + std::string(datafiles::kEndsInsideRecord) + " after line " +
                   std::to_string(end.linesRead) + " (too few values): complete it" + partly);
  return {};
}

void warnAboutDamage(const fit::ReadingEnd& end, const std::string& file, std::vector<std::string>& warnings) {
  if (end.partReadLine != 0) warn(warnings, lineOf(end.partReadLine, file) + " " + std::string(datafiles::kReadInPart));
  if (end.moreThanRecordLine != 0)
    warn(warnings, lineOf(end.moreThanRecordLine, file) + " " + std::string(datafiles::kMoreThanRecord));
  if (end.nonFiniteRecords != 0)
    warn(warnings, std::to_string(end.nonFiniteRecords) +
                       " record(s) with a NaN or infinite value left out, the first at " +
                       lineOf(end.firstNonFiniteLine, file));
  if (end.stoppedAtLine != 0)
    warn(warnings, std::string(datafiles::kLoadingStopped) + " " + lineOf(end.stoppedAtLine, file) + " (" +
                       std::string(datafiles::kNotARecord) + "): only the records before it are fitted");
  if (end.endsInsideRecord)
    warn(warnings, file + " " + std::string(datafiles::kEndsInsideRecord) + " after line " +
                       std::to_string(end.linesRead) + ": that record is left out");
}

void warnAboutGrid(const fit::GridReading& reading, const std::string& file, std::vector<std::string>& warnings) {
  for (const datafiles::Parameter p : datafiles::kParameters) {
    const fit::CloseValues& close = reading.end.closeValues[p];
    if (close.pairs == 0) continue;
    warn(warnings, std::string(kLongNames[p]) + " values " + fit::exactText(close.low) + " (" +
                       lineOf(close.lowLine, file) + ") and " + fit::exactText(close.high) + " (line " +
                       std::to_string(close.highLine) + ") differ by less than 1e-9 of their size, " +
                       std::to_string(close.pairs) + " such pair(s): each is a grid value of its own");
  }
  const fit::RecordGrid& grid = reading.grid;
  const std::array<std::uint64_t, 3> counts = {grid.size(fit::kT), grid.size(fit::kYorp), grid.size(fit::kFke)};
  const std::uint64_t cells = counts[0] * counts[1] * counts[2];
  if (2 * grid.filledCells < cells)
    warn(warnings, "only " +
                       fit::shortText(100.0 * static_cast<double>(grid.filledCells) / static_cast<double>(cells)) +
                       "% of the grid's cells have a chi-square (" + std::to_string(grid.filledCells) + " of " +
                       cellsText(counts) + " = " + std::to_string(cells) + "): the records may not lie on one grid");
}

}  // namespace

void warn(std::vector<std::string>& warnings, const std::string& warning) {
  process::warn(warning);
  warnings.push_back(warning);
}

Failure refuseReading(const Options& options, const std::string& input, const fit::GridReading& reading) {
  const fit::ReadingEnd& end = reading.end;
  const std::string file = process::shownInput(input);
  if (end.failure) return end.failure.after("cannot read " + file + ": ");
  if (end.tooLargeLine != 0)
    return Failure("the records of " + file + " do not lie on a grid: at line " + std::to_string(end.tooLargeLine) +
                   " they have " + cellsText(end.tooLargeCounts) + ", more than " + std::to_string(fit::kMaxCells) +
                   " cells");
  if (!options.partial)
    if (Failure failure = refuseDamage(end, file)) return failure;
  if (reading.grid.records == 0) return Failure(file + " holds no record of five numbers: nothing to fit");
  return {};
}

std::vector<std::string> warnAboutReading(const std::string& input, const fit::GridReading& reading) {
  const std::string file = process::shownInput(input);
  std::vector<std::string> warnings;
  warnAboutDamage(reading.end, file, warnings);
  warnAboutGrid(reading, file, warnings);
  return warnings;
}

}  // namespace fit_tool
