#include "analysis/dialogue.h"

#include <string_view>

#include "recio/statements.h"

namespace analysis {
namespace {

constexpr std::string_view kRangeLabel = " min,max values: ";

void writeRange(recio::IoControl& control, std::string_view label, const Range& range) {
  const double numbers[] = {range.smallest, range.largest};
  recio::writeLine(control, recio::kDefaultUnit, label, numbers);
}

}  // namespace

void writeSummary(recio::IoControl& control, const WorkingStorage& storage) {
  constexpr std::int32_t console = recio::kDefaultUnit;
  recio::writeLine(control, console, " values of T   : ", storage.t.count);
  writeRange(control, kRangeLabel, storage.t.range);
  recio::writeLine(control, console, " values of YORP: ", storage.yorp.count);
  writeRange(control, kRangeLabel, storage.yorp.range);
  recio::writeLine(control, console, " values of f_KE: ", storage.fke.count);
  writeRange(control, kRangeLabel, storage.fke.range);
  writeRange(control, " chi2min,-max: ", storage.chiSquare);
  recio::writeLine(control, console, " Which projection you want?");
  recio::writeLine(control, console, " T vs YORP strength    - 1");
  recio::writeLine(control, console, " T vs f_KE             - 2");
  recio::writeLine(control, console, " f_KE vs YORP strength - 3");
}

std::int32_t readChoice(recio::IoControl& control) {
  std::int32_t choice = 1;
  recio::readValues(control, recio::kDefaultUnit, std::span(&choice, 1));
  return choice;
}

}  // namespace analysis
