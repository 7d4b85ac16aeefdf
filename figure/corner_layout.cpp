#include "figure/corner_layout.h"

#include <algorithm>
#include <cmath>

#include "figure/script_parts.h"
#include "figure/text_size.h"
#include "figure/ticks.h"
#include "fit/numbers.h"

namespace figure {
namespace {

// Room in ems: between the page's edge and anything on it; between a title
// and what it names; the colour bar's thickness.
constexpr double kEdge = 0.4;
constexpr double kTitleGap = 0.4;
constexpr double kBarHeight = 0.9;
// The colour bar: what its end labels may reach past its ends, its length
// against a panel's width, its shortest length beside the key.
constexpr double kBarEnd = 1;
constexpr double kBarPanels = 1.5;
constexpr double kLeastBar = 10;

// The profiles' height when no level asks for more, in delta chi-square;
// a density panel's, its peak drawn at 1.
constexpr double kProfileTop = 12;
constexpr double kDensityTop = 1.15;

// What the texts and tick labels ask of the grid: the widest tick labels
// left of the maps and right of the diagonal panels, and the lines of the
// axis titles and of each diagonal title.
struct Needs {
  double leftTicks = 0, rightTicks = 0;
  std::size_t yLines = 1, xLines = 1;
  std::array<std::size_t, 3> titleLines{};
  double extraTop = 0;  // above the first row, where the upper right needs more height
  bool operator==(const Needs&) const = default;
};

// The panels' edges in ems from the page's bottom left, and the width of
// what a diagonal panel has on its right.
struct Grid {
  double width = 0, height = 0;
  std::array<double, 3> left{}, right{}, bottom{}, top{};
  double strip = 0;
};

Grid gridOf(const Needs& needs, double width, double height) {
  Grid g{width, height, {}, {}, {}, {}, kY2TickOut + needs.rightTicks + kTitleGap + kLine};
  const double left = kEdge + static_cast<double>(needs.yLines) * kLine + kTitleGap + needs.leftTicks + kYTickOut;
  const double across = (width - left - g.strip - kEdge) / 3;
  const double bottom = kEdge + static_cast<double>(needs.xLines) * kLine + kTitleGap + kLine + kXTickOut;
  // A band is a title's lines with a gap above and below; the first's upper gap is the page's edge.
  double bands = kEdge - kTitleGap + needs.extraTop;
  for (const std::size_t lines : needs.titleLines) bands += static_cast<double>(lines) * kLine + 2 * kTitleGap;
  const double up = (height - bottom - bands) / 3;
  double top = height - kEdge + kTitleGap - needs.extraTop;
  for (std::size_t k = 0; k < 3; ++k) {
    g.left[k] = left + static_cast<double>(k) * across;
    g.right[k] = g.left[k] + across;
    g.top[k] = top - static_cast<double>(needs.titleLines[k]) * kLine - 2 * kTitleGap;
    g.bottom[k] = g.top[k] - up;
    top = g.bottom[k];
  }
  return g;
}

std::vector<const std::vector<double>*> valuesOf(const CornerFigure& corner, std::size_t axis) {
  std::vector<const std::vector<double>*> values;
  for (const CornerLayer& layer : corner.layers) values.push_back(&layer.values[axis]);
  return values;
}

TickAxis axisOf(const CornerFigure& corner, std::size_t axis, double length, bool across) {
  const auto [first, last] = parts::spanOf(valuesOf(corner, axis), corner.axes[axis].logarithmic);
  return {first, last, length, across, corner.axes[axis].logarithmic};
}

// Whether several inputs' headings are named: where each fits on one line
// from the page's left edge to its panel's right with its input's name.
// Their colours tell them apart anyway, and the key names the colours.
bool namedTitles(const CornerFigure& corner, const CornerLayout& layout, const Grid& g) {
  if (corner.layers.size() < 2) return false;
  for (std::size_t a = 0; a < 3; ++a)
    for (const CornerLayer& layer : corner.layers)
      if (layout.drawn[a] && widthOf(layer.name + ": " + layer.headings[a]) > g.right[a] - kEdge) return false;
  return true;
}

// A diagonal title's lines: each input's heading, broken to fit from the
// page's left edge to the panel's right.
std::vector<Placed> titleLines(const CornerFigure& corner, const CornerLayout& layout, const Grid& g,
                               std::size_t axis) {
  std::vector<Placed> lines;
  const bool several = corner.layers.size() > 1, named = namedTitles(corner, layout, g);
  for (std::size_t k = 0; k < corner.layers.size(); ++k) {
    const CornerLayer& layer = corner.layers[k];
    for (std::string& line :
         wrapped(named ? layer.name + ": " + layer.headings[axis] : layer.headings[axis], g.right[axis] - kEdge))
      lines.push_back({.text = std::move(line), .colour = several ? parts::layerColour(k) : ""});
  }
  return lines;
}

struct Sides {
  std::array<std::vector<double>, 3> x, y, diagonal;
};

Sides ticksOf(const CornerFigure& corner, const CornerLayout& layout, const Grid& g, double top) {
  Sides sides;
  for (std::size_t a = 0; a < 3; ++a) {
    if (!layout.drawn[a]) continue;
    sides.x[a] = figure::ticksOf(axisOf(corner, a, g.right[a] - g.left[a], true));
    if (firstColumn(layout.drawn, a) < a)
      sides.y[a] = figure::ticksOf(axisOf(corner, a, g.top[a] - g.bottom[a], false));
    sides.diagonal[a] = figure::ticksOf({0, top, g.top[a] - g.bottom[a], false, false});
  }
  return sides;
}

double upperRightShortfall(const CornerFigure& corner, const Grid& g);

Needs needsOf(const CornerFigure& corner, const CornerLayout& layout, const Grid& g, double extraTop) {
  Needs needs;
  // Each em more above the first row gives the upper right 2/3 of an em
  // (the three rows lose a third of it each, the first row's is its own).
  needs.extraTop = extraTop + 1.5 * upperRightShortfall(corner, g);
  const Sides sides = ticksOf(corner, layout, g, layout.diagonalTop);
  for (std::size_t a = 0; a < 3; ++a) {
    if (!layout.drawn[a]) continue;
    needs.leftTicks = std::max(needs.leftTicks, widestLabel(sides.y[a]));
    needs.rightTicks = std::max(needs.rightTicks, widestLabel(sides.diagonal[a]));
    needs.xLines = std::max(needs.xLines, wrapped(corner.axes[a].label, g.right[a] - g.left[a]).size());
    if (firstColumn(layout.drawn, a) < a)
      needs.yLines = std::max(needs.yLines, wrapped(corner.axes[a].label, g.top[a] - g.bottom[a]).size());
    needs.titleLines[a] = titleLines(corner, layout, g, a).size();
  }
  return needs;
}

// Screen fractions of a place given in ems from the page's bottom left.
std::array<double, 2> at(const Grid& g, double x, double y) { return {x / g.width, y / g.height}; }

void place(CornerLayout& layout, const Grid& g, Placed line, double x, double y, char align) {
  line.x = x / g.width;
  line.y = y / g.height;
  line.align = align;
  layout.texts.push_back(std::move(line));
}

// Each title over its diagonal panel: centred where it fits the panel, else
// ending at the panel's right, over the empty band left of it.
void placeTitles(const CornerFigure& corner, const Grid& g, CornerLayout& layout) {
  for (std::size_t a = 0; a < 3; ++a) {
    if (!layout.drawn[a]) continue;
    const std::vector<Placed> lines = titleLines(corner, layout, g, a);
    double widest = 0;
    for (const Placed& line : lines) widest = std::max(widest, widthOf(line.text));
    const bool centred = widest <= g.right[a] - g.left[a];
    for (std::size_t i = 0; i < lines.size(); ++i)
      place(layout, g, lines[i], centred ? (g.left[a] + g.right[a]) / 2 : g.right[a],
            g.top[a] + kTitleGap + (static_cast<double>(lines.size() - i) - 0.5) * kLine, centred ? 'c' : 'r');
  }
}

// The axis titles: under the lowest panel of each column, left of the first
// map of each row (reading upwards, its first line outermost), right of the
// diagonal panels beyond their tick labels.
void placeAxisTitles(const CornerFigure& corner, const Grid& g, const Needs& needs, CornerLayout& layout) {
  for (std::size_t a = 0; a < 3; ++a) {
    if (!layout.drawn[a]) continue;
    const double across = g.right[a] - g.left[a], up = g.top[a] - g.bottom[a];
    const std::vector<std::string> x = wrapped(corner.axes[a].label, across);
    const double under = g.bottom[lowestRow(layout.drawn, a)] - kXTickOut - kLine - kTitleGap;
    for (std::size_t i = 0; i < x.size(); ++i)
      place(layout, g, {.text = x[i]}, g.left[a] + across / 2, under - (static_cast<double>(i) + 0.5) * kLine, 'c');
    const std::size_t column = firstColumn(layout.drawn, a);
    const double middle = g.bottom[a] + up / 2;
    if (column < a) {
      const std::vector<std::string> y = wrapped(corner.axes[a].label, up);
      const double beside = g.left[column] - kYTickOut - needs.leftTicks - kTitleGap;
      for (std::size_t i = 0; i < y.size(); ++i)
        place(layout, g, {.text = y[i], .upright = true}, beside - (static_cast<double>(y.size() - i) - 0.5) * kLine,
              middle, 'c');
    }
    const std::string scale = shortened(corner.densities ? "density (peak 1)" : "Δχ²", up);
    place(layout, g, {.text = scale, .upright = true},
          g.right[a] + kY2TickOut + needs.rightTicks + kTitleGap + kLine / 2, middle, 'c');
  }
}

// The key of the maps: no level is left out, as a level one map never
// reaches may show in another.
Key keyOf(const CornerFigure& corner) {
  std::vector<std::string> names;
  for (const CornerLayer& layer : corner.layers) names.push_back(layer.name);
  return contourKey(names, corner.layers.front().contours);
}

// The colour bar at the top of `room`, at most half as long again as a
// panel is wide, its tick labels and its title under it.
void placeBar(const CornerFigure& corner, const Grid& g, const Box& room, CornerLayout& layout) {
  const double top = room.top - kTitleGap;
  const double length = std::min(room.right - room.left - 2 * kBarEnd, kBarPanels * (g.right[0] - g.left[0]));
  const double left = room.left + kBarEnd;
  layout.bar = {left / g.width, (top - kBarHeight) / g.height, (left + length) / g.width, top / g.height};
  layout.barTicks = figure::ticksOf({0, corner.colourCap, length, true, false, -kBarEnd});
  const std::string title = "Δχ² (colours stop at " + fit::shortText(corner.colourCap) + ")";
  place(layout, g, {.text = shortened(title, length + 2 * kBarEnd)}, left + length / 2,
        top - kBarHeight - kXTickOut - kLine - kTitleGap - kLine / 2, 'c');
}

// The height the colour bar takes with its labels and title.
constexpr double kBarBlock = kTitleGap + kBarHeight + kXTickOut + 2 * kLine + kTitleGap;

// The empty upper right: right of the first diagonal panel and what it has
// on its right, down to the first row's foot.
Box upperRoom(const Grid& g) { return {g.left[1] + g.strip + kEdge, g.bottom[0], g.width - kEdge, g.height - kEdge}; }

// How much higher the upper right must be for its notes, the colour bar
// and the key, one above the other or side by side where the width holds
// both, in ems.
double upperRightShortfall(const CornerFigure& corner, const Grid& g) {
  const Box room = upperRoom(g);
  double needed = 0;
  for (const std::string& note : corner.notes)
    needed += static_cast<double>(wrapped(note, room.right - room.left).size()) * kLine;
  Key key = keyOf(corner);
  fitTexts(key, room.right - room.left - 4);
  const auto [width, height] = sizeOf(key);
  const bool bar = corner.layers.size() == 1;
  double below = (bar ? kBarBlock : 0) + kTitleGap + height;
  if (bar && room.right - room.left - width - kTitleGap >= kLeastBar)
    below = std::min(below, std::max(kBarBlock, kTitleGap + height));
  return std::max(0.0, needed + below - (room.top - room.bottom));
}

// Under the notes, the colour bar (one input) and the key: one above the
// other where the room is high enough, else side by side where it is wide
// enough; else the key goes in the empty cell right of the second diagonal
// panel, or in as many columns as the room's width takes.
void placeBarAndKey(const CornerFigure& corner, const Grid& g, Box room, CornerLayout& layout) {
  layout.key = keyOf(corner);
  fitTexts(layout.key, room.right - room.left - 4);
  const auto [width, height] = sizeOf(layout.key);
  const double bar = layout.colourBar ? kBarBlock : 0, high = room.top - room.bottom;
  if (high >= bar + kTitleGap + height) {
    if (layout.colourBar) placeBar(corner, g, room, layout);
    layout.keyAt = at(g, room.left, room.top - bar - kTitleGap);
    return;
  }
  if (layout.colourBar && room.right - room.left - width - kTitleGap >= kLeastBar && high >= bar &&
      high >= kTitleGap + height) {
    placeBar(corner, g, {room.left + width + kTitleGap, room.bottom, room.right, room.top}, layout);
    layout.keyAt = at(g, room.left, room.top - kTitleGap);
    return;
  }
  if (layout.colourBar) placeBar(corner, g, room, layout);
  room.top -= bar + kTitleGap;
  const double besideLeft = g.left[2] + g.strip + kEdge;
  if (room.top - height < room.bottom && width <= g.width - kEdge - besideLeft && height <= g.top[1] - g.bottom[1]) {
    layout.keyAt = at(g, besideLeft, g.top[1]);
    return;
  }
  if (room.top - height < room.bottom) layout.key.columns = columnsIn(layout.key, room.right - room.left, 3);
  layout.keyAt = at(g, room.left, room.top);
}

// The notes at the top of the empty upper right, then the colour bar and the key.
void placeUpperRight(const CornerFigure& corner, const Grid& g, CornerLayout& layout) {
  Box room = upperRoom(g);
  for (const std::string& note : corner.notes)
    for (std::string& line : wrapped(note, room.right - room.left)) {
      place(layout, g, {.text = std::move(line)}, room.left, room.top - kLine / 2, 'l');
      room.top -= kLine;
    }
  layout.colourBar = corner.layers.size() == 1;
  placeBarAndKey(corner, g, room, layout);
}

CornerLayout layoutAt(const CornerFigure& corner, const Page& page);

// A panel's smaller side, in ems.
double narrowest(const CornerLayout& layout) {
  const Box& panel = layout.panels[0][0];
  return std::min((panel.right - panel.left) / layout.em[0], (panel.top - panel.bottom) / layout.em[1]);
}

}  // namespace

std::size_t lowestRow(const std::array<bool, 3>& drawn, std::size_t column) {
  std::size_t bottom = column;
  for (std::size_t r = column + 1; r < 3; ++r)
    if (drawn[r]) bottom = r;
  return bottom;
}

std::size_t firstColumn(const std::array<bool, 3>& drawn, std::size_t row) {
  std::size_t left = row;
  for (std::size_t c = row; c-- > 0;)
    if (drawn[c]) left = c;
  return left;
}

CornerLayout cornerLayout(const CornerFigure& corner, const Page& page) {
  // On a page too small for its text the panels would have no room: the
  // text shrinks until they have some, or until it is as small as it gets.
  CornerLayout layout = layoutAt(corner, page);
  while (narrowest(layout) < kLeastMap && layout.page.points * kShrink >= kSmallestPoints)
    layout = layoutAt(corner, shrunk(layout.page));
  return layout;
}

bool hasRoom(const CornerLayout& layout) { return narrowest(layout) >= kNarrowestMap; }

namespace {

CornerLayout layoutAt(const CornerFigure& corner, const Page& page) {
  CornerLayout layout;
  layout.page = page;
  for (std::size_t a = 0; a < 3; ++a)
    for (const CornerLayer& layer : corner.layers) layout.drawn[a] = layout.drawn[a] || layer.values[a].size() >= 2;
  layout.diagonalTop = corner.densities ? kDensityTop : kProfileTop;
  if (!corner.densities)
    for (const double level : profileLevels(corner)) layout.diagonalTop = std::max(layout.diagonalTop, 1.25 * level);
  const double width = 1 / emAcross(page), height = 1 / emUp(page);
  // What the texts need depends on the room they get: grow it until it holds.
  Needs needs;
  Grid g = gridOf(needs, width, height);
  for (int pass = 0; pass < 6; ++pass) {
    const Needs more = needsOf(corner, layout, g, needs.extraTop);
    if (more == needs) break;
    needs = {std::max(needs.leftTicks, more.leftTicks),
             std::max(needs.rightTicks, more.rightTicks),
             std::max(needs.yLines, more.yLines),
             std::max(needs.xLines, more.xLines),
             more.titleLines,
             more.extraTop};
    g = gridOf(needs, width, height);
  }
  layout.em = {emAcross(page), emUp(page)};
  for (std::size_t r = 0; r < 3; ++r)
    for (std::size_t c = 0; c < 3; ++c)
      layout.panels[r][c] = {g.left[c] / width, g.bottom[r] / height, g.right[c] / width, g.top[r] / height};
  const Sides sides = ticksOf(corner, layout, g, layout.diagonalTop);
  layout.xTicks = sides.x;
  layout.yTicks = sides.y;
  layout.diagonalTicks = sides.diagonal;
  placeTitles(corner, g, layout);
  placeAxisTitles(corner, g, needs, layout);
  placeUpperRight(corner, g, layout);
  return layout;
}

}  // namespace

std::vector<double> profileLevels(const CornerFigure& corner) {
  std::vector<double> levels;
  for (const CornerLayer& layer : corner.layers)
    for (const double level : layer.levels)
      if (std::isfinite(level) && level > 0 && std::find(levels.begin(), levels.end(), level) == levels.end())
        levels.push_back(level);
  return levels;
}

}  // namespace figure
