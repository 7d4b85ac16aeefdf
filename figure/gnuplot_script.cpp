#include "figure/gnuplot_script.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "fit/numbers.h"
#include "process/messages.h"

namespace figure {
namespace {

// 1, 2 and 3 sigma of one parameter, on the profiles.
constexpr std::array<double, 3> kProfileLevels = {1, 4, 9};
constexpr double kProfileTop = 12;
const char* const kPalette = "set palette defined (0 '#440154', 1 '#3b528b', 2 '#21918c', 3 '#5ec962', 4 '#fde725')\n";

// Corner panel geometry in screen fractions: three columns and rows of equal size.
constexpr double kLeft = 0.10;
constexpr double kTop = 0.95;
constexpr double kPanel = 0.28;

// A gnuplot string of our own making: single quotes, a quote doubled.
std::string quoted(std::string_view text) {
  std::string out = "'";
  for (const char c : text) out += c == '\'' ? std::string("''") : std::string(1, c);
  return out + "'";
}

// The free texts of a figure (titles, axis titles, headings, the key), as
// lines of the datablock $T that gnuplot shows as they are: any byte but a
// control character, which is shown as an escape. Each line starts with a
// bar, so that no text can end the block or lose its leading blanks.
class Texts {
 public:
  // The expression that yields `text`.
  std::string operator()(std::string_view text) {
    lines_ += "|" + process::visible(text) + "\n";
    return "$T[" + std::to_string(++count_) + "][2:]";
  }
  // Lines joined by line breaks.
  std::string operator()(const std::vector<std::string>& texts) {
    std::string out;
    for (const std::string& line : texts) out += (out.empty() ? "" : " . \"\\n\" . ") + (*this)(line);
    return out.empty() ? "''" : out;
  }
  [[nodiscard]] std::string block() const { return "$T << EOD\n" + lines_ + "EOD\n"; }

