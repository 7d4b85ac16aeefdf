// chi2map-plot: draws a table.dat written by chi2map as a chi-square map.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "figure/gnuplot_run.h"
#include "figure/gnuplot_script.h"
#include "figure/table_map.h"
#include "process/command_line.h"
#include "process/output_file.h"
#include "process/system_calls.h"
#include "process/tool_process.h"

namespace {

constexpr const char* kProgram = "chi2map-plot";

constexpr const char* kHelp =
    "usage: chi2map-plot TABLE [-o OUT] [-p 1|2|3] [-l LEVELS] [-c CAP] [-x XLABEL] [-y YLABEL]\n"
    "                    [-t TITLE] [-s WxH] [--script FILE] [-v]\n"
    "\n"
    "Draws the chi-square map in TABLE (a table.dat written by chi2map; - for\n"
    "standard input): the smallest chi-square over the third parameter (a\n"
    "profile map), coloured by delta chi-square above the map's minimum.\n"
    "\n"
    "  -o OUT      output file; its extension picks the format: .png, .svg or .pdf;\n"
    "              - for a PNG on standard output (default: TABLE with its\n"
    "              extension replaced by .png; table.png here when TABLE is\n"
    "              standard input, a pipe or a device)\n"
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
    "  --script FILE  keep the gnuplot script, data included; gnuplot FILE draws\n"
    "              the map again\n"
    "  -v          print what was read (projection, size, minimum) and the output name\n"
    "              (on standard error when the image goes to standard output)\n"
    "  -h, --help  print this help\n"
    "  --version   print the version\n"
    "\n"
    "The first named parameter of the projection is on the x axis. Cells whose\n"
    "chi-square field is filled with asterisks (no fit reached them) or holds\n"
    "NaN/INF are left blank (grey); among equal smallest chi-squares the first in\n"
    "the table is the minimum. The table's labels are rounded; where they\n"
    "repeat, positions are only approximate: chi2map-fit --map draws the map from\n"
    "quorvi.res at the exact values. Files are replaced whole, only when the run\n"
    "succeeds. Exit status: 0 on success, 1 when the table cannot be plotted or\n"
    "a file cannot be written, 2 for a usage error or an output that is the table\n"
    "or the other output.\n";

struct Options {
  std::string table, output, projection, levels = "2.30,6.18,11.83", cap = "25", xLabel, yLabel, title,
                                         size = "1000x750", script;
  bool verbose = false, help = false, version = false, oldLogScale = false;
};

constexpr fit::CommandLine kCommandLine{kProgram, "chi2map-plot -h lists the options", "table", kHelp};

int usageError(const std::string& message) { return fit::usageError(kCommandLine, message); }

// What the options ask for, checked.
struct Plan {
  int projection = 0;
  double cap = NAN;
  int width = 0, height = 0;
  fit::Contours contours;
  std::string output;
  fit::ImageFormat format = fit::ImageFormat::Png;
};

// The image beside a table that is a regular file, its extension replaced
// by .png; table.png in the working folder for standard input, a pipe or a
// device, or a name in /dev or /proc (/dev/stdin), which are no place for it.
std::string defaultOutput(const std::string& table) {
  struct stat facts {};
  if (table == fit::kStandardStream || stat(table.c_str(), &facts) != 0 || !S_ISREG(facts.st_mode)) return "table.png";
  const std::string absolute = std::filesystem::absolute(table).lexically_normal().string();
  if (absolute.rfind("/dev/", 0) == 0 || absolute.rfind("/proc/", 0) == 0) return "table.png";
  const std::filesystem::path path(table);
  const std::string base = path.filename().string();
  const std::string stem =
      base.find('.') == std::string::npos || base.rfind('.') == 0 ? base : base.substr(0, base.rfind('.'));
  return (path.parent_path() / (stem + ".png")).string();
}

// -1 when the options hold, else the exit status of the usage error.
int planOf(const Options& o, Plan& plan) {
  if (o.oldLogScale) return usageError("-L is gone: the colours show delta chi-square, capped by -c");
  if (o.table.empty()) return usageError("no table given");
  if (!o.projection.empty()) {
    if (o.projection != "1" && o.projection != "2" && o.projection != "3")
      return usageError("projection must be 1, 2 or 3, not " + fit::shownName(o.projection));
    plan.projection = o.projection[0] - '0';
  }
  std::vector<double> values;
  std::vector<std::string> texts;
  if (o.cap != "full") {
    if (!fit::positiveNumbers(o.cap, values, texts) || values.size() != 1)
      return usageError("colour scale cap must be a positive number or 'full', not " + fit::shownName(o.cap));
    plan.cap = values[0];
  }
  unsigned width = 0, height = 0;
  char rest = 0;
  if (std::sscanf(o.size.c_str(), "%5ux%5u%c", &width, &height, &rest) != 2 ||
      o.size.find_first_not_of("0123456789x") != std::string::npos)
    return usageError("size must be WIDTHxHEIGHT in pixels, not " + fit::shownName(o.size));
  if (width < 200 || height < 150 || width > 10000 || height > 10000)
    return usageError("size " + o.size + " out of range (200x150 to 10000x10000)");
  plan.width = static_cast<int>(width);
  plan.height = static_cast<int>(height);
  if (o.levels != "none") {
    for (std::size_t start = 0;;) {
      const std::size_t comma = o.levels.find(',', start);
      const std::string item = o.levels.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
      if (!fit::positiveNumbers(item, values, texts) || values.size() != 1)
        return usageError("contour level " + fit::shownName(item) + " is not a positive number");
      plan.contours.levels.push_back(values[0]);
      plan.contours.texts.push_back(texts[0]);
      if (comma == std::string::npos) break;
      start = comma + 1;
    }
  }
  plan.output = o.output.empty() ? defaultOutput(o.table) : o.output;
  const auto format = fit::formatOf(plan.output);
  if (!format)
    return usageError("cannot draw " + fit::shownName(plan.output) +
                      ": the output's name must end in .png, .svg or .pdf (or be - for a PNG on standard output)");
  plan.format = *format;
  if (plan.output == fit::kStandardStream && isatty(1))
    return usageError("will not write an image to a terminal: give -o FILE, or redirect standard output");
  return -1;
}

// The table read as a stream: standard input for "-".
bool readTableFile(const std::string& name, int projection, fit::TableMap& table, std::string& error) {
  struct stat facts {};
  const bool standardInput = name == fit::kStandardStream;
  if (!standardInput && stat(name.c_str(), &facts) == 0 && S_ISDIR(facts.st_mode)) {
    error = "cannot read " + fit::shownName(name) + ": it is a directory";
    return false;
  }
  const int descriptor = standardInput ? 0 : open(name.c_str(), O_RDONLY | O_CLOEXEC);
  if (descriptor < 0) {
    error = "cannot read " + fit::shownName(name) + ": " + std::strerror(errno);
    return false;
  }
  const bool read = fit::readTable(
      [descriptor](char* buffer, std::size_t size) -> long {
        const ssize_t got = fit::readSome(descriptor, buffer, size);
        return got < 0 ? -errno : got;
      },
      name == fit::kStandardStream ? "standard input" : name, projection, table, error);
  if (!standardInput) close(descriptor);
  return read;
}

fit::MapFigure figureOf(const Options& o, const Plan& plan, const fit::TableMap& table) {
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
                     plan.contours,
                     plan.cap};
  const std::string tableName =
      o.table == fit::kStandardStream ? "standard input" : std::filesystem::path(o.table).filename().string();
  map.title = {
      o.title.empty() ? std::string("χ² map: ") + p.name + ", smallest over " + fit::kParameterNames[p.reduced] + " (" +
                            tableName + ")"
                      : o.title,
      "minimum χ² = " + table.chi2Text + " at " + xName + " = " + table.xText + ", " + yName + " = " + table.yText};
  for (const std::string& level : fit::levelsNotReached(map))
    (void)fit::fail(kProgram, "note: no contour at delta chi-square " + level + ": the map does not reach it");
  return map;
}

