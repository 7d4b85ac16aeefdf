// The corner figure: three maps below the diagonal, the profiles (or the
// marginal densities) on it, of one input in colour or of several as lines.
#include <algorithm>
#include <cmath>

#include "figure/gnuplot_script.h"
#include "figure/script_parts.h"
#include "fit/numbers.h"

namespace figure {
namespace {

using parts::text;
using parts::Texts;

// The profiles' height when no level asks for more, in delta chi-square;
// a density panel's, its peak drawn at 1.
constexpr double kProfileTop = 12;
constexpr double kDensityTop = 1.15;

// Corner panel geometry in screen fractions: three columns and rows of equal size.
constexpr double kLeft = 0.10;
constexpr double kTop = 0.95;
constexpr double kPanel = 0.28;

using Drawn = std::array<bool, 3>;

std::string margins(std::size_t row, std::size_t column) {
  const double left = kLeft + static_cast<double>(column) * kPanel;
  const double top = kTop - static_cast<double>(row) * kPanel;
  return "set lmargin at screen " + text(left) + "; set rmargin at screen " + text(left + kPanel) +
         "\nset tmargin at screen " + text(top) + "; set bmargin at screen " + text(top - kPanel) + "\n";
}

// Tic labels and axis titles on the outer edges of what is drawn only: x
// under the lowest panel of a column, y left of the first map of a row.
std::string axisLabels(const CornerFigure& corner, std::size_t row, std::size_t column, bool map, const Drawn& drawn,
                       Texts& texts) {
  std::size_t bottom = column;
  for (std::size_t r = column + 1; r < 3; ++r)
    if (drawn[r]) bottom = r;
  std::size_t left = row;
  for (std::size_t c = row; c-- > 0;)
    if (drawn[c]) left = c;
  std::string out;
  if (row == bottom)
    out += "set format x '%g'; set xlabel " + texts(corner.axes[column].label) + "\n";
  else
    out += "set format x ''; unset xlabel\n";
  if (map && column == left)
    out += "set format y '%g'; set ylabel " + texts(corner.axes[row].label) + "\n";
  else
    out += "set format y ''; unset ylabel\n";
  return out;
}

// The grid values of one parameter in every input, for the axis's range.
std::vector<const std::vector<double>*> valuesOf(const CornerFigure& corner, std::size_t axis) {
  std::vector<const std::vector<double>*> values;
  for (const CornerLayer& layer : corner.layers) values.push_back(&layer.values[axis]);
  return values;
}

// The levels drawn across the profiles: every input's, each once.
std::vector<double> profileLevels(const CornerFigure& corner) {
  std::vector<double> levels;
  for (const CornerLayer& layer : corner.layers)
    for (const double level : layer.levels)
      if (std::isfinite(level) && level > 0 && std::find(levels.begin(), levels.end(), level) == levels.end())
        levels.push_back(level);
  return levels;
}

// The heading of a diagonal panel: each input's on a line of its own.
std::vector<std::string> headingLines(const CornerFigure& corner, std::size_t axis) {
  std::vector<std::string> lines;
  for (const CornerLayer& layer : corner.layers)
    lines.push_back(corner.layers.size() > 1 ? layer.name + ": " + layer.headings[axis] : layer.headings[axis]);
  return lines;
}

// The ranges shaded under a diagonal panel, as rectangles from `first` on;
// how many there are.
std::size_t shading(const CornerFigure& corner, std::size_t axis, std::size_t first, std::string& out) {
  std::size_t objects = 0;
  const bool one = corner.layers.size() == 1;
  for (std::size_t k = 0; k < corner.layers.size(); ++k)
    for (const auto& [low, high] : corner.layers[k].shaded[axis])
      out += "set object " + std::to_string(first + objects++) + " rectangle from " + text(low) + ", graph 0 to " +
             text(high) + ", graph 1 behind fillcolor rgb '" + (one ? "#cfe3f7" : parts::layerColour(k)) +
             "' fillstyle " + (one ? "solid" : "transparent solid 0.15") + " noborder\n";
  return objects;
}

std::string diagonalPlot(const CornerFigure& corner, std::size_t axis) {
  std::string plot;
  for (std::size_t k = 0; k < corner.layers.size(); ++k) {
    const CornerLayer& layer = corner.layers[k];
    if (layer.values[axis].size() < 2) continue;
    plot += std::string(plot.empty() ? "plot " : ", ") + "$P" + std::to_string(axis) + "_" + std::to_string(k) +
            " using 1:2 axes x1y2 with linespoints pt 7 ps 0.5 lw 1.5 lc rgb '" + parts::layerColour(k) + "' notitle";
  }
  if (!corner.densities)
    for (const double level : profileLevels(corner))
      plot += ", " + text(level) + " axes x1y2 with lines dt 2 lc rgb '#808080' notitle";
  return plot + "\n";
}

std::string diagonalPanel(const CornerFigure& corner, std::size_t axis, const Drawn& drawn, Texts& texts) {
  double top = corner.densities ? kDensityTop : kProfileTop;
  if (!corner.densities)
    for (const double level : profileLevels(corner)) top = std::max(top, 1.25 * level);
  std::string out = margins(axis, axis) + axisLabels(corner, axis, axis, false, drawn, texts);
  out += "set xrange " + parts::rangeOf(valuesOf(corner, axis), corner.axes[axis].logarithmic) +
         "; set y2range [0:" + text(top) + "]\n" +
         parts::scaleOf('x', valuesOf(corner, axis), corner.axes[axis].logarithmic) + "unset logscale y\n";
  out += std::string("unset ytics; set y2tics mirror; set y2label '") +
         (corner.densities ? "density (peak 1)" : "Δχ²") + "'; set title " + texts(headingLines(corner, axis)) + "\n";
  for (std::size_t k = 0; k < corner.layers.size(); ++k) {
    const CornerLayer& layer = corner.layers[k];
    if (layer.values[axis].size() < 2) continue;
    out += "$P" + std::to_string(axis) + "_" + std::to_string(k) + " << EOD\n";
    for (std::size_t m = 0; m < layer.values[axis].size(); ++m)
      if (!std::isnan(layer.diagonal[axis][m]))
        out += text(layer.values[axis][m]) + " " + text(layer.diagonal[axis][m]) + "\n";
    out += "EOD\n";
  }
  const std::size_t objects = shading(corner, axis, 20, out);
  out += diagonalPlot(corner, axis) + "unset y2label\n";
  for (std::size_t o = 0; o < objects; ++o) out += "unset object " + std::to_string(20 + o) + "\n";
  return out;
}

// The part of each input that map `index` shows; inputs with a single value
// on either of its axes have none.
std::vector<MapLayer> mapLayers(const CornerFigure& corner, std::size_t index, std::vector<std::string>& ids) {
  const auto [x, y] = kCornerMaps[index];
  std::vector<MapLayer> layers;
  for (std::size_t k = 0; k < corner.layers.size(); ++k) {
    const CornerLayer& layer = corner.layers[k];
    if (layer.values[x].size() < 2 || layer.values[y].size() < 2) continue;
    layers.push_back({layer.name,
                      layer.values[x],
                      layer.values[y],
                      layer.maps[index],
                      {layer.best[x], layer.best[y]},
                      layer.contours});
    ids.push_back(std::to_string(index) + (k == 0 ? "" : "L" + std::to_string(k)));
  }
  return layers;
}

// The key of the maps, in the empty cell right of the second profile.
std::string mapKey(bool colours) {
  return "set key at screen " + text(kLeft + 2.2 * kPanel) + ", screen " + text(kTop - kPanel - 0.01) +
         " left top vertical Left reverse samplen 2 box " +
         (colours ? "opaque fc rgb '#404040' textcolor rgb 'white'" : "opaque") + "\n";
}

std::string mapPanel(const CornerFigure& corner, std::size_t index, const Drawn& drawn, bool first, Texts& texts) {
  const auto [x, y] = kCornerMaps[index];
  std::vector<std::string> ids;
  const std::vector<MapLayer> layers = mapLayers(corner, index, ids);
  const bool colours = corner.layers.size() == 1;
  std::string out = margins(y, x) + axisLabels(corner, y, x, true, drawn, texts);
  out += "set xrange " + parts::rangeOf(valuesOf(corner, x), corner.axes[x].logarithmic) + "; set yrange " +
         parts::rangeOf(valuesOf(corner, y), corner.axes[y].logarithmic) + "\n" +
         "unset y2tics; set ytics; set title ''\n" +
         parts::scaleOf('x', valuesOf(corner, x), corner.axes[x].logarithmic) +
         parts::scaleOf('y', valuesOf(corner, y), corner.axes[y].logarithmic);
  out += first ? mapKey(colours) : "unset key\n";
  // One map of one input carries the colour bar, in the empty upper right.
  if (colours && first)
    out += "set colorbox user horizontal origin screen " + text(kLeft + 1.25 * kPanel) + ", screen " +
           text(kTop - 0.5 * kPanel) + " size screen " + text(1.5 * kPanel) + ", screen 0.02\n";
  else
    out += "unset colorbox\n";
  if (colours)
    return out + parts::kGreyBehind + parts::colourPlot(ids.front(), layers.front(), 0, first) + "unset object 1\n";
  return out + parts::linePlot(ids, layers, first, texts);
}

}  // namespace

std::string cornerScript(const CornerFigure& corner, const std::string& terminal, std::string_view keptFor) {
  Drawn drawn{};
  for (std::size_t a = 0; a < 3; ++a)
    for (const CornerLayer& layer : corner.layers) drawn[a] = drawn[a] || layer.values[a].size() >= 2;
  Texts texts;
  std::string out;
  for (std::size_t index = 0; index < 3; ++index) {
    const auto [x, y] = kCornerMaps[index];
    std::vector<std::string> ids;
    const std::vector<MapLayer> layers = mapLayers(corner, index, ids);
    for (std::size_t k = 0; k < layers.size(); ++k)
      out += parts::mapBlocks(ids[k], layers[k], corner.axes[x].logarithmic, corner.axes[y].logarithmic);
  }
  out += "set terminal " + terminal + "\n" + parts::outputTo(keptFor);
  if (corner.layers.size() == 1)
    out += std::string(parts::kPalette) + "set cbrange [0:" + text(corner.colourCap) +
           "]; set cblabel 'Δχ² (colours stop at " + fit::shortText(corner.colourCap) + ")'\n";
  out += "set tics front; set border lw 1.2\nunset key\nset multiplot\n";
  out += "set label 10 " + texts(corner.notes) + " at screen " + text(kLeft + 1.25 * kPanel) + ", screen " +
         text(kTop - 0.2 * kPanel) + " left\n";
  for (std::size_t axis = 0; axis < 3; ++axis)
    if (drawn[axis]) out += diagonalPanel(corner, axis, drawn, texts) + "unset label 10\n";
  bool first = true;
  for (std::size_t index = 0; index < 3; ++index) {
    const auto [x, y] = kCornerMaps[index];
    std::vector<std::string> ids;
    if (!drawn[x] || !drawn[y] || mapLayers(corner, index, ids).empty()) continue;
    out += mapPanel(corner, index, drawn, first, texts);
    first = false;
  }
  return parts::head(texts, keptFor) + out + "unset multiplot\nunset output\n";
}

}  // namespace figure
