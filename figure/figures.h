// What a figure shows: the axes, each input's map or corner panels, the
// contour levels, titles and notes. The scripts draw them; chi2map-fit and
// chi2map-plot fill them.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "datafiles/parameters.h"

namespace figure {

using datafiles::Parameter;

struct FigureAxis {
  std::string label;  // the axis title: the parameter's name, or the user's text with units
  bool logarithmic = false;
};

// Contour levels of the maps, in delta chi-square above the map's minimum.
struct Contours {
  std::vector<double> levels;
  std::vector<std::string> texts;  // for the key: as given, or "2.30 (1 sigma)"
};

// One input's map: its grid values, ascending, and its chi-squares.
struct MapLayer {
  std::string name;               // in the key, with several inputs
  std::vector<double> x, y;       // the grid values
  std::vector<double> chiSquare;  // x-major: (m, n) at m * y.size() + n; NaN where missing
  std::array<double, 2> best{};   // where the minimum is marked
  Contours contours;
};

struct MapFigure {
  FigureAxis x;
  FigureAxis y;
  std::vector<MapLayer> layers;    // one, drawn in colour; or several, drawn as lines
  std::vector<std::string> title;  // lines
  double colourCap = 0;            // top of the colour scale in delta chi-square; NaN: the whole range
};

// One input's part of the corner figure.
struct CornerLayer {
  std::string name;                           // in the key, with several inputs
  std::array<std::vector<double>, 3> values;  // the grid values of T, YORP strength and f_KE
  std::array<std::vector<double>, 3> maps;    // of kCornerMaps, x-major; NaN where missing
  std::array<double, 3> best{};               // the best cell
  // On the diagonal, per grid value: the profile's delta chi-square, or the
  // marginal density; NaN where missing. The ranges shaded under it, and
  // the levels drawn across it (profiles only).
  std::array<std::vector<double>, 3> diagonal;
  std::array<std::vector<std::array<double, 2>>, 3> shaded;
  std::vector<double> levels;
  std::array<std::string, 3> headings;  // above each diagonal panel
  Contours contours;
};

struct CornerFigure {
  std::array<FigureAxis, 3> axes;  // T, YORP strength, f_KE
  std::vector<CornerLayer> layers;
  bool densities = false;          // the diagonal shows marginal densities, not profiles
  std::vector<std::string> notes;  // lines in the empty upper right
  double colourCap = 0;            // top of the colour scale of every map, in delta chi-square
};

// Which parameters each corner map shows: x, then y.
inline constexpr std::array<std::array<Parameter, 2>, 3> kCornerMaps = {
    {{datafiles::kT, datafiles::kYorp}, {datafiles::kT, datafiles::kFke}, {datafiles::kYorp, datafiles::kFke}}};

}  // namespace figure
