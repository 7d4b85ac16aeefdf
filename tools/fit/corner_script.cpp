#include "tools/fit/corner_script.h"

#include <cctype>
#include <cmath>
#include <cstddef>

#include "tools/fit/chi2map_output.h"
#include "tools/fit/numbers.h"
#include "tools/fit/report.h"

namespace fit {
namespace {

// Confidence regions of two parameters (68.3, 95.4, 99.73 %) on the maps;
// 1, 2 and 3 sigma of one parameter on the profiles.
constexpr std::array<std::string_view, 3> kContourLevels = {"2.30", "6.18", "11.83"};
constexpr std::array<std::string_view, 3> kProfileLevels = {"1", "4", "9"};
// The colour scale stops here, so the confidence regions are not one flat
// colour next to a range of hundreds.
constexpr std::string_view kColourCap = "25";
constexpr std::string_view kProfileTop = "12";

// Which parameters each map shows: x, then y.
constexpr std::array<std::array<std::size_t, 2>, 3> kMapAxes = {{{kT, kYorp}, {kT, kFke}, {kYorp, kFke}}};

// Panel geometry in screen fractions: three columns and rows of equal size.
constexpr double kLeft = 0.10;
constexpr double kTop = 0.95;
constexpr double kPanel = 0.28;

std::string quoted(std::string_view text) {
  std::string out = "'";
  for (const char c : text) out += c == '\'' ? std::string("''") : std::string(1, c);
  return out + "'";
}

// The axis range: half a step beyond the first and last value, the edges of
// the map's cells.
std::string rangeOf(const std::vector<double>& grid) {
  const double half = (grid.back() - grid.front()) / static_cast<double>(grid.size() - 1) / 2.0;
  return "[" + exactText(grid.front() - half) + ":" + exactText(grid.back() + half) + "]";
}

std::string margins(std::size_t row, std::size_t column) {
  const double left = kLeft + static_cast<double>(column) * kPanel;
  const double top = kTop - static_cast<double>(row) * kPanel;
  return "set lmargin at screen " + exactText(left) + "; set rmargin at screen " + exactText(left + kPanel) +
         "\nset tmargin at screen " + exactText(top) + "; set bmargin at screen " + exactText(top - kPanel) + "\n";
}

using Drawn = std::array<bool, 3>;

Drawn drawnAxes(const CornerData& data) {
  return {isNumberGrid(data.grids[0]), isNumberGrid(data.grids[1]), isNumberGrid(data.grids[2])};
}

bool mapDrawn(std::size_t index, const Drawn& drawn) { return drawn[kMapAxes[index][0]] && drawn[kMapAxes[index][1]]; }

// Tic labels and axis names on the outer edges of what is drawn only: x
// under the lowest panel of a column, y left of the first map of a row.
std::string axisLabels(std::size_t row, std::size_t column, bool map, const Drawn& drawn) {
  std::size_t bottom = column;
  for (std::size_t r = column + 1; r < 3; ++r)
    if (drawn[r]) bottom = r;
  std::size_t left = row;
  for (std::size_t c = row; c-- > 0;)
    if (drawn[c]) left = c;
  std::string out;
  if (row == bottom)
    out += "set format x '%g'; set xlabel " + quoted(kParameterNames[column]) + "\n";
  else
    out += "set format x ''; unset xlabel\n";
  if (map && column == left)
    out += "set format y '%g'; set ylabel " + quoted(kParameterNames[row]) + "\n";
  else
    out += "set format y ''; unset ylabel\n";
  return out;
}

std::string mapBlock(std::size_t index, const CornerData& data) {
  const auto& x = data.grids[kMapAxes[index][0]];
  const auto& y = data.grids[kMapAxes[index][1]];
  const Plane& plane = data.maps[index];
  const double smallest = smallestOf(plane.cells);
  std::string out = "$M" + std::to_string(index) + " << EOD\n";
  for (std::size_t r = 0; r < plane.rows; ++r) {
    for (std::size_t c = 0; c < plane.columns; ++c)
      out += exactText(x[r]) + " " + exactText(y[c]) + " " + exactText(plane.at(r, c) - smallest) + "\n";
    out += "\n";
  }
  out += "EOD\n";
  // The contours, one table per level so each can have its own dash.
  out += "set contour base; unset surface; set cntrparam linear\n";
  for (std::size_t level = 0; level < kContourLevels.size(); ++level) {
    out += "set cntrparam levels discrete " + std::string(kContourLevels[level]) + "\n";
    out += "set table $C" + std::to_string(index) + "_" + std::to_string(level) + "\n";
    out += "splot $M" + std::to_string(index) + " using 1:2:3 with lines notitle\nunset table\n";
  }
  out += "unset contour; set surface\n";
  out += "$B" + std::to_string(index) + " << EOD\n" + exactText(data.fits[kMapAxes[index][0]].best) + " " +
         exactText(data.fits[kMapAxes[index][1]].best) + "\nEOD\n";
  return out;
}

std::string mapPanel(std::size_t index, const CornerData& data, bool colourBar) {
  const std::size_t xAxis = kMapAxes[index][0];
  const std::size_t yAxis = kMapAxes[index][1];
  std::string out = margins(yAxis, xAxis) + axisLabels(yAxis, xAxis, true, drawnAxes(data));
  out += "set xrange " + rangeOf(data.grids[xAxis]) + "; set yrange " + rangeOf(data.grids[yAxis]) + "\n";
  out += "unset y2tics; set ytics; set title ''\n";
  // One map carries the colour bar, in the empty upper right.
  if (colourBar)
    out += "set colorbox user horizontal origin screen " + exactText(kLeft + 1.15 * kPanel) + ", screen " +
           exactText(kTop - 0.5 * kPanel) + " size screen " + exactText(1.5 * kPanel) + ", screen 0.02\n";
  else
    out += "unset colorbox\n";
  // Cells no fit reached are not drawn by the image: the grey shows them.
  out += "set object 1 rectangle from graph 0,0 to graph 1,1 behind fillcolor rgb '#b0b0b0' fillstyle solid noborder\n";
  const std::string m = std::to_string(index);
  out += "cmd = 'plot $M" + m + " using 1:2:3 with image notitle'\n";
  // A level the map never reaches leaves a table of its two header lines.
  for (std::size_t level = 0; level < kContourLevels.size(); ++level) {
    const std::string table = "$C" + m + "_" + std::to_string(level);
    out += "if (|" + table + "| > 2) cmd = cmd . ', " + table + " using 1:2 with lines lw 1.5 lc rgb \"white\" dt " +
           std::to_string(level + 1) + " notitle'\n";
  }
  out += "cmd = cmd . \", $B" + m + " using 1:2 with points pt 7 ps 1.4 lc rgb '#e4002b' notitle\"\n";
  out += "eval cmd\nunset object 1\n";
  return out;
}

std::string profilePanel(std::size_t axis, const CornerData& data) {
  const ParameterFit& fit = data.fits[axis];
  std::string out = margins(axis, axis) + axisLabels(axis, axis, false, drawnAxes(data));
  out += "set xrange " + rangeOf(data.grids[axis]) + "; set y2range [0:" + std::string(kProfileTop) + "]\n";
  out += "unset ytics; set y2tics 0,2 mirror; set title " + quoted(std::string(kParameterNames[axis]) + " = " +
                                                                  intervalHeading(fit)) + "\n";
  std::string block = "$P" + std::to_string(axis);
  out += block + " << EOD\n";
  for (std::size_t m = 0; m < data.grids[axis].size(); ++m)
    if (std::isfinite(data.profiles[axis][m]))
      out += exactText(data.grids[axis][m]) + " " + exactText(data.profiles[axis][m] - fit.minimum) + "\n";
  out += "EOD\n";
  if (fit.status == ParameterFit::Status::Fitted)
    out += "set object 2 rectangle from " + exactText(fit.lower.value) + ", graph 0 to " + exactText(fit.upper.value) +
           ", graph 1 behind fillcolor rgb '#cfe3f7' fillstyle solid noborder\n";
  out += "plot " + block + " using 1:2 axes x1y2 with linespoints pt 7 ps 0.5 lw 1.5 lc rgb '#1f4e9c' notitle";
  for (const auto level : kProfileLevels)
    out += ", " + std::string(level) + " axes x1y2 with lines dt 2 lc rgb '#808080' notitle";
  out += "\nunset object 2\n";
  return out;
}

}  // namespace

std::optional<std::string> terminalFor(std::string_view figure) {
  const auto dot = figure.rfind('.');
  if (dot == std::string_view::npos || figure.find('/', dot) != std::string_view::npos) return {};
  std::string extension;
  for (const char c : figure.substr(dot + 1)) extension += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (extension == "png") return "pngcairo size 1200,1200 noenhanced font 'DejaVu Sans,11'";
  if (extension == "svg") return "svg size 1200,1200 noenhanced font 'DejaVu Sans,11' background '#ffffff'";
  if (extension == "pdf") return "pdfcairo size 8in,8in noenhanced font 'DejaVu Sans,8'";
  return {};
}

std::string cornerScript(const CornerData& data, const std::string& terminal, const std::string& output) {
  std::string out = "set encoding utf8\n";
  const Drawn drawn = drawnAxes(data);
  for (std::size_t index = 0; index < 3; ++index)
    if (mapDrawn(index, drawn)) out += mapBlock(index, data);
  out += "set terminal " + terminal + "\nset output " + quoted(output) + "\n";
  out += "set palette defined (0 '#440154', 1 '#3b528b', 2 '#21918c', 3 '#5ec962', 4 '#fde725')\n";
  out += "set cbrange [0:" + std::string(kColourCap) + "]; set cblabel 'Δχ² (colours stop at " +
         std::string(kColourCap) + ")'\n";
  out += "set tics front; set border lw 1.2\n";
  out += "set multiplot\n";
  // The key of the figure, in the empty upper right.
  std::string key = "smallest χ² = " + shortText(data.chi2Smallest) +
                    "\\nmaps: Δχ² = 2.30, 6.18, 11.83 (solid, dashed, dotted)\\nprofiles: Δχ² = 1, 4, 9;"
                    " shaded: the 1-sigma interval";
  for (std::size_t axis = 0; axis < 3; ++axis)
    if (data.fits[axis].status != ParameterFit::Status::Fitted)
      key += "\\n" + std::string(kParameterNames[axis]) + " = " + intervalHeading(data.fits[axis]);
  out += "set label 10 \"" + key + "\" at screen " + exactText(kLeft + 1.15 * kPanel) + ", screen " +
         exactText(kTop - 0.2 * kPanel) + " left\n";
  // The key goes out with the first panel drawn.
  for (std::size_t axis = 0; axis < 3; ++axis)
    if (drawn[axis]) out += profilePanel(axis, data) + "unset label 10\n";
  bool colourBar = true;
  for (std::size_t index = 0; index < 3; ++index) {
    if (!mapDrawn(index, drawn)) continue;
    out += mapPanel(index, data, colourBar);
    colourBar = false;
  }
  out += "unset multiplot\nunset output\n";
  return out;
}

}  // namespace fit
