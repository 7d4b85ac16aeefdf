// chi2map-plot: draws a table.dat written by chi2map as a chi-square map.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "tools/fit/command_line.h"
#include "tools/fit/figure.h"
#include "tools/fit/table_layout.h"
#include "tools/fit/tool_process.h"

namespace {

constexpr const char* kProgram = "chi2map-plot";

constexpr const char* kHelp =
    "usage: chi2map-plot TABLE [-o OUT] [-p 1|2|3] [-l LEVELS] [-c CAP] [-x XLABEL] [-y YLABEL]\n"
    "                    [-t TITLE] [-s WxH] [-v]\n"
    "\n"
    "Draws the chi-square map in TABLE (a table.dat written by chi2map): the\n"
    "smallest chi-square over the third parameter (a profile map), coloured by\n"
    "delta chi-square above the map's minimum.\n"
    "\n"
    "  -o OUT      output file; its extension picks the format: .png, .svg or .pdf\n"
    "              (default: TABLE with its extension replaced by .png)\n"
    "  -p N        projection of the table, if it is not to be recognised from the\n"
    "              column layout: 1 = T vs YORP strength, 2 = T vs f_KE,\n"
    "              3 = f_KE vs YORP strength\n"
    "  -l LEVELS   contour levels above the smallest chi-square, comma-separated\n"
    "              (default \"2.30,6.18,11.83\": 68.3, 95.4 and 99.73 % for two\n"
    "              parameters); \"none\" draws no contours\n"
    "  -c CAP      top of the colour scale in delta chi-square (default 25), so the\n"
    "              confidence region is not one flat colour; \"full\" for the whole range\n"
    "  -x XLABEL   x axis label, with units, such as \"T (K)\" (default: the name)\n"
    "  -y YLABEL   y axis label\n"
    "  -t TITLE    title of the plot (default: the projection, the parameter\n"
    "              minimised over and the table name)\n"
    "  -s WxH      image size in pixels (default 1000x750; .pdf: 100 pixels an inch)\n"
    "  -v          print what was read (projection, size, minimum) and the output name\n"
    "  -h, --help  print this help\n"
    "  --version   print the version\n"
    "\n"
    "The first named parameter of the projection is on the x axis. Cells whose\n"
    "chi-square field is filled with asterisks (no fit reached them) or holds\n"
    "NaN/INF are left blank (grey). The table's labels are rounded; where they\n"
    "repeat, positions are only approximate: chi2map-fit --map draws the map from\n"
    "quorvi.res at the exact values. Exit status: 0 on success, 1 when the table\n"
    "cannot be plotted, 2 for a usage error.\n";

struct Options {
  std::string table, output, projection, levels = "2.30,6.18,11.83", cap = "25", xLabel, yLabel, title,
                                         size = "1000x750";
  bool verbose = false, help = false, version = false, oldLogScale = false;
};

constexpr fit::CommandLine kCommandLine{kProgram, "chi2map-plot -h lists the options", "table", kHelp};

int usageError(const std::string& message) { return fit::usageError(kCommandLine, message); }

// The whole file, read once (a pipe too); empty with `error` set when it cannot be.
std::string readWhole(const std::string& path, std::string& error) {
  struct stat facts {};
  if (stat(path.c_str(), &facts) == 0 && S_ISDIR(facts.st_mode)) {
    error = "it is a directory";
    return {};
  }
  const int descriptor = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (descriptor < 0) {
    error = std::strerror(errno);
    return {};
  }
  std::string text;
  char buffer[65536];
  for (;;) {
    const ssize_t got = read(descriptor, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) error = std::strerror(errno);
    if (got <= 0) break;
    text.append(buffer, static_cast<std::size_t>(got));
  }
  close(descriptor);
  return text;
}

bool isText(const std::string& text) {
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte < 0x20 && !std::strchr("\t\n\r\v\f", c)) || byte >= 0x7f) return false;
  }
  return true;
}

