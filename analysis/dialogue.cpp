#include "analysis/dialogue.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "analysis/message_text.h"
#include "datafiles/projection_table.h"
#include "recio/statements.h"

namespace analysis {
namespace {

constexpr std::string_view kExtremesLabel = " min,max values: ";

void writeExtremes(recio::IoControl& control, std::string_view label, const Extremes& extremes) {
  const double numbers[] = {extremes.smallest, extremes.largest};
  recio::writeLine(control, recio::kDefaultUnit, label, numbers);
}

// " T vs f_KE             - 2": the names padded to the longest.
void writeMenu(recio::IoControl& control) {
  std::size_t widest = 0;
  for (const datafiles::Projection& projection : datafiles::kProjections)
    widest = std::max(widest, std::strlen(projection.name));
  for (const datafiles::Projection& projection : datafiles::kProjections) {
    MessageText line;
    line.add(" ").add(projection.name);
    for (std::size_t n = std::strlen(projection.name); n < widest; ++n) line.add(" ");
    line.add(" - ").add(static_cast<std::uint64_t>(datafiles::choiceOf(projection)));
    recio::writeLine(control, recio::kDefaultUnit, line.text());
  }
}

}  // namespace

void writeSummary(recio::IoControl& control, const WorkingStorage& storage) {
  constexpr std::int32_t console = recio::kDefaultUnit;
  recio::writeLine(control, console, " values of T   : ", storage.t.count);
  writeExtremes(control, kExtremesLabel, storage.t.extremes);
  recio::writeLine(control, console, " values of YORP: ", storage.yorp.count);
  writeExtremes(control, kExtremesLabel, storage.yorp.extremes);
  recio::writeLine(control, console, " values of f_KE: ", storage.fke.count);
  writeExtremes(control, kExtremesLabel, storage.fke.extremes);
  writeExtremes(control, " chi2min,-max: ", storage.chiSquare);
  recio::writeLine(control, console, " Which projection you want?");
  writeMenu(control);
}

std::int32_t readChoice(recio::IoControl& control) {
  std::int32_t choice = 1;
  recio::readValues(control, recio::kDefaultUnit, std::span(&choice, 1));
  return choice;
}

}  // namespace analysis
