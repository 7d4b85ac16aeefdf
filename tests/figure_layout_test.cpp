// The corner figure's layout at the sizes people draw it, and what it is built from: the room texts take, texts broken
// or cut to fit, ticks, the terminals. The layout test measures every text, tick label, panel, the key and the colour
// bar as the layout measures texts, and asks that nothing lies over anything else or off the page: a title band lower
// than its lines, a tick label at a panel's corner, a key over a panel all show as an overlap.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "figure/corner_layout.h"
#include "figure/gnuplot_script.h"
#include "figure/key.h"
#include "figure/page.h"
#include "figure/script_parts.h"
#include "figure/text_size.h"
#include "figure/ticks.h"
#include "fit/numbers.h"

namespace {

using figure::kLine;
using figure::widthOf;

struct Rect {
  double left, bottom, right, top;
  std::string what;
};

std::vector<double> steps(double first, double step, int count) {
  std::vector<double> values;
  for (int k = 0; k < count; ++k) values.push_back(first + k * step);
  return values;
}

// One input as chi2map-fit builds it, its headings as long as the example's.
figure::CornerLayer layerOf(const std::string& name, bool densities) {
  figure::CornerLayer layer;
  layer.name = name;
  layer.values = {steps(100, 12.5, 80), steps(0, 0.04, 26), steps(0.1, 0.1, 25)};
  layer.headings = {"T = 587.5 +117/-68.4 (1 sigma)", "YORP strength = 0.4516 +0.134/-0.133 (68.27%)", "f_KE = 1.2 +0.202/-0.278 (1 sigma)"};
  layer.levels = densities ? std::vector<double>{} : std::vector<double>{1, 4, 9};
  layer.contours = {{2.3, 6.18, 11.8}, {"2.30 (1 sigma)", "6.18 (2 sigma)", "11.8 (3 sigma)"}};
  for (std::size_t m = 0; m < 3; ++m) {
    const auto [x, y] = figure::kCornerMaps[m];
    for (const double u : layer.values[x])
      for (const double v : layer.values[y]) layer.maps[m].push_back(std::abs(u - layer.values[x][5]) + std::abs(v - layer.values[y][5]));
    layer.diagonal[m].assign(layer.values[m].size(), 1);
    layer.shaded[m] = {{layer.values[m][3], layer.values[m][7]}};
  }
  return layer;
}

// A text's box as the layout measures it.
Rect boxOf(const figure::Placed& text, const std::array<double, 2>& em) {
  const double along = widthOf(text.text), across = kLine;
  const double w = (text.upright ? across : along) * em[0], h = (text.upright ? along : across) * em[1];
  const double left = text.upright || text.align == 'c' ? text.x - w / 2 : text.align == 'r' ? text.x - w : text.x;
  return {left, text.y - h / 2, left + w, text.y + h / 2, "text '" + text.text + "'"};
}

// Where a value lies between an axis's ends, from 0 to 1.
double shareOf(double value, const figure::CornerFigure& corner, std::size_t axis) {
  std::vector<const std::vector<double>*> values;
  for (const figure::CornerLayer& layer : corner.layers) values.push_back(&layer.values[axis]);
  const auto [first, last] = figure::parts::spanOf(values, corner.axes[axis].logarithmic);
  return corner.axes[axis].logarithmic ? std::log(value / first) / std::log(last / first) : (value - first) / (last - first);
}

// The tick labels gnuplot draws: under the lowest panel of each column, left of the first map of each row,
// right of each diagonal panel.
void addTickLabels(const figure::CornerFigure& corner, const figure::CornerLayout& l, std::vector<Rect>& rects) {
  const auto [ex, ey] = l.em;
  for (std::size_t a = 0; a < 3; ++a) {
    if (!l.drawn[a]) continue;
    const figure::Box& low = l.panels[figure::lowestRow(l.drawn, a)][a];
    for (const double v : l.xTicks[a]) {
      const double x = low.left + shareOf(v, corner, a) * (low.right - low.left), w = widthOf(fit::shortText(v)) * ex;
      rects.push_back({x - w / 2, low.bottom - (figure::kXTickOut + kLine) * ey, x + w / 2, low.bottom - figure::kXTickOut * ey, "x tick " + fit::shortText(v)});
    }
    const figure::Box& first = l.panels[a][figure::firstColumn(l.drawn, a)];
    for (const double v : l.yTicks[a]) {
      const double y = first.bottom + shareOf(v, corner, a) * (first.top - first.bottom);
      rects.push_back({first.left - (figure::kYTickOut + widthOf(fit::shortText(v))) * ex, y - kLine / 2 * ey, first.left - figure::kYTickOut * ex, y + kLine / 2 * ey, "y tick " + fit::shortText(v)});
    }
    const figure::Box& diagonal = l.panels[a][a];
    for (const double v : l.diagonalTicks[a]) {
      const double y = diagonal.bottom + v / l.diagonalTop * (diagonal.top - diagonal.bottom);
      rects.push_back(
          {diagonal.right + figure::kY2TickOut * ex, y - kLine / 2 * ey, diagonal.right + (figure::kY2TickOut + widthOf(fit::shortText(v))) * ex, y + kLine / 2 * ey, "y2 tick " + fit::shortText(v)});
    }
  }
}

// The colour bar with its tick labels, and the key's box.
void addBarAndKey(const figure::CornerLayout& l, std::vector<Rect>& rects) {
  const auto [ex, ey] = l.em;
  if (l.colourBar) {
    rects.push_back({l.bar.left, l.bar.bottom, l.bar.right, l.bar.top, "colour bar"});
    for (const double v : l.barTicks) {
      const double x = l.bar.left + v / l.barTicks.back() * (l.bar.right - l.bar.left);
      const double w = widthOf(fit::shortText(v)) * ex;
      rects.push_back({x - w / 2, l.bar.bottom - (figure::kXTickOut + kLine) * ey, x + w / 2, l.bar.bottom - figure::kXTickOut * ey, "bar tick " + fit::shortText(v)});
    }
  }
  const auto [width, height] = figure::sizeOf(l.key);
  rects.push_back({l.keyAt[0], l.keyAt[1] - height * ey, l.keyAt[0] + width * ex, l.keyAt[1], "key"});
}

std::vector<Rect> everything(const figure::CornerFigure& corner, const figure::CornerLayout& l) {
  std::vector<Rect> rects;
  for (std::size_t r = 0; r < 3; ++r)
    for (std::size_t c = 0; c <= r; ++c)
      if (l.drawn[r] && l.drawn[c]) rects.push_back({l.panels[r][c].left, l.panels[r][c].bottom, l.panels[r][c].right, l.panels[r][c].top, "panel " + std::to_string(r) + "," + std::to_string(c)});
  for (const figure::Placed& text : l.texts) rects.push_back(boxOf(text, l.em));
  addTickLabels(corner, l, rects);
  addBarAndKey(l, rects);
  return rects;
}

void expectApartOnThePage(const std::vector<Rect>& rects, const std::string& at) {
  for (std::size_t i = 0; i < rects.size(); ++i) {
    const Rect& a = rects[i];
    EXPECT_TRUE(a.left >= -1e-12 && a.bottom >= -1e-12 && a.right <= 1 + 1e-12 && a.top <= 1 + 1e-12 && a.left < a.right && a.bottom < a.top) << a.what << " is empty or leaves the page, " << at;
    for (std::size_t j = i + 1; j < rects.size(); ++j) {
      const Rect& b = rects[j];
      // Lines one under another touch: a rounding's worth is no overlap.
      EXPECT_FALSE(std::min(a.right, b.right) - std::max(a.left, b.left) > 1e-12 && std::min(a.top, b.top) - std::max(a.bottom, b.bottom) > 1e-12) << a.what << " overlaps " << b.what << ", " << at;
    }
  }
}

// At every size, with one input or two (named shortly or at length), a long axis title, profiles or
// densities, a logarithmic axis: nothing overlaps, nothing leaves the page, every title keeps its
// value with its errors on one line, and the panels keep some room.
TEST(CornerLayout, NothingOverlapsAtAnySize) {
  const figure::Page pages[] = {figure::screenPage(figure::ImageFormat::Png, 1200, 1200),   figure::screenPage(figure::ImageFormat::Pdf, 800, 800),
                                figure::printPage(figure::ImageFormat::Png, 3.5, 3.5, 300), figure::printPage(figure::ImageFormat::Pdf, 7, 7, 300),
                                figure::printPage(figure::ImageFormat::Svg, 5, 5, 100),     figure::printPage(figure::ImageFormat::Png, 3.5, 3, 300),
                                figure::printPage(figure::ImageFormat::Pdf, 2, 2, 300),     figure::printPage(figure::ImageFormat::Png, 12, 4, 300)};
  const struct {
    std::vector<std::string> names;
    bool densities, logarithmic;
    std::string label;
    std::size_t single = 3;  // an axis of one value, or none
  } cases[] = {
      {.names = {"quorvi.res"}, .densities = false, .logarithmic = false, .label = "T"},
      {.names = {"quorvi.res"}, .densities = false, .logarithmic = false, .label = "T", .single = 2},
      {.names = {"shape A", "shape B"}, .densities = true, .logarithmic = true, .label = "T"},
      {.names = {"the shape model with the craters of the 2019 radar campaign", "other.res"}, .densities = false, .logarithmic = false, .label = "thermal inertia (J m^-2 s^-0.5 K^-1)"},
      {.names = {"quorvi.res"}, .densities = true, .logarithmic = true, .label = "thermal inertia (J m^-2 s^-0.5 K^-1)"},
  };
  for (const figure::Page& page : pages)
    for (const auto& row : cases) {
      figure::CornerFigure corner;
      corner.axes = {{{row.label, row.logarithmic}, {"YORP strength", false}, {"f_KE", false}}};
      for (const std::string& name : row.names) corner.layers.push_back(layerOf(name, row.densities));
      if (row.single < 3) corner.layers.front().values[row.single] = {1.5};
      corner.densities = row.densities;
      corner.notes = {"smallest χ² = 407.264", "profiles: Δχ² = 1 (1 sigma), 4 (2 sigma), 9 (3 sigma); shaded: 1 sigma"};
      corner.colourCap = 25;
      const figure::CornerLayout l = figure::cornerLayout(corner, page);
      const std::string at = fit::shortText(page.width) + "x" + fit::shortText(page.height) + " in, " + fit::shortText(l.page.points) + " pt, " + row.names.back();
      const std::vector<Rect> rects = everything(corner, l);
      expectApartOnThePage(rects, at);
      for (std::size_t a = 0; a < 3; ++a) {
        const std::string& heading = corner.layers.front().headings[a];
        const std::string valued = heading.substr(0, heading.find(" ("));
        EXPECT_TRUE(!l.drawn[a] || std::any_of(l.texts.begin(), l.texts.end(), [&](const figure::Placed& text) { return text.text.find(valued) != std::string::npos; }))
            << "no line holds " << valued << ", " << at;
      }
      // The figure reaches the page's margins and keeps 0.4 em from its edges, the key lies in the upper right, the
      // colour bar's ticks run near its cap, and an x axis title stands centred under its column.
      double left = 1, bottom = 1, right = 0, top = 0;
      for (const Rect& r : rects) std::tie(left, bottom, right, top) = std::tuple(std::min(left, r.left), std::min(bottom, r.bottom), std::max(right, r.right), std::max(top, r.top));
      EXPECT_TRUE(left < l.em[0] && top > 1 - l.em[1] && (!l.drawn[2] || (bottom < l.em[1] && right > 1 - l.em[0]))) << at;
      EXPECT_GE(std::min({left / l.em[0], bottom / l.em[1], (1 - right) / l.em[0], (1 - top) / l.em[1]}), 0.4 - 1e-9) << at;
      EXPECT_GE(l.keyAt[1] - figure::sizeOf(l.key)[1] * l.em[1], l.panels[0][0].bottom - 1e-12) << at;
      EXPECT_TRUE(!l.colourBar || (l.barTicks.back() <= corner.colourCap && 2 * l.barTicks.back() > corner.colourCap)) << at;
      // A title that fits over its panel is centred there; of two inputs, the first's lines are on top.
      for (const figure::Placed& text : l.texts)
        for (std::size_t a = 0; a < 3; ++a) {
          const figure::Box& lowest = l.panels[figure::lowestRow(l.drawn, a)][a];
          EXPECT_TRUE(!l.drawn[a] || text.upright || text.text != corner.axes[a].label || (text.y > lowest.bottom - 3 * kLine * l.em[1] && std::abs(text.x - (lowest.left + lowest.right) / 2) < 1e-12))
              << at;
          const figure::Box& panel = l.panels[a][a];
          const bool fits = text.text.find(corner.layers.front().headings[a]) != std::string::npos && widthOf(text.text) * l.em[0] <= panel.right - panel.left;
          EXPECT_TRUE(!fits || (text.align == 'c' && std::abs(text.x - (panel.left + panel.right) / 2) < 1e-12)) << text.text << ", " << at;
        }
      for (const figure::Placed& first : l.texts)
        for (const figure::Placed& second : l.texts)
          EXPECT_TRUE(first.colour != figure::parts::layerColour(0) || second.colour != figure::parts::layerColour(1) || first.x != second.x || first.y > second.y) << first.text << ", " << at;
      EXPECT_GE(std::min((l.panels[0][0].right - l.panels[0][0].left) / l.em[0], (l.panels[0][0].top - l.panels[0][0].bottom) / l.em[1]), 8) << at;
      EXPECT_GE(l.page.points, 3) << at;
      EXPECT_LE(l.page.points, page.points) << at;
    }
}

// Three inputs' notes leave a wide, low page's upper right too low for the key: it stands in the empty cell right of the second diagonal
// panel, clear of that panel's scale. On 1 x 1 inch the figure has no room. A fourth input's key, too tall for a column's upper right, stands in columns there.
TEST(CornerLayout, AKeyTheUpperRightCannotHoldStandsBesideTheSecondDiagonal) {
  figure::CornerFigure corner;
  corner.axes = {{{"T", false}, {"YORP strength", false}, {"f_KE", false}}};
  for (const char* name : {"a.res", "b.res", "c.res"}) corner.layers.push_back(layerOf(name, false));
  corner.notes = {"smallest χ² = 407.264 (a.res), 1221.79 (b.res), 2000.1 (c.res)"};
  for (const char* name : {"a.res", "b.res", "c.res"})
    corner.notes.push_back(std::string(name) + ": profiles: Δχ² = 12.2179 (1 sigma x 12.2179), 48.87 (2 sigma x 12.2179); shaded: 1 sigma x 12.2179");
  const figure::CornerLayout l = figure::cornerLayout(corner, figure::printPage(figure::ImageFormat::Png, 12, 4, 300));
  expectApartOnThePage(everything(corner, l), "12x4 in");
  const figure::Box& diagonal = l.panels[1][1];
  EXPECT_TRUE(l.keyAt[0] > diagonal.right && l.keyAt[1] <= diagonal.top && l.keyAt[1] - figure::sizeOf(l.key)[1] * l.em[1] >= diagonal.bottom);
  // The text and the marks shrink together, to 3 points and no further; the panels then have no room.
  const figure::Page inch = figure::printPage(figure::ImageFormat::Png, 1, 1, 300), shrunk = figure::cornerLayout(corner, inch).page;
  EXPECT_TRUE(shrunk.points >= 3 && shrunk.points < 3 / 0.9 && std::abs(shrunk.marks / shrunk.points - inch.marks / inch.points) < 1e-15);
  EXPECT_TRUE(figure::hasRoom(l) && !figure::hasRoom(corner, inch));
  corner.layers.push_back(layerOf("d.res", false));
  corner.notes = {"a.res: smallest χ² = 407.264", "b.res: ...", "c.res: ...", "d.res: ...", "profiles: Δχ² = 1 (1 sigma), 4 (2 sigma), 9 (3 sigma); shaded: 1 sigma"};
  expectApartOnThePage(everything(corner, figure::cornerLayout(corner, figure::printPage(figure::ImageFormat::Png, 3.5, 3.5, 300))), "3.5 in");
}

// A long upright axis title reads from its first line, the one furthest out, on the page; the diagonal panels' scale
// is Δχ² beside profiles and density beside densities.
TEST(CornerLayout, UprightTitles) {
  const std::string label = "YORP strength, doubled, of the shape model with its craters";
  for (const bool densities : {false, true}) {
    figure::CornerFigure corner;
    corner.axes = {{{"T", false}, {label, false}, {"f_KE", false}}};
    corner.layers = {layerOf("quorvi.res", densities)};
    corner.densities = densities;
    corner.colourCap = 25;
    const figure::CornerLayout l = figure::cornerLayout(corner, figure::printPage(figure::ImageFormat::Png, 3.5, 3.5, 300));
    std::vector<double> lines;
    std::vector<std::string> scales;
    std::vector<std::pair<std::size_t, double>> across;  // the x title's lines: where each begins in it, its height
    for (const figure::Placed& text : l.texts) {
      if (!text.upright && label.find(text.text) != std::string::npos) across.emplace_back(label.find(text.text), -text.y);
      if (!text.upright) continue;
      EXPECT_GE(text.x - l.em[0] / 2, 0) << text.text << " leaves the page";
      if (label.find(text.text) != std::string::npos) lines.push_back(text.x);
      if (text.text == "Δχ²" || text.text == "density (peak 1)") scales.push_back(text.text);
    }
    ASSERT_GE(lines.size(), 2U) << "the title is not broken";
    EXPECT_TRUE(std::is_sorted(lines.begin(), lines.end())) << "its first line is not the furthest out";
    std::sort(across.begin(), across.end());
    EXPECT_TRUE(across.size() >= 2 && std::is_sorted(across.begin(), across.end(), [](auto a, auto b) { return a.second < b.second; })) << "the x title's first line is not on top";
    EXPECT_EQ(scales, std::vector<std::string>(3, densities ? "density (peak 1)" : "Δχ²"));
  }
}

// The terminal of each page: its size, and a font that draws the text at the page's points (pdfcairo draws a
// font point as 2/3 of a point, an SVG a font unit as a pixel at 100 an inch). The screen figures' terminals
// are the ones the tools always had.
TEST(Page, TerminalsDrawTheTextAtItsPoints) {
  const struct {
    figure::Page page;
    const char* terminal;
  } rows[] = {
      {.page = figure::screenPage(figure::ImageFormat::Png, 1200, 1200), .terminal = "pngcairo size 1200,1200 noenhanced font 'DejaVu Sans,11'"},
      {.page = figure::screenPage(figure::ImageFormat::Png, 1000, 750), .terminal = "pngcairo size 1000,750 noenhanced font 'DejaVu Sans,11'"},
      {.page = figure::screenPage(figure::ImageFormat::Pdf, 800, 800), .terminal = "pdfcairo size 8in,8in noenhanced font 'DejaVu Sans,8'"},
      {.page = figure::screenPage(figure::ImageFormat::Svg, 1200, 1200), .terminal = "svg size 1200,1200 noenhanced font 'DejaVu Sans,11' background '#ffffff'"},
      {.page = figure::printPage(figure::ImageFormat::Png, 3.5, 3.5, 300), .terminal = "pngcairo size 1050,1050 noenhanced font 'DejaVu Sans,5' fontscale 3.125 linewidth 1.42 pointscale 1.42"},
      {.page = figure::printPage(figure::ImageFormat::Pdf, 3.5, 2.625, 300), .terminal = "pdfcairo size 3.5in,2.625in noenhanced font 'DejaVu Sans,7.5' pointscale 0.455"},
      {.page = figure::printPage(figure::ImageFormat::Pdf, 7, 7, 300), .terminal = "pdfcairo size 7in,7in noenhanced font 'DejaVu Sans,10.5' pointscale 0.636"},
      {.page = figure::printPage(figure::ImageFormat::Svg, 20, 1, 300), .terminal = "svg size 2000,100 noenhanced font 'DejaVu Sans,13.89' background '#ffffff'"},
      {.page = figure::printPage(figure::ImageFormat::Png, 1, 1, 300), .terminal = "pngcairo size 300,300 noenhanced font 'DejaVu Sans,5' fontscale 3.125 linewidth 1.42 pointscale 1.42"},
  };
  for (const auto& row : rows) EXPECT_EQ(figure::terminalOf(row.page), row.terminal);
  // Text from 5 points (up to 5 inches wide) to 10 (from 10 inches): an em of the column figure is 1/50 of it.
  EXPECT_DOUBLE_EQ(figure::emAcross(figure::printPage(figure::ImageFormat::Pdf, 3.5, 3.5, 300)), 5 / (72 * 3.5));
  EXPECT_DOUBLE_EQ(figure::printPage(figure::ImageFormat::Pdf, 10.5, 3, 300).points, 10);
  EXPECT_DOUBLE_EQ(figure::printPage(figure::ImageFormat::Pdf, 6.5, 3, 300).points, 6.5);
}

// Ticks at round numbers as close as their labels allow, none at a panel's end (where a neighbour's label
// is), none on an axis without room or range.
TEST(Ticks, RoundNumbersWhoseLabelsFit) {
  const struct {
    figure::TickAxis axis;
    std::vector<double> ticks;
  } rows[] = {
      // A profile's height: 0 and the top go unlabelled, at most seven intervals; stacked labels 1.46 em apart are too close.
      {.axis = {.first = 0, .last = 12, .length = 23, .across = false}, .ticks = {2, 4, 6, 8, 10}},
      {.axis = {.first = 0, .last = 12, .length = 7, .across = false}, .ticks = {5, 10}},
      // Labels side by side need their widths and a gap: 2.5 times a power of ten where 2 is too close.
      {.axis = {.first = 50, .last = 1100, .length = 23}, .ticks = {200, 400, 600, 800, 1000}},
      {.axis = {.first = 50, .last = 1100, .length = 13.7}, .ticks = {200, 400, 600, 800}},
      {.axis = {.first = 50, .last = 1100, .length = 12}, .ticks = {250, 500, 750}},
      {.axis = {.first = -0.02, .last = 1.02, .length = 30}, .ticks = {0, 0.2, 0.4, 0.6, 0.8, 1}},
      {.axis = {.first = -3, .last = -1, .length = 20}, .ticks = {-2.5, -2, -1.5}},
      // Exactly seven intervals, and a label exactly at its inset, still fit.
      {.axis = {.first = 0, .last = 7, .length = 14, .across = false}, .ticks = {1, 2, 3, 4, 5, 6}},
      {.axis = {.first = 0, .last = 11, .length = 23, .across = false, .inset = 2.0 / 11 * 23 - figure::kLine / 2}, .ticks = {2, 4, 6, 8}},
      // A colour bar's labels may reach past its ends.
      {.axis = {.first = 0, .last = 25, .length = 18, .inset = -1}, .ticks = {0, 5, 10, 15, 20, 25}},
      // Logarithmic: 1, 2 and 5 times the powers of ten, else fewer, else every other power.
      {.axis = {.first = 30, .last = 3000, .length = 30, .logarithmic = true}, .ticks = {50, 100, 200, 500, 1000, 2000}},
      {.axis = {.first = 0.1, .last = 1e5, .length = 75, .logarithmic = true}, .ticks = {1, 10, 100, 1000, 10000}},
      {.axis = {.first = 1, .last = 1e12, .length = 20, .logarithmic = true}, .ticks = {1000, 1e+06, 1e+09}},
      {.axis = {.first = 1, .last = 30, .length = 3, .logarithmic = true}, .ticks = {10}},  // one label: a power of ten, not 3 or 5
      // 27 decades: every third power gives more than seven intervals, every fourth fits.
      {.axis = {.first = 1e-13, .last = 1e14, .length = 40, .logarithmic = true}, .ticks = {1e-09, 1e-05, 0.1, 1000, 1e+07, 1e+11}},
      // A colour bar ending on a power of ten is labelled there.
      {.axis = {.first = 1, .last = 1000, .length = 30, .logarithmic = true, .inset = -1.5}, .ticks = {1, 3, 10, 30, 100, 300, 1000}},
      // Nothing to label: no range, no room, no numbers, a logarithmic axis through zero or from below the
      // smallest power of ten a double holds; and labels that would read the same give one.
      {.axis = {.first = 5, .last = 5, .length = 20}, .ticks = {}},
      {.axis = {.first = 0, .last = 1, .length = 0.5}, .ticks = {}},
      {.axis = {.first = 0, .last = NAN, .length = 20}, .ticks = {}},
      {.axis = {.first = -INFINITY, .last = 1, .length = 20}, .ticks = {}},
      {.axis = {.first = 0, .last = 10, .length = 20, .logarithmic = true}, .ticks = {}},
      {.axis = {.first = 5e-324, .last = 1, .length = 20, .logarithmic = true}, .ticks = {}},
      {.axis = {.first = 1e15, .last = 1e15 + 2, .length = 20}, .ticks = {1e15}},
  };
  const auto texts = [](const std::vector<double>& ticks) {
    std::vector<std::string> out;
    for (const double v : ticks) out.push_back(fit::shortText(v));
    return out;
  };
  for (const auto& row : rows) EXPECT_EQ(texts(figure::ticksOf(row.axis)), texts(row.ticks)) << row.axis.first << ".." << row.axis.last << " in " << row.axis.length;
  EXPECT_EQ(figure::ticsCommand("y2", {2, 4}), "set y2tics (2, 4)\n");
  EXPECT_EQ(figure::ticsCommand("x", {}), "unset xtics\n");
}

// The room a text takes in DejaVu Sans, and texts made to fit: a name with its value and what is in
// parentheses stay together, a word too long is cut, never inside a UTF-8 character.
TEST(TextSize, WidthsBreaksAndCuts) {
  EXPECT_DOUBLE_EQ(widthOf(""), 0);
  EXPECT_DOUBLE_EQ(widthOf("10"), 1.272);
  EXPECT_DOUBLE_EQ(widthOf(" ~"), 0.318 + 0.838);
  EXPECT_DOUBLE_EQ(widthOf("Δχ²"), 3);  // each character beyond ASCII a whole em, as wide as the widest
  const struct {
    std::string text;
    double width;
    std::vector<std::string> lines;
  } rows[] = {
      {.text = "T = 587.5 +117/-68.4 (1 sigma)", .width = 30, .lines = {"T = 587.5 +117/-68.4 (1 sigma)"}},
      {.text = "T = 587.5 +117/-68.4 (1 sigma)", .width = 12, .lines = {"T = 587.5 +117/-68.4", "(1 sigma)"}},
      {.text = "T = 587.5 +117/-68.4 (1 sigma)", .width = 8, .lines = {"T = 587.5", "+117/-68.4", "(1 sigma)"}},
      {.text = "thermal inertia (J m^-2 s^-0.5 K^-1)", .width = 12, .lines = {"thermal inertia", "(J m^-2 s^-0.5 K^-1)"}},
      {.text = "thermal inertia (J m^-2 s^-0.5 K^-1)", .width = 8, .lines = {"thermal inertia", "(J m^-2 s^-0.5", "K^-1)"}},
      {.text = "thermal inertia (J m^-2 s^-0.5 K^-1)", .width = 7, .lines = {"thermal", "inertia (J", "m^-2 s^-0.5", "K^-1)"}},
      {.text = "  a   b  ", .width = 30, .lines = {"a b"}},
      {.text = "a b", .width = widthOf("ab"), .lines = {"a", "b"}},  // no room for the blank
      // A stray closing parenthesis (the end of a unit) does not stop the breaks after it.
      {.text = "K^-1) T = 587.5 (1 sigma)", .width = 5, .lines = {"K^-1)", "T = 587.5", "(1 sigma)"}},
      // ... nor lets a later parenthesis be split.
      {.text = "K^-1) T = 587.5 (1 sigma)", .width = 7, .lines = {"K^-1)", "T = 587.5", "(1 sigma)"}},
      {.text = "", .width = 10, .lines = {""}},
      {.text = "abcdefghijkl", .width = 4, .lines = {"abcd..."}},
      // Exactly as wide as the room: one line, nothing cut.
      {.text = "ab cd", .width = widthOf("ab cd"), .lines = {"ab cd"}},
      {.text = "abcdefghijkl", .width = widthOf("abcdefghijkl"), .lines = {"abcdefghijkl"}},
  };
  for (const auto& row : rows) EXPECT_EQ(figure::wrapped(row.text, row.width), row.lines) << row.text << " in " << row.width;
  EXPECT_EQ(figure::shortened("quorvi.res", 10), "quorvi.res");
  EXPECT_EQ(figure::shortened("χχχχχχ", 4.1), "χχχ...");
  EXPECT_EQ(figure::shortened("abc", 0.1), "...");
}

// The names of the inputs in the key only where there are several (one input's has the minimum); each
// level's line but those left out.
TEST(Key, InputNamesOnlyOfSeveral) {
  const figure::Contours contours{{2.3, 6.18}, {"2.30", "6.18"}};
  const auto texts = [](const figure::Key& key) {
    std::vector<std::string> out;
    for (const figure::KeyEntry& entry : key.entries) out.push_back(entry.text);
    return out;
  };
  EXPECT_EQ(texts(figure::contourKey({"quorvi.res"}, contours)), (std::vector<std::string>{"Δχ² = 2.30", "Δχ² = 6.18", "minimum"}));
  EXPECT_EQ(texts(figure::contourKey({"a.res", "b.res"}, contours, {"6.18"})), (std::vector<std::string>{"a.res", "b.res", "Δχ² = 2.30"}));
  EXPECT_TRUE(figure::contourKey({"quorvi.res"}, contours).dark);
  // Level lines white on one input's dark key, dark grey on several inputs' white one.
  EXPECT_EQ(figure::contourKey({"quorvi.res"}, contours).entries[0].colour, "white");
  EXPECT_EQ(figure::contourKey({"a.res", "b.res"}, contours).entries[2].colour, "#404040");
  // Five dashes, then the first again; a key of two columns is as tall as its longer one.
  const figure::Contours six{{1, 2, 3, 4, 5, 6}, {"1", "2", "3", "4", "5", "6"}};
  figure::Key key = figure::contourKey({"a.res", "b.res"}, six);
  std::vector<int> dashes;
  for (const figure::KeyEntry& entry : key.entries) dashes.push_back(entry.dash);
  EXPECT_EQ(dashes, (std::vector<int>{1, 1, 1, 2, 3, 4, 5, 1}));
  EXPECT_GT(key.entries[0].width, key.entries[1].width) << "each input's line as wide as its map's";
  key.columns = 3;
  EXPECT_DOUBLE_EQ(figure::sizeOf(key)[1], 1 + 3 * figure::kLine);
  key.entries.pop_back();
  key.columns = 2;
  EXPECT_DOUBLE_EQ(figure::sizeOf(key)[1], 1 + 4 * figure::kLine);
  // Columns as the width holds them, up to the most asked for and never more than the entries.
  figure::Key two = figure::contourKey({"quorvi.res"}, {{2.3}, {"2.30"}});
  figure::fitTexts(two, 100);
  const double column = figure::sizeOf(two)[0] - 1;  // one column's width, the padding left out
  EXPECT_EQ(figure::columnsIn(two, 1000, 3), 2U);
  EXPECT_EQ(figure::columnsIn(two, 1000, 1), 1U);
  EXPECT_EQ(figure::columnsIn(two, 1 + 2 * column + 1.2, 3), 2U);
  EXPECT_EQ(figure::columnsIn(two, 1 + 2 * column + 1.19, 3), 1U);
}

// A key fills its columns one after another, top to bottom, each text inside the box and clear of the next
// column; a dark key's texts are white; the minimum has a dot and no line.
TEST(Key, ColumnsFillDownwardsAndDarkKeysWriteWhite) {
  for (const bool dark : {true, false}) {
    figure::Key key = figure::contourKey({"quorvi.res"}, {{2.3, 6.18}, {"2.30", "6.18"}});
    key.dark = dark;
    key.columns = 2;
    figure::fitTexts(key, 100);
    figure::parts::Texts texts;
    std::vector<std::array<double, 2>> places;  // each entry's text
    std::vector<double> ends;                   // the levels' samples (the minimum has a dot alone): where each ends
    double right = 0;                           // the box's
    std::size_t dots = 0;
    std::istringstream commands(figure::keyCommands(key, {0.5, 0.5}, {0.01, 0.01}, 100, texts));
    for (std::string line; std::getline(commands, line);) {
      if (line.rfind("set object 100 ", 0) == 0) right = std::stod(line.substr(line.find(" to screen ") + 11));
      if (line.rfind("set arrow ", 0) == 0) ends.push_back(std::stod(line.substr(line.find(" to screen ") + 11)));
      dots += line.find(" point pt 7 ") != std::string::npos ? 1U : 0U;
      if (line.rfind("set label 6", 0) != 0) continue;
      EXPECT_EQ(line.find("textcolor rgb 'white'") != std::string::npos, dark) << line;
      const std::size_t x = line.find(" at screen ") + 11, y = line.find(", screen ", x) + 9;
      places.push_back({std::stod(line.substr(x)), std::stod(line.substr(y))});
    }
    ASSERT_EQ(places.size(), 3U);
    ASSERT_EQ(ends.size(), 2U);
    EXPECT_EQ(dots, 1U) << "a dot for the minimum alone";
    EXPECT_TRUE(places[0][0] > ends[0] && places[1][1] - figure::kLine / 2 * 0.01 >= 0.5 - figure::sizeOf(key)[1] * 0.01) << "texts after their samples, within the box";
    EXPECT_EQ(places[0][0], places[1][0]);
    EXPECT_GT(places[0][1], places[1][1]);
    EXPECT_GT(places[2][0], places[0][0]);
    EXPECT_EQ(places[2][1], places[0][1]);
    // Measured on the texts themselves: a key as wide as it says it is may still be narrower than its texts.
    const double widest = std::max(widthOf(key.entries[0].text), widthOf(key.entries[1].text));
    EXPECT_LE(places[2][0] + widthOf(key.entries[2].text) * 0.01, right);
    EXPECT_LT(places[0][0] + widest * 0.01, places[2][0] - 2.6 * 0.01);
  }
}

// Two inputs whose ranges coincide: each range is marked by a bar of its input's colour at a height of its
// own, away from the curves (at the top of profiles, the bottom of densities), and each input's lines are
// thinner than the one's before, so that neither hides the other.
TEST(CornerScript, CoincidingInputsBothShow) {
  for (const bool densities : {false, true}) {
    figure::CornerFigure corner;
    corner.axes = {{{"T", false}, {"YORP strength", false}, {"f_KE", false}}};
    corner.layers = {layerOf("shape A", densities), layerOf("shape B", densities)};
    corner.densities = densities;
    corner.notes = {"smallest χ² = 407.264"};
    const std::string script = figure::cornerScript(corner, figure::printPage(figure::ImageFormat::Png, 3.5, 3.5, 300));
    std::vector<std::string> bars;  // the marks of T's range, from 137.5 to 187.5
    for (std::size_t at = script.find("set arrow "); at != std::string::npos; at = script.find("set arrow ", at + 1)) {
      const std::string line = script.substr(at, script.find('\n', at) - at);
      if (line.find(" from 137.5, graph ") != std::string::npos && line.find(" to 187.5, graph ") != std::string::npos) bars.push_back(line);
    }
    ASSERT_EQ(bars.size(), 2U) << script;
    EXPECT_NE(bars[0].find("lc rgb '" + figure::parts::layerColour(0) + "'"), std::string::npos) << bars[0];
    EXPECT_NE(bars[1].find("lc rgb '" + figure::parts::layerColour(1) + "'"), std::string::npos) << bars[1];
    EXPECT_NE(bars[0].substr(0, bars[0].find(" to ")), bars[1].substr(0, bars[1].find(" to ")));
    for (const std::string& bar : bars) EXPECT_EQ(std::stod(bar.substr(bar.find(", graph ") + 8)) < 0.5, densities) << bar;
    // Each input's range shaded in its colour, seen through; the first input's line the wider.
    for (std::size_t k = 0; k < 2; ++k)
      EXPECT_NE(script.find(" rectangle from 137.5, graph 0 to 187.5, graph 1 behind fillcolor rgb '" + figure::parts::layerColour(k) + "' fillstyle transparent solid 0.12 "), std::string::npos) << k;
    const auto width = [&](const char* data) { return std::stod(script.substr(script.find(" lw ", script.find(std::string(data) + " using 1:2 axes x1y2")) + 4)); };
    EXPECT_GT(width("$P0_0"), width("$P0_1"));
    // What a diagonal panel shades, and marks, it unsets before the next panel.
    for (const std::string what : {"object", "arrow"}) {
      std::size_t set = 0, unset = 0;
      for (std::size_t at = script.find("set " + what + " 2"); at != std::string::npos; at = script.find("set " + what + " 2", at + 1))
        (at >= 2 && script.compare(at - 2, 2, "un") == 0 ? unset : set) += 1;
      EXPECT_EQ(set, unset) << what;
      EXPECT_GT(set, 0U) << what;
    }
  }
  EXPECT_GT(figure::parts::layerWidth(0), figure::parts::layerWidth(1));
  // Eight colours, then the first again.
  std::set<std::string> colours;
  for (std::size_t k = 0; k < 8; ++k) colours.insert(figure::parts::layerColour(k));
  EXPECT_EQ(colours.size(), 8U);
  EXPECT_EQ(figure::parts::layerColour(8), figure::parts::layerColour(0));
}

// The script draws the texts as laid out: the notes begin at their place, the upright titles are turned,
// several inputs' titles have their colours; one input's colour bar lies across, as laid out.
TEST(CornerScript, TextsAndBarAsLaidOut) {
  for (const std::size_t inputs : {1U, 2U}) {
    figure::CornerFigure corner;
    corner.axes = {{{"T", false}, {"YORP strength", false}, {"f_KE", false}}};
    corner.layers = {layerOf("shape A", false)};
    if (inputs == 2) corner.layers.push_back(layerOf("shape B", false));
    corner.notes = {"smallest χ² = 407.264"};
    const figure::Page page = figure::printPage(figure::ImageFormat::Png, 3.5, 3.5, 300);
    const std::string script = figure::cornerScript(corner, page);
    std::size_t upright = 0, turned = 0;
    for (const figure::Placed& text : figure::cornerLayout(corner, page).texts) upright += text.upright ? 1U : 0U;
    for (std::size_t at = script.find(" rotate by 90"); at != std::string::npos; at = script.find(" rotate by 90", at + 1)) ++turned;
    EXPECT_EQ(turned, upright);
    EXPECT_GT(upright, 0U);
    // The note's line of the text block, and the label that shows it.
    const std::size_t block = script.find("$T << EOD\n"), note = script.find("|smallest χ² = 407.264\n");
    ASSERT_NE(note, std::string::npos);
    const auto line = std::count(script.begin() + static_cast<std::ptrdiff_t>(block), script.begin() + static_cast<std::ptrdiff_t>(note), '\n');
    const std::size_t label = script.find("$T[" + std::to_string(line) + "][2:] at screen ");
    ASSERT_NE(label, std::string::npos);
    EXPECT_NE(script.substr(label, script.find('\n', label) - label).find(" left "), std::string::npos) << "the note begins at its place";
    for (const std::size_t k : {0U, 1U})
      EXPECT_EQ(script.find("textcolor rgb '" + figure::parts::layerColour(k) + "'") != std::string::npos, inputs == 2) << "one input's texts take no colour of their own";
    EXPECT_EQ(script.find("set colorbox user horizontal ") != std::string::npos, inputs == 1);
    const std::size_t size = script.find(" size screen ", script.find("set colorbox user horizontal "));
    const figure::Box bar = figure::cornerLayout(corner, page).bar;
    const double width = bar.right - bar.left, height = bar.top - bar.bottom;
    EXPECT_TRUE(inputs == 2 || (std::stod(script.substr(size + 13)) == width && std::stod(script.substr(script.find(", screen ", size) + 9)) == height && width > 10 * height)) << "as laid out";
    for (figure::CornerLayer& layer : corner.layers) layer.headings = {"T = 5", "Y = 4", layer.headings[2]};
    EXPECT_EQ(figure::cornerScript(corner, page).find("|shape A: T = 5\n") != std::string::npos, inputs == 2) << "two inputs' titles named where they fit from the page's edge";
  }
}

// Each map of the corner figure has its column's parameter across and its row's up, with their scales and ranges;
// each diagonal panel has its own scale.
TEST(CornerScript, EachPanelHasItsAxesScalesAndRanges) {
  figure::CornerFigure corner;
  corner.axes = {{{"T", true}, {"YORP strength", false}, {"f_KE", false}}};
  corner.layers = {layerOf("shape A", false)};
  const std::string script = figure::cornerScript(corner, figure::printPage(figure::ImageFormat::Png, 3.5, 3.5, 300));
  for (std::size_t m = 0; m < 3; ++m) {
    const std::size_t plot = script.find("plot $B" + std::to_string(m) + " using"), start = script.rfind("set lmargin", plot);
    ASSERT_NE(plot, std::string::npos) << m;
    const std::string panel = script.substr(start, plot - start);
    std::size_t axis = 0;
    for (const std::size_t a : figure::kCornerMaps[m]) {
      const std::string name = axis++ == 0 ? "x" : "y";
      EXPECT_EQ(panel.find("\nset logscale " + name + "\n") != std::string::npos, corner.axes[a].logarithmic) << m << name;
      const std::size_t range = panel.find("set " + name + "range [") + 12;
      const std::vector<double>& values = corner.layers[0].values[a];
      EXPECT_LT(std::stod(panel.substr(range)), values.front()) << m << name;
      EXPECT_GT(std::stod(panel.substr(panel.find(':', range) + 1)), values.back()) << m << name;
    }
  }
  // Each diagonal panel draws its profile against its own scale on the right, ticked within it.
  std::size_t scales = 0;
  for (std::size_t at = script.find("set y2range [0:"); at != std::string::npos; at = script.find("set y2range [0:", at + 1), ++scales) {
    const double top = std::stod(script.substr(at + 15));
    const std::size_t tics = script.find("set y2tics (", at);
    ASSERT_LT(tics, script.find("plot ", at)) << "no ticks of its own";
    for (std::size_t tic = tics + 11; script[tic] != ')'; tic = script.find_first_of(",)", tic + 1)) EXPECT_LE(std::stod(script.substr(tic + 1)), top);
  }
  EXPECT_EQ(scales, 3U);
  for (const char* p : {"$P0_0", "$P1_0", "$P2_0"}) EXPECT_NE(script.find(std::string(p) + " using 1:2 axes x1y2 "), std::string::npos) << p;
}

// Each text is one line of the script's text block, behind a bar and with its control bytes shown as
// escapes, so that no text (a file name with a line break) ends the block or splits a line.
TEST(FigureTexts, EachTextIsOneLineOfItsBlock) {
  figure::parts::Texts texts;
  EXPECT_EQ(texts("a\nEOD\tb"), "$T[1][2:]");
  EXPECT_EQ(texts(std::vector<std::string>{"x", "  y"}), "$T[2][2:] . \"\\n\" . $T[3][2:]");
  EXPECT_EQ(texts(std::vector<std::string>{}), "''");
  EXPECT_EQ(texts.block(), "$T << EOD\n|a\\nEOD\\tb\n|x\n|  y\nEOD\n");
}

// An input with a single value of a parameter has no part in the maps of that parameter: only the other map shows it.
TEST(CornerScript, AnInputWithOneValueIsLeftOutOfItsMaps) {
  figure::CornerFigure corner;
  corner.axes = {{{"T", false}, {"YORP strength", false}, {"f_KE", false}}};
  figure::CornerLayer single = layerOf("shape B", false);
  single.values[0] = {137.5};
  for (std::size_t m = 0; m < 3; ++m) {
    const auto [x, y] = figure::kCornerMaps[m];
    single.maps[m].assign(single.values[x].size() * single.values[y].size(), 1.0);
  }
  corner.layers = {layerOf("shape A", false), single};
  const std::string script = figure::cornerScript(corner, figure::printPage(figure::ImageFormat::Png, 3.5, 3.5, 300));
  for (std::size_t m = 0; m < 3; ++m) {
    const auto [x, y] = figure::kCornerMaps[m];
    const bool shown = x != 0 && y != 0;
    EXPECT_EQ(script.find("$G" + std::to_string(m) + "L1 << EOD") != std::string::npos, shown) << m;
    EXPECT_NE(script.find("$G" + std::to_string(m) + " << EOD"), std::string::npos) << m;
  }
  // Where every input has a single T, T has no panels: two diagonal panels, and the f_KE row's first map
  // (of YORP strength) labels its y axis.
  corner.layers = {single};
  const std::string alone = figure::cornerScript(corner, figure::printPage(figure::ImageFormat::Png, 3.5, 3.5, 300));
  std::size_t diagonals = 0;
  for (std::size_t at = alone.find("set y2range"); at != std::string::npos; at = alone.find("set y2range", at + 1)) ++diagonals;
  EXPECT_EQ(diagonals, 2U);
  EXPECT_NE(alone.find("set format y '%g'"), std::string::npos);
}

}  // namespace
