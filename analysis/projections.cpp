#include "analysis/projections.h"

#include <array>

#include "analysis/table_formats.h"
#include "datafiles/file_names.h"
#include "recio/statements.h"

namespace analysis {
namespace {

// The entry becomes the cell's value unless entry <= value: a NaN cell wins.
void keepSmaller(double& entry, double value) {
  if (!(entry <= value)) entry = value;
}

}  // namespace

double gridStep(const Extremes& extremes, std::int32_t count) {
  const double span = extremes.largest - extremes.smallest;
  return span / static_cast<double>(count - 1);
}

double gridValue(double smallest, double step, std::int32_t position) {
  const double offset = static_cast<double>(position - 1) * step;
  return smallest + offset;
}

std::int32_t listPosition(Parameter parameter, std::int32_t count, std::int32_t m) {
  return datafiles::descending(parameter) ? count + 1 - m : m;
}

void reduceCube(WorkingStorage& storage, const Projection& projection) {
  const std::int32_t nOuter = axisView(storage, projection.outer).count;
  const std::int32_t nInner = axisView(storage, projection.inner).count;
  const std::int32_t nReduced = axisView(storage, projection.reduced).count;
  // Distance in the cube between neighbouring list positions of each parameter.
  constexpr std::array<std::size_t, 3> kStride = {1, kTSize, kTSize * kYorpSize};
  const double* cube = &storage.cube[0][0][0];
  for (std::int32_t a = 1; a <= nOuter; ++a) {
    const std::size_t outer =
        static_cast<std::size_t>(listPosition(projection.outer, nOuter, a) - 1) * kStride[projection.outer];
    for (std::int32_t b = 1; b <= nInner; ++b) {
      const double* line =
          cube + outer +
          static_cast<std::size_t>(listPosition(projection.inner, nInner, b) - 1) * kStride[projection.inner];
      // The reduced parameter in list order, from its first position on.
      const std::size_t step = kStride[projection.reduced];
      double entry = line[0];
      for (std::int32_t c = 1; c < nReduced; ++c) keepSmaller(entry, line[static_cast<std::size_t>(c) * step]);
      storage.plane[a - 1][b - 1] = entry;
    }
  }
}

void writeTable(recio::IoControl& control, const WorkingStorage& storage, const Projection& projection) {
  const std::uint8_t* format = kTableFormats[static_cast<std::size_t>(datafiles::choiceOf(projection) - 1)].data();
  recio::connectUnit(control, datafiles::kDataUnit, datafiles::kTableFile, "unknown");
  const AxisView outer = axisView(storage, projection.outer);
  const AxisView inner = axisView(storage, projection.inner);
  const double outerStep = gridStep(outer.extremes, outer.count);
  const double innerStep = gridStep(inner.extremes, inner.count);
  for (std::int32_t a = 1; a <= outer.count; ++a) {
    const double outerLabel = gridValue(outer.extremes.smallest, outerStep, a);
    for (std::int32_t b = 1; b <= inner.count; ++b) {
      const double line[] = {outerLabel, gridValue(inner.extremes.smallest, innerStep, b), storage.plane[a - 1][b - 1]};
      recio::writeFormatted(control, datafiles::kDataUnit, format, line);
    }
    recio::writeFormatted(control, datafiles::kDataUnit, kEmptyFormat, {});
  }
}

}  // namespace analysis