 private:
  std::string lines_;
  int count_ = 0;
};

// A kept script draws to the figure's name, so that `gnuplot SCRIPT` makes
// the figure again; a name that no gnuplot string can hold (a control
// character), or none, means standard output, where the tools' own runs draw.
bool keepsName(std::string_view figure) {
  return !figure.empty() && figure != "-" &&
         std::none_of(figure.begin(), figure.end(), [](char c) { return std::iscntrl(static_cast<unsigned char>(c)); });
}

// The head of every script, before its data.
std::string head(const Texts& texts, std::string_view figure) {
  const std::string where = keepsName(figure)
                                ? "# gnuplot SCRIPT draws this figure to its file\n"
                                : "# gnuplot draws this figure to its standard output: gnuplot SCRIPT > FIGURE\n";
  return where + "set encoding utf8\n" + texts.block();
}

// The output line after the terminal.
std::string outputTo(std::string_view figure) {
  if (!keepsName(figure)) return "set output\n";
  std::string name;
  for (const char c : figure) name += c == '\'' ? std::string("''") : std::string(1, c);
  return "set output '" + name + "'\n";
}

std::string text(double value) { return fit::exactText(value); }

// A gnuplot string inside the single-quoted text of a command built in the
// script: its quotes doubled once more.
std::string inCommand(std::string_view string) {
  std::string out;
  for (const char c : string) out += c == '\'' ? std::string("''") : std::string(1, c);
  return out;
}

// The cell edges of an axis: halfway to each neighbour, half a step beyond
// the first and last value.
struct Edges {
  std::vector<double> low, high;
  double first, last;
};

Edges edgesOf(const std::vector<double>& v) {
  const std::size_t n = v.size();
  Edges e;
  for (std::size_t m = 0; m < n; ++m) {
    e.low.push_back(m == 0 ? v[0] - (v[1] - v[0]) / 2 : v[m - 1] + (v[m] - v[m - 1]) / 2);
    e.high.push_back(m + 1 == n ? v[m] + (v[m] - v[m - 1]) / 2 : v[m] + (v[m + 1] - v[m]) / 2);
  }
  e.first = e.low.front();
  e.last = e.high.back();
  // Each box reaches a little into the next, so no seam shows between them.
  const double overlap = (e.last - e.first) * 0.002;
  for (double& high : e.high) high += overlap;
  return e;
}

std::string rangeOf(const std::vector<double>& values) {
  const Edges e = edgesOf(values);
  return "[" + text(e.first) + ":" + text(e.last) + "]";
}

double largestOf(const std::vector<double>& values) {
  double largest = -INFINITY;
  for (const double v : values)
    if (v > largest) largest = v;
  return largest;
}

// The datablocks of map `id`: its grid for the contours ($G), its present
// cells as boxes ($B), and one contour table per level ($C), all in delta
// chi-square above the map's minimum.
std::string mapBlocks(const std::string& id, const FigureAxis& x, const FigureAxis& y,
                      const std::vector<double>& chiSquare, const Contours& contours) {
  const double smallest = fit::smallestOf(chiSquare);
  const std::size_t ny = y.values.size();
  std::string grid = "$G" + id + " << EOD\n";
  std::string boxes = "$B" + id + " << EOD\n";
  const Edges ex = edgesOf(x.values), ey = edgesOf(y.values);
  for (std::size_t m = 0; m < x.values.size(); ++m) {
    for (std::size_t n = 0; n < ny; ++n) {
      const double delta = chiSquare[m * ny + n] - smallest;
      const std::string at = text(x.values[m]) + " " + text(y.values[n]);
      grid += at + " " + text(delta) + "\n";
      if (!std::isnan(delta))
        boxes += at + " " + text(ex.low[m]) + " " + text(ex.high[m]) + " " + text(ey.low[n]) + " " + text(ey.high[n]) +
                 " " + text(delta) + "\n";
    }
    grid += "\n";
  }
  std::string out = grid + "EOD\n" + boxes + "EOD\n";
  out += "set contour base; unset surface; set cntrparam linear\n";
  for (std::size_t l = 0; l < contours.levels.size(); ++l) {
    out += "set cntrparam levels discrete " + text(contours.levels[l]) + "\n";
    out += "set table $C" + id + "_" + std::to_string(l) + "\nsplot $G" + id +
           " using 1:2:3 with lines notitle\nunset table\n";
  }
  return out + "unset contour; set surface\n";
}

// The plot command of map `id`: the boxes, each contour the map reaches
// (a level never reached leaves a table of its two header lines), the
// minimum. With a key, each drawn level and the missing cells have an entry.
std::string mapPlot(const std::string& id, const Contours& contours, const std::array<double, 2>& best,
                    std::size_t missing, bool key) {
  std::string out =
      "cmd = 'plot $B" + id + " using 1:2:3:4:5:6:7 with boxxyerror fc palette z fs solid 1.0 noborder notitle'\n";
  for (std::size_t l = 0; l < contours.levels.size(); ++l) {
    const std::string table = "$C" + id + "_" + std::to_string(l);
    const std::string title = key ? "title " + inCommand(quoted("Δχ² = " + contours.texts[l])) : std::string("notitle");
    out += "if (|" + table + "| > 2) cmd = cmd . ', " + table + " using 1:2 with lines lw 2 lc rgb \"white\" dt " +
           std::to_string(l % 5 + 1) + " " + title + "'\n";
  }
  const std::string mark = key ? "title ''minimum''" : "notitle";
  out += "cmd = cmd . ', \"+\" using (" + text(best[0]) + "):(" + text(best[1]) +
         ") every ::0::0 with points pt 7 ps 1.6 lc rgb \"#e4002b\" " + mark + "'\n";
  if (key && missing > 0)
    out += "cmd = cmd . ', keyentry with boxes fs solid fc rgb \"#b0b0b0\" title ''no χ² (" + std::to_string(missing) +
           " cells)'''\n";
  return out + "eval cmd\n";
}

// Missing cells are not drawn: the grey behind shows them.
const char* const kGreyBehind =
    "set object 1 rectangle from graph 0,0 to graph 1,1 behind fillcolor rgb '#b0b0b0' fillstyle solid noborder\n";

std::string margins(std::size_t row, std::size_t column) {
  const double left = kLeft + static_cast<double>(column) * kPanel;
  const double top = kTop - static_cast<double>(row) * kPanel;
  return "set lmargin at screen " + text(left) + "; set rmargin at screen " + text(left + kPanel) +
         "\nset tmargin at screen " + text(top) + "; set bmargin at screen " + text(top - kPanel) + "\n";
}

using Drawn = std::array<bool, 3>;

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

std::string profilePanel(const CornerFigure& corner, std::size_t axis, const Drawn& drawn, Texts& texts) {
  const fit::ParameterFit& parameter = corner.fit.parameters[axis];
  const std::vector<double>& values = corner.axes[axis].values;
  double top = kProfileTop;
  for (const fit::Interval& interval : parameter.intervals) top = std::max(top, 1.25 * interval.deltaChiSquare);
  std::string out = margins(axis, axis) + axisLabels(corner, axis, axis, false, drawn, texts);
  out += "set xrange " + rangeOf(values) + "; set y2range [0:" + text(top) + "]\n";
  out += "unset ytics; set y2tics mirror; set y2label 'Δχ²'; set title " + texts(corner.headings[axis]) + "\n";
  const std::string block = "$P" + std::to_string(axis);
  out += block + " << EOD\n";
  for (std::size_t m = 0; m < values.size(); ++m)
    if (!std::isnan(parameter.profile[m]))
      out += text(values[m]) + " " + text(parameter.profile[m] - corner.fit.smallestChiSquare) + "\n";
  out += "EOD\n";
  // The ranges of the first level, shaded.
  std::size_t objects = 0;
  if (!parameter.intervals.empty())
    for (const fit::Range& range : parameter.intervals.front().ranges)
      out += "set object " + std::to_string(20 + objects++) + " rectangle from " + text(range.low) + ", graph 0 to " +
             text(range.high) + ", graph 1 behind fillcolor rgb '#cfe3f7' fillstyle solid noborder\n";
  out += "plot " + block + " using 1:2 axes x1y2 with linespoints pt 7 ps 0.5 lw 1.5 lc rgb '#1f4e9c' notitle";
  for (const double level : kProfileLevels)
    out += ", " + text(level) + " axes x1y2 with lines dt 2 lc rgb '#808080' notitle";
  out += "\nunset y2label\n";
  for (std::size_t o = 0; o < objects; ++o) out += "unset object " + std::to_string(20 + o) + "\n";
  return out;
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

std::vector<std::string> levelsNotReached(const MapFigure& map) {
  const double span = largestOf(map.chiSquare) - fit::smallestOf(map.chiSquare);
  std::vector<std::string> texts;
  for (std::size_t l = 0; l < map.contours.levels.size(); ++l)
    if (!(span > map.contours.levels[l])) texts.push_back(map.contours.texts[l]);
  return texts;
}

std::string mapScript(const MapFigure& map, const std::string& terminal, std::string_view keptFor) {
  std::size_t missing = 0;
  for (const double c : map.chiSquare)
    if (std::isnan(c)) ++missing;
  Texts texts;
  std::string out = mapBlocks("0", map.x, map.y, map.chiSquare, map.contours);
  out += "set terminal " + terminal + "\n" + outputTo(keptFor);
  out += "set title " + texts(map.title) + "\n";
  out += "set xlabel " + texts(map.x.label) + "\nset ylabel " + texts(map.y.label) + "\n";
  out += "set xrange " + rangeOf(map.x.values) + "\nset yrange " + rangeOf(map.y.values) + "\n";
  out += "set xtics out nomirror\nset ytics out nomirror\nset mxtics\nset mytics\n";
  out += kPalette;
  const double span = largestOf(map.chiSquare) - fit::smallestOf(map.chiSquare);
  if (std::isnan(map.colourCap)) {
    out += "set cbrange [0:" + text(span > 0 ? span : 1) + "]\nset cblabel 'Δχ² above the minimum'\n";
  } else {
    out += "set cbrange [0:" + text(map.colourCap) + "]\nset cblabel " +
           quoted("Δχ² above the minimum (colours stop at " + fit::shortText(map.colourCap) + ")") + "\n";
  }
  out += kGreyBehind;
  out += "set border lw 1.2\n";
  // The key below the map, at most three entries a row.
  const std::size_t entries = 1 + map.contours.levels.size() + (missing > 0 ? 1 : 0);
  out +=
      "set key at screen 0.5, screen 0.01 center bottom horizontal maxcols 3 Left reverse box opaque fc rgb '#404040' "
      "textcolor rgb 'white' samplen 3 width 1\n";
  out += "set bmargin " + std::to_string(4 + (entries + 2) / 3 * 3 / 2) + "\n";
  out += mapPlot("0", map.contours, map.best, missing, true);
  return head(texts, keptFor) + out + "unset output\n";
}

std::string cornerScript(const CornerFigure& corner, const std::string& terminal, std::string_view keptFor) {
  Drawn drawn{};
  for (std::size_t a = 0; a < 3; ++a) drawn[a] = corner.axes[a].values.size() >= 2;
  Texts texts;
  std::string out;
  for (std::size_t index = 0; index < 3; ++index) {
    const auto [x, y] = kCornerMaps[index];
    if (drawn[x] && drawn[y])
      out += mapBlocks(std::to_string(index), corner.axes[x], corner.axes[y], corner.maps[index], corner.contours);
  }
  out += "set terminal " + terminal + "\n" + outputTo(keptFor);
  out += kPalette;
  out += "set cbrange [0:" + text(corner.colourCap) + "]; set cblabel 'Δχ² (colours stop at " +
         fit::shortText(corner.colourCap) + ")'\n";
  out += "set tics front; set border lw 1.2\n";
  out += "set multiplot\n";
  // The key of the figure, in the empty upper right.
  std::string levels;
  for (const std::string& level : corner.contours.texts) levels += (levels.empty() ? "" : ", ") + level;
  std::vector<std::string> key = {"smallest χ² = " + fit::exactText(corner.fit.smallestChiSquare),
                                  "maps: Δχ² = " + levels,
                                  "profiles: Δχ² = 1, 4, 9; shaded: Δχ² ≤ " +
                                      fit::shortText(corner.fit.parameters[0].intervals.at(0).deltaChiSquare)};
  for (std::size_t a = 0; a < 3; ++a)
    if (!drawn[a]) key.push_back(corner.headings[a]);
  out += "set label 10 " + texts(key) + " at screen " + text(kLeft + 1.25 * kPanel) + ", screen " +
         text(kTop - 0.2 * kPanel) + " left\n";
  for (std::size_t axis = 0; axis < 3; ++axis)
    if (drawn[axis]) out += profilePanel(corner, axis, drawn, texts) + "unset label 10\n";
  bool colourBar = true;
  for (std::size_t index = 0; index < 3; ++index) {
    const auto [x, y] = kCornerMaps[index];
    if (!drawn[x] || !drawn[y]) continue;
    out += margins(y, x) + axisLabels(corner, y, x, true, drawn, texts);
    out += "set xrange " + rangeOf(corner.axes[x].values) + "; set yrange " + rangeOf(corner.axes[y].values) + "\n";
    out += "unset y2tics; set ytics; set title ''\n";
    // One map carries the colour bar, in the empty upper right.
    if (colourBar)
      out += "set colorbox user horizontal origin screen " + text(kLeft + 1.25 * kPanel) + ", screen " +
             text(kTop - 0.5 * kPanel) + " size screen " + text(1.5 * kPanel) + ", screen 0.02\n";
    else
      out += "unset colorbox\n";
    colourBar = false;
    out += kGreyBehind;
    const std::string id = std::to_string(index);
    out += mapPlot(id, corner.contours, {corner.fit.parameters[x].best, corner.fit.parameters[y].best}, 0, false);
    out += "unset object 1\n";
  }
  return head(texts, keptFor) + out + "unset multiplot\nunset output\n";
}

}  // namespace figure
