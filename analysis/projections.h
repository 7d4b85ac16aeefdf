// The projections of the cube (datafiles::kProjections): the cube reduced to
// the chosen plane, whose labels are rebuilt from each parameter's smallest
// value and step, and the plane written as "table.dat".
#pragma once

#include <cstdint>

#include "analysis/working_storage.h"
#include "datafiles/projection_table.h"
#include "recio/core/io_status.h"

namespace analysis {

using datafiles::Projection;

// (largest - smallest) / (count - 1).
double gridStep(const Extremes& extremes, std::int32_t count);

// Grid value at 1-based position m: smallest + (m - 1) x step, two roundings.
double gridValue(double smallest, double step, std::int32_t position);

// The list position that table position m of the parameter reads.
std::int32_t listPosition(Parameter parameter, std::int32_t count, std::int32_t m);

// The smallest chi-square over the reduced parameter, for every cell of the
// plane.
void reduceCube(WorkingStorage& storage, const Projection& projection);

// Connects unit 1 to "table.dat" and writes the plane reduced before: one
// line per cell and an empty line after each block. Unit 1 stays connected.
void writeTable(recio::IoControl& control, const WorkingStorage& storage, const Projection& projection);

}  // namespace analysis
