// The map and the corner figure of any grid, texts and page, as chi2map-fit and chi2map-plot hand them over: distinct
// finite grid values in ascending order (above zero on a logarithmic axis; two or more on each axis of a map), any
// finite chi-square or NaN for a missing cell, any bytes in names, labels, titles and notes, any page the options
// allow. The scripts are made without undefined behaviour, every datablock is closed, and gnuplot meets no control
// character but the line end: the user's texts reach it only through the text block, shown.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "figure/gnuplot_script.h"
#include "figure/page.h"

namespace {

void require(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "figure script: %s\n", what);
  std::abort();
}

// At least `least` of them (a map has two or more on each axis; the corner figure leaves out what has one).
std::vector<double> gridValues(FuzzedDataProvider& in, bool logarithmic, std::size_t least) {
  std::vector<double> values;
  const int count = in.ConsumeIntegralInRange(1, 6);
  for (int k = 0; k < count; ++k) {
    const double v = in.ConsumeBool() ? in.ConsumeFloatingPoint<double>() : in.ConsumeIntegralInRange(-3, 30) * 0.25;
    if (std::isfinite(v) && (!logarithmic || v > 0)) values.push_back(v + 0.0);
  }
  std::sort(values.begin(), values.end());
  values.erase(std::unique(values.begin(), values.end()), values.end());
  if (values.size() < least) values = {1, 2};
  return values;
}

// A chi-square, a density or a level: finite, or NaN for a missing one.
double valueOf(FuzzedDataProvider& in) {
  switch (in.ConsumeIntegralInRange(0, 3)) {
    case 0: return std::nan("");
    case 1: return in.ConsumeIntegralInRange(0, 40) * 0.5;
    default: {
      const double v = in.ConsumeFloatingPoint<double>();
      return std::isfinite(v) ? v : 0;
    }
  }
}

std::vector<double> cells(FuzzedDataProvider& in, std::size_t count) {
  std::vector<double> out;
  for (std::size_t k = 0; k < count; ++k) out.push_back(valueOf(in));
  return out;
}

std::string text(FuzzedDataProvider& in) { return in.ConsumeRandomLengthString(40); }

figure::Contours contours(FuzzedDataProvider& in) {
  figure::Contours out;
  for (int n = in.ConsumeIntegralInRange(0, 6); n > 0; --n) {
    const double level = in.ConsumeFloatingPointInRange(1e-3, 1e6);
    out.levels.push_back(level);
    out.texts.push_back(text(in));
  }
  return out;
}

figure::Page pageOf(FuzzedDataProvider& in) {
  const auto format = static_cast<figure::ImageFormat>(in.ConsumeIntegralInRange(0, 2));
  if (in.ConsumeBool()) return figure::screenPage(format, in.ConsumeIntegralInRange(200, 10000), in.ConsumeIntegralInRange(150, 10000));
  return figure::printPage(format, in.ConsumeFloatingPointInRange(1.0, 20.0), in.ConsumeFloatingPointInRange(1.0, 20.0), 300);
}

figure::MapFigure mapOf(FuzzedDataProvider& in) {
  figure::MapFigure map{
      {text(in), in.ConsumeBool()}, {text(in), in.ConsumeBool()}, {}, {text(in), text(in)}, in.ConsumeBool() ? std::nan("") : std::pow(10.0, in.ConsumeFloatingPointInRange(-320.0, 308.0))};
  for (int k = in.ConsumeIntegralInRange(1, 3); k > 0; --k) {
    figure::MapLayer layer{text(in), gridValues(in, map.x.logarithmic, 2), gridValues(in, map.y.logarithmic, 2), {}, {}, {}};
    layer.chiSquare = cells(in, layer.x.size() * layer.y.size());
    layer.best = {layer.x[in.ConsumeIntegralInRange<std::size_t>(0, layer.x.size() - 1)], layer.y[in.ConsumeIntegralInRange<std::size_t>(0, layer.y.size() - 1)]};
    layer.contours = contours(in);
    map.layers.push_back(std::move(layer));
  }
  return map;
}

figure::CornerFigure cornerOf(FuzzedDataProvider& in) {
  figure::CornerFigure corner;
  for (figure::FigureAxis& axis : corner.axes) axis = {text(in), in.ConsumeBool()};
  corner.densities = in.ConsumeBool();
  corner.colourCap = in.ConsumeFloatingPointInRange(0.1, 1e4);
  for (int n = in.ConsumeIntegralInRange(1, 4); n > 0; --n) corner.notes.push_back(text(in));
  for (int k = in.ConsumeIntegralInRange(1, 3); k > 0; --k) {
    figure::CornerLayer layer;
    layer.name = text(in);
    for (std::size_t a = 0; a < 3; ++a) {
      layer.values[a] = gridValues(in, corner.axes[a].logarithmic, 1);
      layer.best[a] = layer.values[a][in.ConsumeIntegralInRange<std::size_t>(0, layer.values[a].size() - 1)];
      layer.diagonal[a] = cells(in, layer.values[a].size());
      for (int s = in.ConsumeIntegralInRange(0, 2); s > 0; --s) {
        const double low = layer.values[a][in.ConsumeIntegralInRange<std::size_t>(0, layer.values[a].size() - 1)];
        layer.shaded[a].push_back({low, std::max(low, layer.values[a].back())});
      }
      layer.headings[a] = text(in);
    }
    for (std::size_t m = 0; m < figure::kCornerMaps.size(); ++m) layer.maps[m] = cells(in, layer.values[figure::kCornerMaps[m][0]].size() * layer.values[figure::kCornerMaps[m][1]].size());
    for (int n = in.ConsumeIntegralInRange(0, 4); n > 0; --n) layer.levels.push_back(valueOf(in));
    layer.contours = contours(in);
    corner.layers.push_back(std::move(layer));
  }
  return corner;
}

// No control character but the line end, and every datablock closed.
void checkScript(const std::string& script) {
  for (const char c : script) {
    const auto byte = static_cast<unsigned char>(c);
    require(byte >= 0x20 || c == '\n', "a control character in the script");
    require(byte != 0x7F, "a DEL in the script");
  }
  bool open = false;
  for (std::size_t at = 0; at < script.size();) {
    const std::size_t end = std::min(script.find('\n', at), script.size());
    const std::string_view line(script.data() + at, end - at);
    // Within a datablock only "EOD" means anything to gnuplot.
    if (open) {
      open = line != "EOD";
    } else {
      require(line != "EOD", "a datablock closed that was not opened");
      open = line.size() > 7 && line.substr(line.size() - 7) == " << EOD";
    }
    at = end + 1;
  }
  require(!open, "a datablock left open");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const figure::Page page = pageOf(in);
  const std::string kept = in.ConsumeBool() ? text(in) : std::string();
  if (in.ConsumeBool()) {
    checkScript(figure::mapScript(mapOf(in), page, kept));
  } else {
    checkScript(figure::cornerScript(cornerOf(in), page, kept));
  }
  return 0;
}
