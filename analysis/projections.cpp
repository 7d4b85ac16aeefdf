#include "analysis/projections.h"

#include <array>

#include "analysis/label_check.h"
#include "datafiles/file_names.h"
#include "recio/statements.h"

namespace analysis {
namespace {

constexpr AxisColumn kColumns[] = {
    {"T", kTField, false},
    {"YORP", kYorpField, true},
    {"f_KE", kFkeField, false},
};

const ProjectionLayout kLayouts[] = {
    {Axis::T, Axis::Yorp, Axis::Fke, kTYorpFormat},
    {Axis::T, Axis::Fke, Axis::Yorp, kTFkeFormat},
    {Axis::Yorp, Axis::Fke, Axis::T, kFkeYorpFormat},
};

constexpr std::size_t index(Axis axis) { return static_cast<std::size_t>(axis); }

// The entry becomes the cell's value unless entry <= value: a NaN cell wins.
void keepSmaller(double& entry, double value) {
  if (!(entry <= value)) entry = value;
}

}  // namespace

Projection projectionForChoice(std::int32_t choice) {
  if (choice == 2) return Projection::TFke;
  if (choice == 3) return Projection::FkeYorp;
  return Projection::TYorp;
}

const AxisColumn& columnOf(Axis axis) { return kColumns[index(axis)]; }

const ProjectionLayout& layoutOf(Projection projection) { return kLayouts[static_cast<std::size_t>(projection)]; }

double gridStep(const Range& range, std::int32_t count) {
  const double span = range.largest - range.smallest;
  return span / static_cast<double>(count - 1);
}

double gridValue(double smallest, double step, std::int32_t position) {
  const double offset = static_cast<double>(position - 1) * step;
  return smallest + offset;
}

std::int32_t listPosition(Axis axis, std::int32_t count, std::int32_t m) {
  return columnOf(axis).descending ? count + 1 - m : m;
}

void reduceCube(WorkingStorage& storage, Projection projection) {
  const ProjectionLayout& layout = layoutOf(projection);
  const std::int32_t nOuter = axisView(storage, layout.outer).count;
  const std::int32_t nInner = axisView(storage, layout.inner).count;
  const std::int32_t nReduced = axisView(storage, layout.reduced).count;
  // Distance in the cube between neighbouring list positions of each axis.
  constexpr std::array<std::size_t, 3> kStride = {1, kTSize, kTSize * kYorpSize};
  const double* cube = &storage.cube[0][0][0];
  for (std::int32_t a = 1; a <= nOuter; ++a) {
    const std::size_t outer =
        static_cast<std::size_t>(listPosition(layout.outer, nOuter, a) - 1) * kStride[index(layout.outer)];
    for (std::int32_t b = 1; b <= nInner; ++b) {
      const double* line =
          cube + outer +
          static_cast<std::size_t>(listPosition(layout.inner, nInner, b) - 1) * kStride[index(layout.inner)];
      // The reduced axis in list order, from its first position on.
      const std::size_t step = kStride[index(layout.reduced)];
      double entry = line[0];
      for (std::int32_t c = 1; c < nReduced; ++c) keepSmaller(entry, line[static_cast<std::size_t>(c) * step]);
      storage.plane[a - 1][b - 1] = entry;
    }
  }
}

void writeProjection(recio::IoControl& control, WorkingStorage& storage, std::int32_t choice) {
  const Projection projection = projectionForChoice(choice);
  const ProjectionLayout& layout = layoutOf(projection);
  reduceCube(storage, projection);
  checkTableLabels(storage, projection);
  recio::connectUnit(control, kDataUnit, kTableFile, "unknown");
  const AxisView outer = axisView(storage, layout.outer);
  const AxisView inner = axisView(storage, layout.inner);
  const double outerStep = gridStep(outer.range, outer.count);
  const double innerStep = gridStep(inner.range, inner.count);
  for (std::int32_t a = 1; a <= outer.count; ++a) {
    const double outerLabel = gridValue(outer.range.smallest, outerStep, a);
    for (std::int32_t b = 1; b <= inner.count; ++b) {
      const double line[] = {outerLabel, gridValue(inner.range.smallest, innerStep, b), storage.plane[a - 1][b - 1]};
      recio::writeFormatted(control, kDataUnit, layout.format.data(), line);
    }
    recio::writeFormatted(control, kDataUnit, kEmptyFormat, {});
  }
}

}  // namespace analysis
