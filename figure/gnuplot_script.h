// The gnuplot scripts of the figures: one chi-square map, or the corner
// figure of three maps below the diagonal and three profiles on it. The data
// travel inside the script as datablocks, so the script is all gnuplot reads
// and can be kept and edited.
//
// Cells are drawn as boxes between the midpoints of their neighbours, so a
// grid of any spacing is drawn where its values lie.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "datafiles/parameters.h"
#include "fit/profile.h"

namespace figure {

using datafiles::Parameter;

struct FigureAxis {
  std::string label;           // the axis title: the parameter's name, or the user's text with units
  std::vector<double> values;  // ascending
};

// Contour levels of the maps, in delta chi-square above the map's minimum.
struct Contours {
  std::vector<double> levels;
  std::vector<std::string> texts;  // as given, for the key
};

struct MapFigure {
  FigureAxis x;
  FigureAxis y;
  std::vector<double> chiSquare;   // x-major: (m, n) at m * y.values.size() + n; NaN where missing
  std::array<double, 2> best{};    // where the minimum is marked
  std::vector<std::string> title;  // lines
  Contours contours;
  double colourCap = 0;  // top of the colour scale in delta chi-square; NaN: the whole range
};

struct CornerFigure {
  std::array<FigureAxis, 3> axes;  // T, YORP strength, f_KE
  fit::GridFit fit;
  // T vs YORP strength, T vs f_KE, YORP strength vs f_KE, x-major.
  std::array<std::vector<double>, 3> maps;
  std::array<std::string, 3> headings;  // above each profile
  Contours contours;
  double colourCap = 0;  // top of the colour scale of every map, in delta chi-square
};

// Which parameters each corner map shows: x, then y.
inline constexpr std::array<std::array<Parameter, 2>, 3> kCornerMaps = {
    {{datafiles::kT, datafiles::kYorp}, {datafiles::kT, datafiles::kFke}, {datafiles::kYorp, datafiles::kFke}}};

enum class ImageFormat { Png, Svg, Pdf };

// The format an output name's extension picks (.png, .svg, .pdf, in any
// letter case); PNG for standard output ("-"); empty for any other name.
[[nodiscard]] std::optional<ImageFormat> formatOf(std::string_view output);

// The gnuplot terminal of a format, `width` x `height` pixels (a PDF at 100
// pixels an inch).
[[nodiscard]] std::string terminalFor(ImageFormat format, int width, int height);

// Levels that no cell of the map rises above: they draw no contour.
[[nodiscard]] std::vector<std::string> levelsNotReached(const MapFigure& map);

// The scripts draw to gnuplot's standard output, or, for a script kept for
// the user, to `keptFor`, the figure's name. Titles and labels travel as
// lines of a datablock, which gnuplot shows as they are: no text of the
// user's is ever part of a command the tools run.
[[nodiscard]] std::string mapScript(const MapFigure& map, const std::string& terminal, std::string_view keptFor = {});
[[nodiscard]] std::string cornerScript(const CornerFigure& corner, const std::string& terminal,
                                       std::string_view keptFor = {});

}  // namespace figure
