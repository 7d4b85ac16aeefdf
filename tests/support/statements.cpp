#include "support/statements.h"

#include <cstring>

#include "recio/reader.h"
#include "recio/units.h"
#include "recio/writer.h"

namespace fake {

recio::IoStatus connect(recio::IoControl& control, std::int32_t unit, const std::string& name,
                        const std::string& status, bool handles) {
  recio::prepareStatement(control, unit);
  control.options.fileNameGiven = true;
  control.options.statusGiven = true;
  control.options.handlesErrors = handles;
  control.fileName = name.data();
  control.fileNameLength = name.size();
  control.statusText = status.data();
  control.statusTextLength = status.size();
  return recio::openUnit(control);
}

recio::IoStatus disconnect(recio::IoControl& control, std::int32_t unit) {
  recio::prepareStatement(control, unit);
  return recio::closeUnit(control);
}

namespace {

template <typename Number>
ReadOutcome read(recio::IoControl& control, std::int32_t unit, int items, bool handles, recio::ItemType type) {
  ReadOutcome outcome;
  recio::prepareStatement(control, unit);
  control.options.freeForm = true;
  control.options.handlesErrors = handles;
  control.options.handlesEndOfFile = handles;
  control.item.type = type;
  control.item.size = sizeof(Number);
  outcome.status = recio::beginRead(control);
  if (outcome.status != recio::IoStatus::Ok) return outcome;
  for (int i = 0; i < items; ++i) {
    Number value{};
    outcome.status = recio::readItem(control, &value);
    if (outcome.status != recio::IoStatus::Ok) return outcome;
    if (control.itemAssigned) {
      outcome.values.emplace_back(static_cast<double>(value));
    } else {
      outcome.values.emplace_back(std::nullopt);
    }
  }
  outcome.status = recio::endRead(control);
  return outcome;
}

}  // namespace

ReadOutcome readDoubles(recio::IoControl& control, std::int32_t unit, int items, bool handles) {
  return read<double>(control, unit, items, handles, recio::ItemType::Real64);
}

ReadOutcome readIntegers(recio::IoControl& control, std::int32_t unit, int items, bool handles) {
  return read<std::int32_t>(control, unit, items, handles, recio::ItemType::Integer32);
}

void writeConsole(recio::IoControl& control, const std::string& label, const std::vector<double>& numbers) {
  recio::prepareStatement(control, recio::kDefaultUnit);
  control.options.freeForm = true;
  (void)recio::beginWrite(control);
  control.item.type = recio::ItemType::Character;
  control.item.size = label.size();
  (void)recio::writeItem(control, label.data());
  control.item.type = recio::ItemType::Real64;
  control.item.size = sizeof(double);
  for (double number : numbers) (void)recio::writeItem(control, &number);
  (void)recio::endWrite(control);
}

void writeFixed(recio::IoControl& control, std::int32_t unit, const std::uint8_t* format,
                const std::vector<double>& numbers) {
  recio::prepareStatement(control, unit);
  control.options.formatted = true;
  control.format = format;
  control.item.type = recio::ItemType::Real64;
  control.item.size = sizeof(double);
  (void)recio::beginWrite(control);
  for (double number : numbers) (void)recio::writeItem(control, &number);
  (void)recio::endWrite(control);
}

}  // namespace fake
