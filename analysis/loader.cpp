#include "analysis/loader.h"

#include <cstring>

#include "recio/reader.h"
#include "recio/report.h"

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

[[noreturn]] void failCapacity(recio::IoControl& control, const char* axisName, std::int32_t capacity,
                               std::uint64_t recordNumber) {
  char text[128];
  std::size_t length = 0;
  auto put = [&](const char* piece) {
    std::size_t n = std::strlen(piece);
    std::memcpy(text + length, piece, n);
    length += n;
  };
  put("more than ");
  length += recio::unsignedToText(static_cast<std::uint64_t>(capacity), text + length);
  put(" distinct ");
  put(axisName);
  put(" values in quorvi.res (record ");
  length += recio::unsignedToText(recordNumber, text + length);
  put(")");
  control.unit = kDataUnit;
  recio::failWithDataError(control, recio::StatementKind::Read, text, length);
}

// One five-item read; false when the file ended, a value could not be read,
// or an item received no value (such a record is not a record of the grid).
bool readRecord(recio::IoControl& control, double (&record)[5]) {
  prepareRecordRead(control);
  if (recio::beginRead(control) != recio::IoStatus::Ok) return false;
  for (double& value : record) {
    if (recio::readItem(control, &value) != recio::IoStatus::Ok) return false;
    if (!control.itemAssigned) {
      (void)recio::endRead(control);
      return false;
    }
  }
  (void)recio::endRead(control);
  return true;
}

}  // namespace

void prepareRecordRead(recio::IoControl& control) {
  recio::prepareStatement(control, kDataUnit);
  control.options.freeForm = true;
  control.options.handlesEndOfFile = true;
  control.options.handlesErrors = true;
  control.item.type = recio::ItemType::Real64;
  control.item.size = sizeof(double);
}

void loadFitResults(recio::IoControl& control, WorkingStorage& storage) {
  double (&record)[5] = storage.record;
  for (std::uint64_t recordNumber = 1;; ++recordNumber) {
    if (!readRecord(control, record)) return;
    double t = record[0];
    double yorp = record[1] + record[1];
    double fke = record[3];
    double chiSquare = record[4];
    widen(storage.chiSquare, chiSquare);

    std::int32_t i = findValue(storage.t, t);
    std::int32_t j = findValue(storage.yorp, yorp);
    std::int32_t k = findValue(storage.fke, fke);
    // Capacity is checked before anything of the record is appended, first full list first.
    if (i == kNotFound && storage.t.count == kTCapacity) failCapacity(control, "T", kTCapacity, recordNumber);
    if (j == kNotFound && storage.yorp.count == kYorpCapacity) {
      failCapacity(control, "YORP", kYorpCapacity, recordNumber);
    }
    if (k == kNotFound && storage.fke.count == kFkeCapacity) {
      failCapacity(control, "f_KE", kFkeCapacity, recordNumber);
    }
    bool allFound = i != kNotFound && j != kNotFound && k != kNotFound;
    if (i == kNotFound) i = append(storage.t, t);
    if (j == kNotFound) j = append(storage.yorp, yorp);
    if (k == kNotFound) k = append(storage.fke, fke);

    double& cell = cubeCell(storage, i, j, k);
    // A cell with a newly appended position was never written: stored directly.
    if (!allFound || !(cell <= chiSquare)) cell = chiSquare;
  }
}

}  // namespace analysis