int run(const Options& o) {
  if (o.oldLogScale) return usageError("-L is gone: the colours show delta chi-square, capped by -c");
  if (o.table.empty()) return usageError("no table given");
  int projection = 0;
  if (!o.projection.empty()) {
    if (o.projection != "1" && o.projection != "2" && o.projection != "3")
      return usageError("projection must be 1, 2 or 3, not '" + o.projection + "'");
    projection = o.projection[0] - '0';
  }
  std::vector<double> values;
  std::vector<std::string> texts;
  double cap = NAN;
  if (o.cap != "full") {
    if (!fit::positiveNumbers(o.cap, values, texts) || values.size() != 1)
      return usageError("colour scale cap must be a positive number or 'full', not '" + o.cap + "'");
    cap = values[0];
  }
  unsigned width = 0, height = 0;
  char rest = 0;
  if (std::sscanf(o.size.c_str(), "%5ux%5u%c", &width, &height, &rest) != 2 ||
      o.size.find_first_not_of("0123456789x") != std::string::npos)
    return usageError("size must be WIDTHxHEIGHT in pixels, not '" + o.size + "'");
  if (width < 200 || height < 150 || width > 10000 || height > 10000)
    return usageError("size " + o.size + " out of range (200x150 to 10000x10000)");
  fit::Contours contours;
  if (o.levels != "none") {
    for (std::size_t start = 0;;) {
      const std::size_t comma = o.levels.find(',', start);
      const std::string item = o.levels.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
      if (!fit::positiveNumbers(item, values, texts) || values.size() != 1)
        return usageError("contour level '" + item + "' is not a positive number");
      contours.levels.push_back(values[0]);
      contours.texts.push_back(texts[0]);
      if (comma == std::string::npos) break;
      start = comma + 1;
    }
  }
  const std::filesystem::path tablePath(o.table);
  std::string output = o.output;
  if (output.empty()) {
    const std::string base = tablePath.filename().string();
    const std::string stem =
        base.find('.') == std::string::npos || base.rfind('.') == 0 ? base : base.substr(0, base.rfind('.'));
    output = (tablePath.parent_path() / (stem + ".png")).string();
  }
  const auto terminal = fit::terminalFor(output, static_cast<int>(width), static_cast<int>(height));
  if (!terminal) return usageError("cannot draw '" + output + "': the output's name must end in .png, .svg or .pdf");
  if (const std::string why = fit::unwritable(output); !why.empty())
    return fit::fail(kProgram, "cannot write '" + output + "': " + why + "; choose another -o");
  if (fit::sameFile(output, o.table)) return fit::fail(kProgram, "the output '" + output + "' is the table itself");

  if (!fit::gnuplotFound()) return fit::fail(kProgram, "gnuplot not found (Debian package gnuplot-nox)");
  std::string error;
  const std::string text = readWhole(o.table, error);
  if (!error.empty()) return fit::fail(kProgram, "cannot read '" + o.table + "': " + error);
  if (text.empty())
    return fit::fail(kProgram,
                     "'" + o.table + "' is empty: no table lines (chi2map writes none when quorvi.res held no record)");
  if (tablePath.filename() == "quorvi.res")
    return fit::fail(kProgram,
                     "'" + o.table + "' is chi2map's input, not a table: run chi2map first and map its table.dat");
  if (!isText(text)) return fit::fail(kProgram, "'" + o.table + "' is not a text file, not a chi2map table");
  fit::TableMap table;
  if (!fit::readTable(text, o.table, projection, table, error)) return fit::fail(kProgram, error);

  const fit::Projection& p = fit::kProjections[static_cast<std::size_t>(table.projection - 1)];
  const fit::Parameter xAxis = p.innerOnX ? p.inner : p.outer, yAxis = p.innerOnX ? p.outer : p.inner;
  const std::string xName = fit::kParameterNames[xAxis], yName = fit::kParameterNames[yAxis];
  for (const std::string& note : table.notes)
    (void)fit::fail(kProgram, "note: " + note + "; chi2map-fit --map " + (xAxis == fit::kYorp ? "YORP" : xName) + "," +
                                  (yAxis == fit::kYorp ? "YORP" : yName) +
                                  " quorvi.res draws the map at the exact values");
  fit::MapFigure map{{o.xLabel.empty() ? xName : o.xLabel, table.x},
                     {o.yLabel.empty() ? yName : o.yLabel, table.y},
                     table.chi2,
                     {table.bestX, table.bestY},
                     {},
                     contours,
                     cap};
  map.title = {
      o.title.empty() ? std::string("χ² map: ") + p.name + ", smallest over " + fit::kParameterNames[p.reduced] + " (" +
                            tablePath.filename().string() + ")"
                      : o.title,
      "minimum χ² = " + table.chi2Text + " at " + xName + " = " + table.xText + ", " + yName + " = " + table.yText};
  for (const std::string& level : fit::levelsNotReached(map))
    (void)fit::fail(kProgram, "note: no contour at delta chi-square " + level + ": the map does not reach it");
  if (const std::string why = fit::drawWithGnuplot(fit::mapScript(map, *terminal, fit::partialName(output)),
                                                   fit::partialName(output), output);
      !why.empty())
    return fit::fail(kProgram, why);
  if (o.verbose) {
    const std::string line = o.table + ": " + p.name + " (projection " + std::to_string(table.projection) + "), " +
                             std::to_string(table.x.size()) + " x " + std::to_string(table.y.size()) + " cells, " +
                             std::to_string(table.missing) + " missing; minimum " + table.chi2Text + " at " + xName +
                             " = " + table.xText + ", " + yName + " = " + table.yText + "; wrote " + output + "\n";
    if (const int e = fit::writeAll(1, line); e != 0)
      return fit::fail(kProgram, std::string("cannot write to standard output: ") + std::strerror(e));
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  fit::startTool();
  Options o;
  CLI::App app;
  fit::prepareApp(app, o.help, o.version);
  app.add_option("table", o.table);
  app.add_option("-o", o.output);
  app.add_option("-p", o.projection);
  app.add_option("-l", o.levels);
  app.add_option("-c", o.cap);
  app.add_option("-x", o.xLabel);
  app.add_option("-y", o.yLabel);
  app.add_option("-t", o.title);
  app.add_option("-s", o.size);
  app.add_flag("-v", o.verbose);
  app.add_flag("-L", o.oldLogScale);
  app.allow_extras();
  if (const int status = fit::parseCommandLine(kCommandLine, app, argc, argv, o.table, o.help, o.version); status >= 0)
    return status;
  return run(o);
}
