// The compiled formats of "table.dat": one per projection, and the empty
// format that ends a block with an empty line. Each parameter keeps its own
// field in every table.
#pragma once

#include <array>
#include <cstdint>

namespace analysis {

// An F w.d field: width w, d digits after the point.
struct FieldFormat {
  std::uint8_t width;
  std::uint8_t decimals;
};

inline constexpr FieldFormat kTField{6, 1};
inline constexpr FieldFormat kYorpField{6, 4};
inline constexpr FieldFormat kFkeField{5, 1};
inline constexpr FieldFormat kChiSquareField{8, 1};
inline constexpr std::size_t kWidestLabel = 6;

using TableFormat = std::array<std::uint8_t, 22>;

// F for the first label, 1X, F for the second, 1X, F8.1 for chi-square.
constexpr TableFormat tableFormat(FieldFormat first, FieldFormat second) {
  constexpr std::uint8_t kF = 5, kX = 16;
  return {kF, 0, 1, first.width,           first.decimals,           kX, 0, 1,
          kF, 0, 1, second.width,          second.decimals,          kX, 0, 1,
          kF, 0, 1, kChiSquareField.width, kChiSquareField.decimals, 0};
}

inline constexpr TableFormat kTYorpFormat = tableFormat(kTField, kYorpField);  // 22 characters
inline constexpr TableFormat kTFkeFormat = tableFormat(kTField, kFkeField);    // 21 characters
inline constexpr TableFormat kFkeYorpFormat = tableFormat(kYorpField, kFkeField);
inline constexpr std::uint8_t kEmptyFormat[] = {0};

}  // namespace analysis
