// The driver's fixed working storage: created once before the first record
// is read and kept until the stop. Nothing grows with the input.
#pragma once

#include <cstddef>
#include <cstdint>

#include "datafiles/parameters.h"

namespace analysis {

using datafiles::Parameter;

inline constexpr std::int32_t kTCapacity = 85;
inline constexpr std::int32_t kYorpCapacity = 25;
inline constexpr std::int32_t kFkeCapacity = 25;
inline constexpr std::size_t kTSize = kTCapacity;
inline constexpr std::size_t kYorpSize = kYorpCapacity;
inline constexpr std::size_t kFkeSize = kFkeCapacity;

// The starting content of every cube cell and of every running smallest value.
inline constexpr double kEmptyCell = 1.0e10;

// The running smallest and largest of the values met.
struct Extremes {
  double smallest;
  double largest;
};

// The distinct values of one parameter in order of first appearance
// (positions from 1).
// One entry more than the capacity: every entry past the count holds NaN,
// which equals nothing, so a search near the previous match needs no bound.
template <std::int32_t Capacity>
struct AxisList {
  double values[static_cast<std::size_t>(Capacity) + 1];
  std::int32_t count;
  Extremes extremes;
  std::int32_t lastMatch;  // index where the previous search matched; the next search starts there
};

// Any axis list as the projections read it.
struct AxisView {
  const double* values;
  std::int32_t count;
  Extremes extremes;
};

struct WorkingStorage {
  AxisList<kTCapacity> t;
  AxisList<kYorpCapacity> yorp;  // the doubled values
  AxisList<kFkeCapacity> fke;
  Extremes chiSquare;
  // Indexed [f_KE][YORP][T] so that the T position varies fastest.
  double cube[kFkeSize][kYorpSize][kTSize];
  // The chosen projection's plane: [outer position - 1][inner position - 1]
  // (outer T or YORP, inner YORP or f_KE).
  double plane[kTSize][kYorpSize];
};

// Counts 0, extremes (1.0e10, 0.0), every cube cell 1.0e10.
void initialiseStorage(WorkingStorage& storage);

// The cube cell at 1-based positions (T, YORP, f_KE).
inline double& cubeCell(WorkingStorage& storage, std::int32_t t, std::int32_t yorp, std::int32_t fke) {
  return storage.cube[fke - 1][yorp - 1][t - 1];
}

AxisView axisView(const WorkingStorage& storage, Parameter parameter);

}  // namespace analysis
