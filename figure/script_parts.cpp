#include "figure/script_parts.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "figure/ticks.h"
#include "fit/numbers.h"
#include "fit/profile.h"
#include "process/messages.h"

namespace figure::parts {
namespace {

// A kept script draws to the figure's name, so that `gnuplot SCRIPT` makes
// the figure again; a name that no gnuplot string can hold (a control
// character), or none, means standard output, where the tools' own runs draw.
bool keepsName(std::string_view figure) {
  return !figure.empty() && figure != "-" &&
         std::none_of(figure.begin(), figure.end(), [](char c) { return std::iscntrl(static_cast<unsigned char>(c)); });
}

// The midpoint of two neighbouring values: geometric on a logarithmic axis.
double between(double a, double b, bool logarithmic) {
  return logarithmic ? std::sqrt(a) * std::sqrt(b) : a + (b - a) / 2;
}

// Half a step beyond an edge value, away from its neighbour `other`.
double beyond(double value, double other, bool logarithmic) {
  return logarithmic ? value * std::sqrt(value / other) : value + (value - other) / 2;
}

}  // namespace

std::string Texts::operator()(std::string_view text) {
  lines_ += "|" + process::visible(text) + "\n";
  return "$T[" + std::to_string(++count_) + "][2:]";
}

std::string Texts::operator()(const std::vector<std::string>& texts) {
  std::string out;
  for (const std::string& line : texts) out += (out.empty() ? "" : " . \"\\n\" . ") + (*this)(line);
  return out.empty() ? "''" : out;
}

std::string quoted(std::string_view text) {
  std::string out = "'";
  for (const char c : text) out += c == '\'' ? std::string("''") : std::string(1, c);
  return out + "'";
}

std::string inCommand(std::string_view string) {
  std::string out;
  for (const char c : string) out += c == '\'' ? std::string("''") : std::string(1, c);
  return out;
}

std::string text(double value) { return fit::exactText(value); }

std::string head(const Texts& texts, std::string_view figure) {
  const std::string where = keepsName(figure)
                                ? "# gnuplot SCRIPT draws this figure to its file\n"
                                : "# gnuplot draws this figure to its standard output: gnuplot SCRIPT > FIGURE\n";
  return where + "set encoding utf8\n" + texts.block();
}

std::string outputTo(std::string_view figure) {
  if (!keepsName(figure)) return "set output\n";
  return "set output '" + inCommand(figure) + "'\n";
}

Edges edgesOf(const std::vector<double>& v, bool logarithmic) {
  const std::size_t n = v.size();
  Edges e;
  for (std::size_t m = 0; m < n; ++m) {
    e.low.push_back(m == 0 ? beyond(v[0], v[1], logarithmic) : between(v[m - 1], v[m], logarithmic));
    e.high.push_back(m + 1 == n ? beyond(v[m], v[m - 1], logarithmic) : between(v[m], v[m + 1], logarithmic));
  }
  e.first = e.low.front();
  e.last = e.high.back();
  if (logarithmic) {
    const double overlap = std::pow(e.last / e.first, 0.002);
    for (double& high : e.high) high *= overlap;
  } else {
    const double overlap = (e.last - e.first) * 0.002;
    for (double& high : e.high) high += overlap;
  }
  return e;
}

std::array<double, 2> spanOf(const std::vector<const std::vector<double>*>& axes, bool logarithmic) {
  double first = INFINITY, last = -INFINITY;
  for (const std::vector<double>* values : axes) {
    if (values->size() < 2) continue;
    const Edges e = edgesOf(*values, logarithmic);
    first = std::min(first, e.first);
    last = std::max(last, e.last);
  }
  return {first, last};
}

std::string rangeOf(const std::vector<const std::vector<double>*>& axes, bool logarithmic) {
  const auto [first, last] = spanOf(axes, logarithmic);
  return "[" + text(first) + ":" + text(last) + "]";
}

std::string scaleOf(const std::string& axis, const TickAxis& ticks) {
  return (ticks.logarithmic ? "set logscale " : "unset logscale ") + axis + "\n" + ticsCommand(axis, ticksOf(ticks));
}

std::string layerColour(std::size_t k) {
  static constexpr std::array<const char*, 8> kColours = {"#1f4e9c", "#d62728", "#2ca02c", "#ff7f0e",
                                                          "#9467bd", "#8c564b", "#e377c2", "#17becf"};
  return kColours[k % kColours.size()];
}

double layerWidth(std::size_t k) { return std::max(0.6, 2.6 - static_cast<double>(k)); }

std::string mapBlocks(const std::string& id, const MapLayer& layer, bool logX, bool logY) {
  const double smallest = fit::smallestOf(layer.chiSquare);
  const std::size_t ny = layer.y.size();
  std::string grid = "$G" + id + " << EOD\n";
  std::string boxes = "$B" + id + " << EOD\n";
  const Edges ex = edgesOf(layer.x, logX), ey = edgesOf(layer.y, logY);
  for (std::size_t m = 0; m < layer.x.size(); ++m) {
    for (std::size_t n = 0; n < ny; ++n) {
      const double delta = layer.chiSquare[m * ny + n] - smallest;
      const std::string at = text(layer.x[m]) + " " + text(layer.y[n]);
      grid += at + " " + text(delta) + "\n";
      if (!std::isnan(delta))
        boxes += at + " " + text(ex.low[m]) + " " + text(ex.high[m]) + " " + text(ey.low[n]) + " " + text(ey.high[n]) +
                 " " + text(delta) + "\n";
    }
    grid += "\n";
  }
  std::string out = grid + "EOD\n" + boxes + "EOD\n";
  out += "set contour base; unset surface; set cntrparam linear\n";
  for (std::size_t l = 0; l < layer.contours.levels.size(); ++l) {
    out += "set cntrparam levels discrete " + text(layer.contours.levels[l]) + "\n";
    out += "set table $C" + id + "_" + std::to_string(l) + "\nsplot $G" + id +
           " using 1:2:3 with lines notitle\nunset table\n";
  }
  return out + "unset contour; set surface\n";
}

std::string colourPlot(const std::string& id, const MapLayer& layer) {
  std::string out =
      "cmd = 'plot $B" + id + " using 1:2:3:4:5:6:7 with boxxyerror fc palette z fs solid 1.0 noborder notitle'\n";
  for (std::size_t l = 0; l < layer.contours.levels.size(); ++l) {
    const std::string table = "$C" + id + "_" + std::to_string(l);
    out += "if (|" + table + "| > 2) cmd = cmd . ', " + table + " using 1:2 with lines lw 2 lc rgb \"white\" dt " +
           std::to_string(l % 5 + 1) + " notitle'\n";
  }
  out += "cmd = cmd . ', \"+\" using (" + text(layer.best[0]) + "):(" + text(layer.best[1]) +
         ") every ::0::0 with points pt 7 ps 1.6 lc rgb \"" + kMinimumColour + "\" notitle'\n";
  return out + "eval cmd\n";
}

std::string linePlot(const std::vector<std::string>& ids, const std::vector<MapLayer>& layers) {
  std::string out = "cmd = 'plot NaN notitle'\n";
  for (std::size_t k = 0; k < layers.size(); ++k) {
    const std::string colour = layerColour(k), width = fit::generalText(layerWidth(k), 3);
    for (std::size_t l = 0; l < layers[k].contours.levels.size(); ++l) {
      const std::string table = "$C" + ids[k] + "_" + std::to_string(l);
      out += "if (|" + table + "| > 2) cmd = cmd . ', " + table + " using 1:2 with lines lw " + width + " lc rgb \"" +
             colour + "\" dt " + std::to_string(l % 5 + 1) + " notitle'\n";
    }
    out += "cmd = cmd . ', \"+\" using (" + text(layers[k].best[0]) + "):(" + text(layers[k].best[1]) +
           ") every ::0::0 with points pt 7 ps " + fit::generalText(0.55 * layerWidth(k), 3) + " lc rgb \"" + colour +
           "\" notitle'\n";
  }
  return out + "eval cmd\n";
}

}  // namespace figure::parts