// What -v prints: what was read, and where the image went.
std::string summary(const Options& o, const Plan& plan, const fit::TableMap& table) {
  const fit::Projection& p = fit::kProjections[static_cast<std::size_t>(table.projection - 1)];
  const fit::Parameter xAxis = p.innerOnX ? p.inner : p.outer, yAxis = p.innerOnX ? p.outer : p.inner;
  return fit::visible(o.table) + ": " + p.name + " (projection " + std::to_string(table.projection) + "), " +
         std::to_string(table.x.size()) + " x " + std::to_string(table.y.size()) + " cells, " +
         std::to_string(table.missing) + " missing; minimum " + table.chi2Text + " at " + fit::kParameterNames[xAxis] +
         " = " + table.xText + ", " + fit::kParameterNames[yAxis] + " = " + table.yText + "; wrote " +
         fit::visible(plan.output) + "\n";
}

int writeFiles(const Options& o, const Plan& plan, const fit::TableMap& table,
               const std::vector<std::pair<std::string, std::string>>& files);

int run(const Options& o) {
  Plan plan;
  if (const int status = planOf(o, plan); status >= 0) return status;
  std::vector<std::string> outputs = {plan.output};
  if (!o.script.empty()) outputs.push_back(o.script);
  if (const std::string refusal = fit::sameFileRefusal(outputs, {o.table}); !refusal.empty()) {
    (void)fit::fail(kProgram, refusal);
    return fit::kUsage;
  }
  for (const std::string& name : outputs)
    if (const std::string why = fit::unwritable(name); !why.empty())
      return fit::fail(kProgram, "cannot write " + fit::shownName(name) + ": " + why + "; choose another name");
  const std::string gnuplot = fit::gnuplotPath();
  if (gnuplot.empty()) return fit::fail(kProgram, "gnuplot not found (Debian package gnuplot-nox)");
  if (std::filesystem::path(o.table).filename() == "quorvi.res")
    return fit::fail(kProgram, fit::shownName(o.table) +
                                   " is chi2map's input, not a table: run chi2map first and map its table.dat");
  fit::TableMap table;
  std::string error;
  if (!readTableFile(o.table, plan.projection, table, error)) return fit::fail(kProgram, error);
  const fit::MapFigure map = figureOf(o, plan, table);
  const std::string terminal = fit::terminalFor(plan.format, plan.width, plan.height);
  fit::Drawing drawing = fit::drawWithGnuplot(gnuplot, fit::mapScript(map, terminal), plan.format);
  if (!drawing.failure.empty())
    return fit::fail(kProgram, "gnuplot could not draw " + fit::shownName(plan.output) + ": " + drawing.failure);
  std::string kept = o.script.empty() ? std::string() : fit::mapScript(map, terminal, plan.output);
  return writeFiles(o, plan, table, {{plan.output, std::move(drawing.image)}, {o.script, std::move(kept)}});
}

