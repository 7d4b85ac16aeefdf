#include "figure/gnuplot_script.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "figure/script_parts.h"
#include "fit/numbers.h"

namespace figure {
namespace {

using parts::text;

double largestOf(const std::vector<double>& values) {
  double largest = -INFINITY;
  for (const double v : values)
    if (v > largest) largest = v;
  return largest;
}

// The colour scale of a map of one input.
std::string colourScale(const MapFigure& map) {
  std::string out = parts::kPalette;
  const std::vector<double>& chiSquare = map.layers.front().chiSquare;
  const double span = largestOf(chiSquare) - fit::smallestOf(chiSquare);
  if (std::isnan(map.colourCap))
    return out + "set cbrange [0:" + text(span > 0 ? span : 1) + "]\nset cblabel 'Δχ² above the minimum'\n";
  return out + "set cbrange [0:" + text(map.colourCap) + "]\nset cblabel " +
         parts::quoted("Δχ² above the minimum (colours stop at " + fit::shortText(map.colourCap) + ")") + "\n";
}

// The key below the map, at most three entries a row: on a dark box for
// white contours over colours, on white for coloured lines.
std::string keyBelow(std::size_t entries, bool colours) {
  return std::string("set key at screen 0.5, screen 0.01 center bottom horizontal maxcols 3 Left reverse box ") +
         (colours ? "opaque fc rgb '#404040' textcolor rgb 'white' " : "opaque ") + "samplen 3 width 1\n" +
         "set bmargin " + std::to_string(4 + (entries + 2) / 3 * 3 / 2) + "\n";
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

std::string terminalFor(ImageFormat format, int width, int height) {
  const std::string size = std::to_string(width) + "," + std::to_string(height);
  switch (format) {
    case ImageFormat::Png: return "pngcairo size " + size + " noenhanced font 'DejaVu Sans,11'";
    case ImageFormat::Svg: return "svg size " + size + " noenhanced font 'DejaVu Sans,11' background '#ffffff'";
    case ImageFormat::Pdf: break;
  }
  return "pdfcairo size " + text(width / 100.0) + "in," + text(height / 100.0) + "in noenhanced font 'DejaVu Sans,8'";
}

std::string printTerminal(ImageFormat format, double width, double height, int dpi) {
  // Points on paper: 5 in a column's 3.5 inches, 7 across a page (8 in
  // the default PDF's 8 inches).
  const double points = std::clamp(width, 5.0, 10.0);
  // pngcairo draws a point as 1/96 inch at a scale of 1; lines and marks
  // keep their size against the text of the default figure (11 points).
  const double scale = dpi / 96.0, marks = scale * points / 11;
  const auto pixels = [](double inches, double perInch) { return std::to_string(std::lround(inches * perInch)); };
  const std::string font = " noenhanced font 'DejaVu Sans," + fit::generalText(points, 3) + "'";
  switch (format) {
    case ImageFormat::Png:
      return "pngcairo size " + pixels(width, dpi) + "," + pixels(height, dpi) + font + " fontscale " + text(scale) +
             " linewidth " + fit::generalText(marks, 3) + " pointscale " + fit::generalText(marks, 3);
    case ImageFormat::Svg:
      return "svg size " + pixels(width, 100) + "," + pixels(height, 100) + font + " background '#ffffff'";
    case ImageFormat::Pdf: break;
  }
  return "pdfcairo size " + text(width) + "in," + text(height) + "in" + font;
}

std::vector<std::string> levelsNotReached(const MapFigure& map) {
  const MapLayer& layer = map.layers.front();
  const double span = largestOf(layer.chiSquare) - fit::smallestOf(layer.chiSquare);
  std::vector<std::string> texts;
  for (std::size_t l = 0; l < layer.contours.levels.size(); ++l)
    if (!(span > layer.contours.levels[l])) texts.push_back(layer.contours.texts[l]);
  return texts;
}

std::string mapScript(const MapFigure& map, const std::string& terminal, std::string_view keptFor) {
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
  out += "set terminal " + terminal + "\n" + parts::outputTo(keptFor);
  out += "set title " + texts(map.title) + "\n";
  out += "set xlabel " + texts(map.x.label) + "\nset ylabel " + texts(map.y.label) + "\n";
  out += "set xrange " + parts::rangeOf(xs, map.x.logarithmic) + "\nset yrange " +
         parts::rangeOf(ys, map.y.logarithmic) + "\n";
  out += "set xtics out nomirror\nset ytics out nomirror\nset mxtics\nset mytics\n";
  if (map.x.logarithmic || map.y.logarithmic)
    out += parts::scaleOf('x', xs, map.x.logarithmic) + parts::scaleOf('y', ys, map.y.logarithmic);
  std::size_t missing = 0;
  for (const double c : map.layers.front().chiSquare)
    if (std::isnan(c)) ++missing;
  const std::size_t levels = map.layers.front().contours.levels.size();
  if (colours) out += colourScale(map) + parts::kGreyBehind;
  out += "set border lw 1.2\n";
  out += keyBelow(colours ? 1 + levels + (missing > 0 ? 1 : 0) : map.layers.size() + levels, colours);
  out += colours ? parts::colourPlot("0", map.layers.front(), missing, true)
                 : parts::linePlot(ids, map.layers, true, texts);
  return parts::head(texts, keptFor) + out + "unset output\n";
}

}  // namespace figure
