#include "analysis/dialogue.h"

#include <string_view>

#include "recio/reader.h"
#include "recio/writer.h"

namespace analysis {
namespace {

void beginConsoleLine(recio::IoControl& control, std::string_view label) {
  recio::prepareStatement(control, recio::kDefaultUnit);
  control.options.freeForm = true;
  (void)recio::beginWrite(control);
  control.item.type = recio::ItemType::Character;
  control.item.size = label.size();
  (void)recio::writeItem(control, label.data());
}

void writeLine(recio::IoControl& control, std::string_view label) {
  beginConsoleLine(control, label);
  (void)recio::endWrite(control);
}

void writeLine(recio::IoControl& control, std::string_view label, std::int32_t count) {
  beginConsoleLine(control, label);
  control.item.type = recio::ItemType::Integer32;
  control.item.size = sizeof count;
  (void)recio::writeItem(control, &count);
  (void)recio::endWrite(control);
}

void writeLine(recio::IoControl& control, std::string_view label, const Range& range) {
  beginConsoleLine(control, label);
  control.item.type = recio::ItemType::Real64;
  control.item.size = sizeof(double);
  (void)recio::writeItem(control, &range.smallest);
  (void)recio::writeItem(control, &range.largest);
  (void)recio::endWrite(control);
}

constexpr std::string_view kRangeLabel = " min,max values: ";

}  // namespace

double gridStep(const Range& range, std::int32_t count) {
  double span = range.largest - range.smallest;
  return span / static_cast<double>(count - 1);
}

void writeSummary(recio::IoControl& control, WorkingStorage& storage) {
  writeLine(control, " values of T   : ", storage.t.count);
  writeLine(control, kRangeLabel, storage.t.range);
  storage.stepT = gridStep(storage.t.range, storage.t.count);
  writeLine(control, " values of YORP: ", storage.yorp.count);
  writeLine(control, kRangeLabel, storage.yorp.range);
  storage.stepYorp = gridStep(storage.yorp.range, storage.yorp.count);
  writeLine(control, " values of f_KE: ", storage.fke.count);
  writeLine(control, kRangeLabel, storage.fke.range);
  storage.stepFke = gridStep(storage.fke.range, storage.fke.count);
  writeLine(control, " chi2min,-max: ", storage.chiSquare);
  writeLine(control, " Which projection you want?");
  writeLine(control, " T vs YORP strength    - 1");
  writeLine(control, " T vs f_KE             - 2");
  writeLine(control, " f_KE vs YORP strength - 3");
}

void readChoice(recio::IoControl& control, WorkingStorage& storage) {
  // A reply accepted without a value (a lone comma, a slash) leaves the
  // starting choice, which selects T vs YORP strength.
  storage.choice = 1;
  recio::prepareStatement(control, recio::kDefaultUnit);
  control.options.freeForm = true;
  control.item.type = recio::ItemType::Integer32;
  control.item.size = sizeof storage.choice;
  (void)recio::beginRead(control);
  (void)recio::readItem(control, &storage.choice);
  (void)recio::endRead(control);
}

}  // namespace analysis
