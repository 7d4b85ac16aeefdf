#include "figure/gnuplot_script.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "figure/key.h"
#include "figure/script_parts.h"
#include "figure/text_size.h"
#include "figure/ticks.h"
#include "fit/numbers.h"
#include "fit/profile.h"

namespace figure {
namespace {

using parts::text;

double largestOf(const std::vector<double>& values) {
  double largest = -INFINITY;
  for (const double v : values)
    if (v > largest) largest = v;
  return largest;
}

// Room in ems: between the page's edge and anything on it, between the
// x axis's title and the key; the room round a map's frame (tick labels,
// axis titles, the colour bar) that its length along an axis leaves out.
constexpr double kEdge = 0.4;
constexpr double kAboveKey = 0.8;
constexpr double kAroundFrame = 16;
// gnuplot keeps room beside a map's colour bar for labels of about four
// characters; wider ones push the bar's title off the page.
constexpr std::size_t kWidestBarLabel = 4;

// 10 to the power `power`, with the power raised: "10⁻⁵".
std::string powerOfTenText(int power) {
  static constexpr const char* kRaised[] = {"⁰", "¹", "²", "³", "⁴", "⁵", "⁶", "⁷", "⁸", "⁹"};
  std::string raised;
  for (const char c : std::to_string(std::abs(power))) raised += kRaised[c - '0'];
  return "10" + std::string(power < 0 ? "⁻" : "") + raised;
}

// The colour bar's labels where gnuplot's own would be too wide for the
// room it keeps: round values (0 to the bar's top) divided by the power of
// ten of the largest, which the title names ("Δχ²/10⁶").
struct BarLabels {
  std::string tics;  // the command that sets them; none where gnuplot's fit
  std::string unit;  // "/10⁶"; none where gnuplot's fit
  double scale = 1;
};

BarLabels barLabels(double top, const Page& page) {
  const std::vector<double> ticks = ticksOf({0, top, 1 / emUp(page) - kAroundFrame, false, false, -kLine / 2});
  std::size_t widest = 0;
  for (const double value : ticks) widest = std::max(widest, fit::shortText(value).size());
  if (widest <= kWidestBarLabel) return {};
  const int power = static_cast<int>(std::floor(std::log10(ticks.back())));
  const double scale = std::pow(10.0, power);
  if (!std::isnormal(scale)) return {};
  std::string list;
  for (const double value : ticks)
    list += (list.empty() ? "" : ", ") + parts::quoted(fit::shortText(value / scale)) + " " + text(value);
  return {"set cbtics (" + list + ")\n", "/" + powerOfTenText(power), scale};
}

// The colour scale of a map of one input.
std::string colourScale(const MapFigure& map, const Page& page) {
  const std::vector<double>& chiSquare = map.layers.front().chiSquare;
  const double span = largestOf(chiSquare) - fit::smallestOf(chiSquare);
  const bool capped = !std::isnan(map.colourCap);
  const double top = capped ? map.colourCap : span > 0 ? span : 1;
  const BarLabels labels = barLabels(top, page);
  const std::string stop = capped ? " (colours stop at " + fit::shortText(map.colourCap / labels.scale) + ")" : "";
  return parts::kPalette + ("set cbrange [0:" + text(top) + "]\n") + labels.tics + "set cblabel " +
         parts::quoted("Δχ²" + labels.unit + " above the minimum" + stop) + "\n";
}

// The key below the map: each level's line that the map reaches and the
// minimum (and the cells without a chi-square) on a dark box for one
// input's white contours over colours; each input's colour and the levels'
// dashes for several.
Key keyOf(const MapFigure& map, std::size_t missing) {
  std::vector<std::string> names;
  for (const MapLayer& layer : map.layers) names.push_back(layer.name);
  const bool several = names.size() > 1;
  Key key =
      contourKey(names, map.layers.front().contours, several ? std::vector<std::string>{} : levelsNotReached(map));
  if (!several && missing > 0)
    key.entries.push_back({.text = "no χ² (" + std::to_string(missing) + (missing == 1 ? " cell)" : " cells)"),
                           .colour = "#b0b0b0",
                           .patch = true});
  return key;
}

std::size_t missingCells(const MapFigure& map) {
  std::size_t missing = 0;
  for (const double c : map.layers.front().chiSquare)
    if (std::isnan(c)) ++missing;
  return missing;
}

// The key at the foot of the page, in as many columns (up to three) as its
// width holds.
Key keyBelow(const MapFigure& map, const Page& page) {
  Key key = keyOf(map, missingCells(map));
  const double width = 1 / emAcross(page);
  fitTexts(key, width - 2 * kEdge - 4);
  key.columns = columnsIn(key, width - 2 * kEdge, 3);
  return key;
}

// The lines under the frame: the tick labels, the axis title and the key.
int linesUnder(const Key& key) {
  return static_cast<int>(std::ceil((kEdge + sizeOf(key)[1] + kAboveKey + 3 * kLine) / kLine));
}

// The key centred at the foot of the page, and the room it takes.
std::string keyAtTheFoot(const Key& key, const Page& page, parts::Texts& texts) {
  const auto [across, up] = sizeOf(key);
  return keyCommands(key, {(1 / emAcross(page) - across) / 2 * emAcross(page), (kEdge + up) * emUp(page)},
                     {emAcross(page), emUp(page)}, 100, texts) +
         "set bmargin " + std::to_string(linesUnder(key)) + "\n";
}

// The map's axis, logarithmic with ticks that fit its length, or linear with
// gnuplot's.
std::string mapScale(const std::string& axis, const std::vector<const std::vector<double>*>& values, bool logarithmic,
                     double length) {
  if (!logarithmic) return "unset logscale " + axis + "; set " + axis + "tics autofreq\n";
  const auto [first, last] = parts::spanOf(values, true);
  return parts::scaleOf(axis, {first, last, length, axis == "x", true});
}

}  // namespace

std::optional<ImageFormat> formatOf(std::string_view output) {
  if (output == "-") return ImageFormat::Png;
  const auto dot = output.rfind('.');
  if (dot == std::string_view::npos || output.find('/', dot) != std::string_view::npos) return {};
  std::string extension;
  for (const char c : output.substr(dot + 1))
    extension += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (extension == "png") return ImageFormat::Png;
  if (extension == "svg") return ImageFormat::Svg;
  if (extension == "pdf") return ImageFormat::Pdf;
  return {};
}

std::vector<std::string> levelsNotReached(const MapFigure& map) {
  const MapLayer& layer = map.layers.front();
  const double span = largestOf(layer.chiSquare) - fit::smallestOf(layer.chiSquare);
  std::vector<std::string> texts;
  for (std::size_t l = 0; l < layer.contours.levels.size(); ++l)
    if (!(span > layer.contours.levels[l])) texts.push_back(layer.contours.texts[l]);
  return texts;
}

// The title's lines, each broken to fit the frame's width (gnuplot centres
// it over the frame, not the page).
std::vector<std::string> titleOf(const MapFigure& map, const Page& page) {
  std::vector<std::string> lines;
  for (const std::string& line : map.title)
    for (std::string& part : wrapped(line, 1 / emAcross(page) - kAroundFrame)) lines.push_back(std::move(part));
  return lines;
}

namespace {

// The frame's smaller side, in ems: the page's less the room round it (the
// tick labels, the axis titles and the colour bar beside it; the key, and
// the title with two lines of room, under and over it).
double frameSide(const MapFigure& map, const Page& page) {
  const double over = static_cast<double>(titleOf(map, page).size() + 2) * kLine;
  const double under = linesUnder(keyBelow(map, page)) * kLine;
  return std::min(1 / emAcross(page) - kAroundFrame, 1 / emUp(page) - under - over);
}

// The page with its text shrunk until the frame keeps kLeastMap ems a side,
// or as small as it gets.
Page mapPage(const MapFigure& map, const Page& page) {
  Page fitted = page;
  while (frameSide(map, fitted) < kLeastMap && fitted.points * kShrink >= kSmallestPoints) fitted = shrunk(fitted);
  return fitted;
}

}  // namespace

bool hasRoom(const MapFigure& map, const Page& page) { return frameSide(map, mapPage(map, page)) >= kNarrowestMap; }

std::string mapScript(const MapFigure& map, const Page& given, std::string_view keptFor) {
  const Page page = mapPage(map, given);
  const bool colours = map.layers.size() == 1;
  parts::Texts texts;
  std::string out;
  std::vector<std::string> ids;
  std::vector<const std::vector<double>*> xs, ys;
  for (std::size_t k = 0; k < map.layers.size(); ++k) {
    ids.push_back(k == 0 ? "0" : "0L" + std::to_string(k));
    out += parts::mapBlocks(ids.back(), map.layers[k], map.x.logarithmic, map.y.logarithmic);
    xs.push_back(&map.layers[k].x);
    ys.push_back(&map.layers[k].y);
  }
  out += "set terminal " + terminalOf(page) + "\n" + parts::outputTo(keptFor);
  out += "set title " + texts(titleOf(map, page)) + "\n";
  // One statement each: the texts are numbered as they are taken, and the
  // operands of one expression may be taken in either order.
  out += "set xlabel " + texts(map.x.label) + "\n";
  out += "set ylabel " + texts(map.y.label) + "\n";
  out += "set xrange " + parts::rangeOf(xs, map.x.logarithmic) + "\nset yrange " +
         parts::rangeOf(ys, map.y.logarithmic) + "\n";
  out += "set xtics out nomirror\nset ytics out nomirror\nset mxtics\nset mytics\n";
  if (map.x.logarithmic || map.y.logarithmic)
    out += mapScale("x", xs, map.x.logarithmic, 1 / emAcross(page) - kAroundFrame) +
           mapScale("y", ys, map.y.logarithmic, 1 / emUp(page) - kAroundFrame);
  if (colours) out += colourScale(map, page) + parts::kGreyBehind;
  out += "set border lw 1.2\nunset key\n" + keyAtTheFoot(keyBelow(map, page), page, texts);
  out += colours ? parts::colourPlot("0", map.layers.front()) : parts::linePlot(ids, map.layers);
  return parts::head(texts, keptFor) + out + "unset output\n";
}

}  // namespace figure
