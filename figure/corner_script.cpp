// The corner figure: three maps below the diagonal, the profiles (or the
// marginal densities) on it, of one input in colour or of several as lines;
// the titles, the notes, the colour bar and the key where the layout puts
// them, drawn last over the whole page.
#include <algorithm>
#include <cmath>

#include "figure/corner_layout.h"
#include "figure/gnuplot_script.h"
#include "figure/script_parts.h"
#include "figure/ticks.h"
#include "fit/numbers.h"

namespace figure {
namespace {

using parts::text;
using parts::Texts;

// The numbers of what the script sets: the grey behind a map is object 1,
// the shaded ranges of a diagonal panel follow, then the marks of several
// inputs' intervals; the key and the texts are drawn last.
constexpr int kShading = 20;
constexpr int kKey = 100;
constexpr int kTexts = 1000;
// An interval's mark: its distance from the next, in ems.
constexpr double kIntervalSpacing = 0.9;

std::string margins(const Box& box) {
  return "set lmargin at screen " + text(box.left) + "; set rmargin at screen " + text(box.right) +
         "\nset tmargin at screen " + text(box.top) + "; set bmargin at screen " + text(box.bottom) + "\n";
}

// A panel's x axis: its scale and ticks, labelled under the lowest panel of
// its column only.
std::string xAxis(const CornerFigure& corner, const CornerLayout& layout, std::size_t row, std::size_t column) {
  return std::string(corner.axes[column].logarithmic ? "set logscale x\n" : "unset logscale x\n") +
         ticsCommand("x", layout.xTicks[column]) +
         (row == lowestRow(layout.drawn, column) ? "set format x '%g'\n" : "set format x ''\n");
}

// A map's y axis, labelled left of the first map of its row only.
std::string yAxis(const CornerFigure& corner, const CornerLayout& layout, std::size_t row, std::size_t column) {
  return std::string(corner.axes[row].logarithmic ? "set logscale y\n" : "unset logscale y\n") +
         ticsCommand("y", layout.yTicks[row]) +
         (column == firstColumn(layout.drawn, row) ? "set format y '%g'\n" : "set format y ''\n");
}

// The grid values of one parameter in every input, for the axis's range.
std::vector<const std::vector<double>*> valuesOf(const CornerFigure& corner, std::size_t axis) {
  std::vector<const std::vector<double>*> values;
  for (const CornerLayer& layer : corner.layers) values.push_back(&layer.values[axis]);
  return values;
}

// The ranges shaded under a diagonal panel. Several inputs' are lighter,
// and each also has a bar of its own colour, one under another (at the top
// of a profile, the bottom of a density: away from the curve), so that
// ranges that coincide all show. Returns how many objects and arrows were set.
std::array<int, 2> shading(const CornerFigure& corner, const CornerLayout& layout, std::size_t axis, std::string& out) {
  std::array<int, 2> set{};
  const bool one = corner.layers.size() == 1;
  const Box& panel = layout.panels[axis][axis];
  const double step = kIntervalSpacing * layout.em[1] / (panel.top - panel.bottom);
  for (std::size_t k = 0; k < corner.layers.size(); ++k) {
    const double height = static_cast<double>(k + 1) * step, y = corner.densities ? height : 1 - height;
    for (const auto& [low, high] : corner.layers[k].shaded[axis]) {
      out += "set object " + std::to_string(kShading + set[0]++) + " rectangle from " + text(low) + ", graph 0 to " +
             text(high) + ", graph 1 behind fillcolor rgb '" + (one ? "#cfe3f7" : parts::layerColour(k)) +
             "' fillstyle " + (one ? "solid" : "transparent solid 0.12") + " noborder\n";
      if (!one)
        out += "set arrow " + std::to_string(kShading + set[1]++) + " from " + text(low) + ", graph " + text(y) +
               " to " + text(high) + ", graph " + text(y) + " heads size screen " + text(0.3 * layout.em[0]) +
               ",90 front lw 2 lc rgb '" + parts::layerColour(k) + "'\n";
    }
  }
  return set;
}

std::string diagonalPlot(const CornerFigure& corner, std::size_t axis) {
  const bool one = corner.layers.size() == 1;
  std::string plot;
  for (std::size_t k = 0; k < corner.layers.size(); ++k) {
    const CornerLayer& layer = corner.layers[k];
    if (layer.values[axis].size() < 2) continue;
    const double width = one ? 1.5 : 0.75 * parts::layerWidth(k);
    plot += std::string(plot.empty() ? "plot " : ", ") + "$P" + std::to_string(axis) + "_" + std::to_string(k) +
            " using 1:2 axes x1y2 with linespoints pt 7 ps " + fit::generalText(width / 3, 3) + " lw " +
            fit::generalText(width, 3) + " lc rgb '" + parts::layerColour(k) + "' notitle";
  }
  if (!corner.densities)
    for (const double level : profileLevels(corner))
      plot += ", " + text(level) + " axes x1y2 with lines dt 2 lc rgb '#808080' notitle";
  return plot + "\n";
}

std::string diagonalPanel(const CornerFigure& corner, const CornerLayout& layout, std::size_t axis) {
  std::string out = margins(layout.panels[axis][axis]) + xAxis(corner, layout, axis, axis);
  out += "set xrange " + parts::rangeOf(valuesOf(corner, axis), corner.axes[axis].logarithmic) +
         "; set y2range [0:" + text(layout.diagonalTop) + "]\nunset logscale y; unset ytics; set y2tics mirror\n" +
         ticsCommand("y2", layout.diagonalTicks[axis]) + "set format y2 '%g'\n";
  for (std::size_t k = 0; k < corner.layers.size(); ++k) {
    const CornerLayer& layer = corner.layers[k];
    if (layer.values[axis].size() < 2) continue;
    out += "$P" + std::to_string(axis) + "_" + std::to_string(k) + " << EOD\n";
    for (std::size_t m = 0; m < layer.values[axis].size(); ++m)
      if (!std::isnan(layer.diagonal[axis][m]))
        out += text(layer.values[axis][m]) + " " + text(layer.diagonal[axis][m]) + "\n";
    out += "EOD\n";
  }
  const auto [objects, arrows] = shading(corner, layout, axis, out);
  out += diagonalPlot(corner, axis);
  for (int o = 0; o < objects; ++o) out += "unset object " + std::to_string(kShading + o) + "\n";
  for (int a = 0; a < arrows; ++a) out += "unset arrow " + std::to_string(kShading + a) + "\n";
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

// One input's first map carries the colour bar, in the empty upper right.
std::string colourBar(const CornerLayout& layout) {
  const Box& bar = layout.bar;
  return "set colorbox user horizontal origin screen " + text(bar.left) + ", screen " + text(bar.bottom) +
         " size screen " + text(bar.right - bar.left) + ", screen " + text(bar.top - bar.bottom) + "\n" +
         ticsCommand("cb", layout.barTicks);
}

std::string mapPanel(const CornerFigure& corner, const CornerLayout& layout, std::size_t index, bool first) {
  const auto [x, y] = kCornerMaps[index];
  std::vector<std::string> ids;
  const std::vector<MapLayer> layers = mapLayers(corner, index, ids);
  const bool colours = layout.colourBar;
  std::string out = margins(layout.panels[y][x]) + xAxis(corner, layout, y, x) + yAxis(corner, layout, y, x);
  out += "set xrange " + parts::rangeOf(valuesOf(corner, x), corner.axes[x].logarithmic) + "; set yrange " +
         parts::rangeOf(valuesOf(corner, y), corner.axes[y].logarithmic) + "\nunset y2tics\n";
  out += colours && first ? colourBar(layout) : "unset colorbox\n";
  if (colours) return out + parts::kGreyBehind + parts::colourPlot(ids.front(), layers.front()) + "unset object 1\n";
  return out + parts::linePlot(ids, layers);
}

// The texts and the key, over the whole page.
std::string overlay(const CornerLayout& layout, Texts& texts) {
  std::string out =
      "set lmargin at screen 0; set rmargin at screen 1; set tmargin at screen 1; set bmargin at screen 0\n"
      "unset border; unset tics; unset logscale; unset colorbox; set xrange [0:1]; set yrange [0:1]\n";
  int number = kTexts;
  for (const Placed& line : layout.texts)
    out += "set label " + std::to_string(number++) + " " + texts(line.text) + " at screen " + text(line.x) +
           ", screen " + text(line.y) +
           (line.align == 'l'   ? " left"
            : line.align == 'r' ? " right"
                                : " center") +
           (line.upright ? " rotate by 90" : "") +
           (line.colour.empty() ? std::string() : " textcolor rgb '" + line.colour + "'") + " front\n";
  out += keyCommands(layout.key, layout.keyAt, layout.em, kKey, texts);
  return out + "plot -1 notitle\n";
}

}  // namespace

bool hasRoom(const CornerFigure& corner, const Page& page) { return hasRoom(cornerLayout(corner, page)); }

std::string cornerScript(const CornerFigure& corner, const Page& page, std::string_view keptFor) {
  const CornerLayout layout = cornerLayout(corner, page);
  Texts texts;
  std::string out;
  for (std::size_t index = 0; index < 3; ++index) {
    const auto [x, y] = kCornerMaps[index];
    std::vector<std::string> ids;
    const std::vector<MapLayer> layers = mapLayers(corner, index, ids);
    for (std::size_t k = 0; k < layers.size(); ++k)
      out += parts::mapBlocks(ids[k], layers[k], corner.axes[x].logarithmic, corner.axes[y].logarithmic);
  }
  out += "set terminal " + terminalOf(layout.page) + "\n" + parts::outputTo(keptFor);
  if (layout.colourBar) out += std::string(parts::kPalette) + "set cbrange [0:" + text(corner.colourCap) + "]\n";
  out +=
      "set tics front; set border lw 1.2\nunset key; unset xlabel; unset ylabel; unset y2label; unset cblabel\n"
      "set title ''\nset multiplot\n";
  for (std::size_t axis = 0; axis < 3; ++axis)
    if (layout.drawn[axis]) out += diagonalPanel(corner, layout, axis);
  bool first = true;
  for (std::size_t index = 0; index < 3; ++index) {
    const auto [x, y] = kCornerMaps[index];
    std::vector<std::string> ids;
    if (!layout.drawn[x] || !layout.drawn[y] || mapLayers(corner, index, ids).empty()) continue;
    out += mapPanel(corner, layout, index, first);
    first = false;
  }
  out += overlay(layout, texts);
  return parts::head(texts, keptFor) + out + "unset multiplot\nunset output\n";
}

}  // namespace figure
