// The three projections of the cube, each described by one row of a table:
// which axis labels the blocks, which the lines, which is reduced away, and
// the table's format. The table writer and the label check both follow it.
#pragma once

#include <cstdint>
#include <string_view>

#include "analysis/table_formats.h"
#include "analysis/working_storage.h"
#include "recio/core/io_status.h"

namespace analysis {

enum class Projection { TYorp, TFke, FkeYorp };

// 2 selects T vs f_KE, 3 f_KE vs YORP strength, every other value T vs YORP strength.
Projection projectionForChoice(std::int32_t choice);

// How an axis is labelled in a table. Table position m of a descending axis
// reads list position count + 1 - m, since its values come in descending
// order and the table counts up.
struct AxisColumn {
  std::string_view name;
  FieldFormat field;
  bool descending;
};
const AxisColumn& columnOf(Axis axis);

struct ProjectionLayout {
  Axis outer;    // first column, one block per value
  Axis inner;    // second column, one line per value
  Axis reduced;  // the smallest chi-square over it
  const TableFormat& format;
};
const ProjectionLayout& layoutOf(Projection projection);

// (largest - smallest) / (count - 1).
double gridStep(const Range& range, std::int32_t count);

// Grid value at 1-based position m: smallest + (m - 1) x step, two roundings.
double gridValue(double smallest, double step, std::int32_t position);

// The list position that table position m of the axis reads.
std::int32_t listPosition(Axis axis, std::int32_t count, std::int32_t m);

// The smallest chi-square over the reduced axis, for every cell of the plane.
void reduceCube(WorkingStorage& storage, Projection projection);

// Computes the plane, checks its labels, connects unit 1 to "table.dat" and
// writes one line per cell and an empty line after each block. Unit 1 stays
// connected.
void writeProjection(recio::IoControl& control, WorkingStorage& storage, std::int32_t choice);

}  // namespace analysis
