// The three projections of the chi-square cube, one menu choice of chi2map
// each, and the columns of the table.dat each one writes: the two label
// fields and the chi-square field, right-aligned, one blank between them.
// chi2map writes the tables by it, checks their labels by it, and
// chi2map-plot reads them back by it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "datafiles/parameters.h"

namespace datafiles {

// An F w.d field: width w, d digits after the point.
struct Field {
  std::uint8_t width;
  std::uint8_t decimals;
  // Where its point stands when the value fits.
  [[nodiscard]] constexpr std::size_t point() const { return std::size_t{width} - decimals - 1; }
};

// Each parameter keeps its field in every table.
inline constexpr std::array<Field, 3> kParameterFields = {{{6, 1}, {6, 4}, {5, 1}}};
inline constexpr Field kChiSquareField{8, 1};
inline constexpr std::size_t kFieldGap = 1;  // blanks between fields

struct Projection {
  const char* name;   // as chi2map's menu and chi2map-plot name it, x first
  Parameter outer;    // the first column, one block per value
  Parameter inner;    // the second column, one line per value
  Parameter reduced;  // the smallest chi-square over it
  bool innerOnX;      // its name, and the map, have the second column on x

  [[nodiscard]] constexpr Field outerField() const { return kParameterFields[outer]; }
  [[nodiscard]] constexpr Field innerField() const { return kParameterFields[inner]; }
  [[nodiscard]] constexpr Parameter x() const { return innerOnX ? inner : outer; }
  [[nodiscard]] constexpr Parameter y() const { return innerOnX ? outer : inner; }
  // Where the second and the chi-square field begin, and a line's length.
  [[nodiscard]] constexpr std::size_t innerAt() const { return outerField().width + kFieldGap; }
  [[nodiscard]] constexpr std::size_t chiSquareAt() const { return innerAt() + innerField().width + kFieldGap; }
  [[nodiscard]] constexpr std::size_t lineWidth() const { return chiSquareAt() + kChiSquareField.width; }
};

// chi2map's menu choices 1, 2 and 3, in that order.
inline constexpr std::array<Projection, 3> kProjections = {{
    {"T vs YORP strength", kT, kYorp, kFke, false},
    {"T vs f_KE", kT, kFke, kYorp, false},
    {"f_KE vs YORP strength", kYorp, kFke, kT, true},
}};

// 2 selects T vs f_KE, 3 f_KE vs YORP strength, every other choice T vs YORP
// strength.
constexpr const Projection& projectionForChoice(std::int32_t choice) {
  if (choice == 2) return kProjections[1];
  if (choice == 3) return kProjections[2];
  return kProjections[0];
}

// The menu choice of a projection of the table.
constexpr std::int32_t choiceOf(const Projection& projection) {
  return static_cast<std::int32_t>(&projection - kProjections.data()) + 1;
}

}  // namespace datafiles
