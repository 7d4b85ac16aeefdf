// The compiled formats of "table.dat": one per projection, built from its
// columns, and the empty format that ends a block with an empty line.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "datafiles/projection_table.h"
#include "recio/writer/compiled_format.h"

namespace analysis {

// F w.d: its code, a repeat count of 1 (two bytes, high first), w and d;
// nX: its code and n (two bytes, high first).
inline constexpr std::size_t kFieldEditBytes = 5;
inline constexpr std::size_t kGapEditBytes = 3;
using TableFormat = std::array<std::uint8_t, 3 * kFieldEditBytes + 2 * kGapEditBytes + 1>;

// F for the first label, a gap, F for the second, a gap, F for chi-square.
constexpr TableFormat tableFormat(const datafiles::Projection& projection) {
  constexpr std::uint8_t kF = recio::kFixedPointEdit, kX = recio::kSkipEdit, kGap = datafiles::kFieldGap;
  const datafiles::Field first = projection.outerField(), second = projection.innerField(),
                         chiSquare = datafiles::kChiSquareField;
  return {kF,
          0,
          1,
          first.width,
          first.decimals,
          kX,
          0,
          kGap,
          kF,
          0,
          1,
          second.width,
          second.decimals,
          kX,
          0,
          kGap,
          kF,
          0,
          1,
          chiSquare.width,
          chiSquare.decimals,
          recio::kFormatEnd};
}

// One per projection, in the order of datafiles::kProjections.
inline constexpr std::array<TableFormat, 3> kTableFormats = {tableFormat(datafiles::kProjections[0]),
                                                             tableFormat(datafiles::kProjections[1]),
                                                             tableFormat(datafiles::kProjections[2])};
inline constexpr std::uint8_t kEmptyFormat[] = {recio::kFormatEnd};

}  // namespace analysis
