// Reducing the cube to the chosen plane and writing it to "table.dat".
#pragma once

#include "analysis/working_storage.h"
#include "recio/io_control.h"

namespace analysis {

enum class Projection { TYorp, TFke, FkeYorp };

// 2 selects T vs f_KE, 3 f_KE vs YORP strength, every other value T vs YORP strength.
Projection projectionForChoice(std::int32_t choice);

// The smallest chi-square over the reduced axis, for every cell of the plane.
void reduceCube(WorkingStorage& storage, Projection projection);

// Grid value at 1-based position m: smallest + (m - 1) x step, two roundings.
double gridValue(double smallest, double step, std::int32_t position);

// Computes the plane, connects unit 1 to "table.dat" and writes one line per
// cell and an empty line after each block. Unit 1 stays connected.
void writeProjection(recio::IoControl& control, WorkingStorage& storage, std::int32_t choice);

}  // namespace analysis
