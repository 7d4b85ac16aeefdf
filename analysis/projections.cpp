#include "analysis/projections.h"

#include "analysis/connect_file.h"
#include "analysis/label_check.h"
#include "analysis/table_formats.h"
#include "recio/writer.h"

namespace analysis {
namespace {

// The entry becomes the cell's value unless entry <= value: a NaN cell wins.
void keepSmaller(double& entry, double value) {
  if (!(entry <= value)) entry = value;
}

void writeLine(recio::IoControl& control, const std::uint8_t* format, double first, double second, double third) {
  recio::prepareStatement(control, kDataUnit);
  control.options.formatted = true;
  control.format = format;
  control.item.type = recio::ItemType::Real64;
  control.item.size = sizeof(double);
  (void)recio::beginWrite(control);
  (void)recio::writeItem(control, &first);
  (void)recio::writeItem(control, &second);
  (void)recio::writeItem(control, &third);
  (void)recio::endWrite(control);
}

void writeEmptyLine(recio::IoControl& control) {
  recio::prepareStatement(control, kDataUnit);
  control.options.formatted = true;
  control.format = kEmptyFormat;
  (void)recio::beginWrite(control);
  (void)recio::endWrite(control);
}

}  // namespace

Projection projectionForChoice(std::int32_t choice) {
  if (choice == 2) return Projection::TFke;
  if (choice == 3) return Projection::FkeYorp;
  return Projection::TYorp;
}

double gridValue(double smallest, double step, std::int32_t position) {
  double offset = static_cast<double>(position - 1) * step;
  return smallest + offset;
}

void reduceCube(WorkingStorage& storage, Projection projection) {
  const std::int32_t nT = storage.t.count;
  const std::int32_t nY = storage.yorp.count;
  const std::int32_t nF = storage.fke.count;
  switch (projection) {
    case Projection::TYorp:  // YORP positions counted from the end of the list
      for (std::int32_t j = 1; j <= nY; ++j) {
        for (std::int32_t i = 1; i <= nT; ++i) {
          double& entry = storage.planeTYorp[j - 1][i - 1];
          entry = cubeCell(storage, i, nY + 1 - j, 1);
          for (std::int32_t k = 2; k <= nF; ++k) keepSmaller(entry, cubeCell(storage, i, nY + 1 - j, k));
        }
      }
      break;
    case Projection::TFke:
      for (std::int32_t k = 1; k <= nF; ++k) {
        for (std::int32_t i = 1; i <= nT; ++i) {
          double& entry = storage.planeTFke[k - 1][i - 1];
          entry = cubeCell(storage, i, 1, k);
          for (std::int32_t j = 2; j <= nY; ++j) keepSmaller(entry, cubeCell(storage, i, j, k));
        }
      }
      break;
    case Projection::FkeYorp:
      for (std::int32_t k = 1; k <= nF; ++k) {
        for (std::int32_t j = 1; j <= nY; ++j) {
          double& entry = storage.planeFkeYorp[k - 1][j - 1];
          entry = cubeCell(storage, 1, nY + 1 - j, k);
          for (std::int32_t i = 2; i <= nT; ++i) keepSmaller(entry, cubeCell(storage, i, nY + 1 - j, k));
        }
      }
      break;
  }
}

void writeProjection(recio::IoControl& control, WorkingStorage& storage, std::int32_t choice) {
  Projection projection = projectionForChoice(choice);
  reduceCube(storage, projection);
  checkTableLabels(storage, projection);
  connectDataFile(control, "table.dat", "unknown");
  const std::int32_t nT = storage.t.count;
  const std::int32_t nY = storage.yorp.count;
  const std::int32_t nF = storage.fke.count;
  const double tMin = storage.t.range.smallest;
  const double yMin = storage.yorp.range.smallest;
  const double fMin = storage.fke.range.smallest;
  switch (projection) {
    case Projection::TYorp:
      for (std::int32_t i = 1; i <= nT; ++i) {
        for (std::int32_t j = 1; j <= nY; ++j) {
          writeLine(control, kTYorpFormat.data(), gridValue(tMin, storage.stepT, i), gridValue(yMin, storage.stepYorp, j),
                    storage.planeTYorp[j - 1][i - 1]);
        }
        writeEmptyLine(control);
      }
      break;
    case Projection::TFke:
      for (std::int32_t i = 1; i <= nT; ++i) {
        for (std::int32_t k = 1; k <= nF; ++k) {
          writeLine(control, kTFkeFormat.data(), gridValue(tMin, storage.stepT, i), gridValue(fMin, storage.stepFke, k),
                    storage.planeTFke[k - 1][i - 1]);
        }
        writeEmptyLine(control);
      }
      break;
    case Projection::FkeYorp:
      for (std::int32_t j = 1; j <= nY; ++j) {
        for (std::int32_t k = 1; k <= nF; ++k) {
          writeLine(control, kFkeYorpFormat.data(), gridValue(yMin, storage.stepYorp, j),
                    gridValue(fMin, storage.stepFke, k), storage.planeFkeYorp[k - 1][j - 1]);
        }
        writeEmptyLine(control);
      }
      break;
  }
}

}  // namespace analysis
