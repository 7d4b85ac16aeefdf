// The gnuplot scripts of the figures: one chi-square map, or the corner
// figure of three maps below the diagonal and three profiles (or marginal
// densities) on it, of one input or several drawn over each other. The data
// travel inside the script as datablocks, so the script is all gnuplot reads
// and can be kept and edited.
//
// Cells are drawn as boxes between the midpoints of their neighbours (their
// geometric midpoints on a logarithmic axis), so a grid of any spacing is
// drawn where its values lie. With several inputs the maps show contour
// lines only, each input in a colour of its own.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "datafiles/parameters.h"
#include "figure/page.h"
#include "fit/profile.h"

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

// The format an output name's extension picks (.png, .svg, .pdf, in any
// letter case); PNG for standard output ("-"); empty for any other name.
[[nodiscard]] std::optional<ImageFormat> formatOf(std::string_view output);

// Levels that no cell of the first layer rises above: they draw no contour.
[[nodiscard]] std::vector<std::string> levelsNotReached(const MapFigure& map);

// The scripts draw to gnuplot's standard output, or, for a script kept for
// the user, to `keptFor`, the figure's name. Titles and labels travel as
// lines of a datablock, which gnuplot shows as they are: no text of the
// user's is ever part of a command the tools run.
[[nodiscard]] std::string mapScript(const MapFigure& map, const Page& page, std::string_view keptFor = {});
[[nodiscard]] std::string cornerScript(const CornerFigure& corner, const Page& page, std::string_view keptFor = {});

}  // namespace figure