// Nothing is kept unless the whole run succeeds: every file is staged, the
// -v line written, then the files take their places.
int writeFiles(const Options& o, const Plan& plan, const fit::TableMap& table,
               const std::vector<std::pair<std::string, std::string>>& files) {
  std::vector<std::unique_ptr<fit::Output>> staged;
  bool imageOut = false;
  for (const auto& [name, bytes] : files) {
    if (name.empty()) continue;
    staged.push_back(std::make_unique<fit::Output>(name));
    imageOut = imageOut || (name == plan.output && staged.back()->toStandardOutput());
    if (const std::string why = staged.back()->stage(bytes); !why.empty())
      return fit::fail(kProgram, "cannot write " + fit::shownName(name) + ": " + why);
  }
  if (o.verbose)
    if (const int e = fit::writeAll(imageOut ? 2 : 1, summary(o, plan, table)); e != 0)
      return fit::fail(kProgram, std::string("cannot write to standard output: ") + std::strerror(e));
  for (std::size_t n = 0; n < staged.size(); ++n)
    if (const std::string why = staged[n]->commit(); !why.empty())
      return fit::fail(kProgram, "cannot write " + fit::shownName(files[n].first) + ": " + why);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  fit::startTool();
  return fit::runTool(kProgram, [&] {
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
    app.add_option("--script", o.script);
    app.add_flag("-v", o.verbose);
    app.add_flag("-L", o.oldLogScale);
    app.allow_extras();
    if (const int status = fit::parseCommandLine(kCommandLine, app, argc, argv, o.table, o.help, o.version);
        status >= 0)
      return status;
    return run(o);
  });
}
