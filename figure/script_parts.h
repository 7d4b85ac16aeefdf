// What the map script and the corner script share: the texts of a figure
// as a datablock, the cells' edges on linear and logarithmic axes, a map's
// datablocks and contour tables, and the colours of several inputs.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "figure/figures.h"
#include "figure/ticks.h"

namespace figure::parts {

// The free texts of a figure (titles, axis titles, headings, the key), as
// lines of the datablock $T that gnuplot shows as they are: any byte but a
// control character, which is shown as an escape. Each line starts with a
// bar, so that no text can end the block or lose its leading blanks.
class Texts {
 public:
  // The expression that yields `text`.
  std::string operator()(std::string_view text);
  // Lines joined by line breaks.
  std::string operator()(const std::vector<std::string>& texts);
  [[nodiscard]] std::string block() const { return "$T << EOD\n" + lines_ + "EOD\n"; }

 private:
  std::string lines_;
  int count_ = 0;
};

// A gnuplot string of our own making: single quotes, a quote doubled.
[[nodiscard]] std::string quoted(std::string_view text);
// A gnuplot string inside the single-quoted text of a command built in the
// script: its quotes doubled once more.
[[nodiscard]] std::string inCommand(std::string_view string);
[[nodiscard]] std::string text(double value);

// The head of every script, before its data, and the output line after the
// terminal: the figure's name when kept, else standard output.
[[nodiscard]] std::string head(const Texts& texts, std::string_view figure);
[[nodiscard]] std::string outputTo(std::string_view figure);

// The cell edges of an axis: halfway to each neighbour (geometrically on a
// logarithmic axis), half a step beyond the first and last value; each box
// reaches a little into the next, so no seam shows between them.
struct Edges {
  std::vector<double> low, high;
  double first, last;
};
[[nodiscard]] Edges edgesOf(const std::vector<double>& values, bool logarithmic);

// "[first:last]" over the edges of every axis of two or more values.
[[nodiscard]] std::string rangeOf(const std::vector<const std::vector<double>*>& axes, bool logarithmic);

// The first and last edges over every axis of two or more values.
[[nodiscard]] std::array<double, 2> spanOf(const std::vector<const std::vector<double>*>& axes, bool logarithmic);

// The scale of gnuplot's axis `axis` ("x", "y"), linear or logarithmic,
// and its ticks.
[[nodiscard]] std::string scaleOf(const std::string& axis, const TickAxis& ticks);

// The datablocks of map `id`: its grid for the contours ($G), its present
// cells as boxes ($B), and one contour table per level ($C), all in delta
// chi-square above the map's minimum.
[[nodiscard]] std::string mapBlocks(const std::string& id, const MapLayer& layer, bool logX, bool logY);

// The plot of one map in colour: the boxes, each contour the map reaches
// (a level never reached leaves a table of its two header lines), the
// minimum.
[[nodiscard]] std::string colourPlot(const std::string& id, const MapLayer& layer);

// The plot of maps as lines only, one colour per layer: `ids` name their
// blocks.
[[nodiscard]] std::string linePlot(const std::vector<std::string>& ids, const std::vector<MapLayer>& layers);

// The colour of layer `k` of several, and the width of its lines: each
// later one's thinner, so that where two coincide both show.
[[nodiscard]] std::string layerColour(std::size_t k);
[[nodiscard]] double layerWidth(std::size_t k);

// The mark of a map's minimum, with one input.
inline constexpr const char* kMinimumColour = "#e4002b";

// Missing cells are not drawn: the grey behind shows them.
inline constexpr const char* kGreyBehind =
    "set object 1 rectangle from graph 0,0 to graph 1,1 behind fillcolor rgb '#b0b0b0' fillstyle solid noborder\n";
inline constexpr const char* kPalette =
    "set palette defined (0 '#440154', 1 '#3b528b', 2 '#21918c', 3 '#5ec962', 4 '#fde725')\n";

}  // namespace figure::parts
