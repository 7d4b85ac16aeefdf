#include "app/chi2map-plot/options.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <string_view>
#include <vector>

#include "datafiles/file_names.h"
#include "figure/gnuplot_run.h"
#include "fit/numbers.h"
#include "process/messages.h"
#include "process/output_file.h"
#include "process/system_calls.h"

namespace plot_tool {
namespace {

using datafiles::kProjections;
using process::Failure;

std::string mapSizeText() { return std::to_string(defaults::kMapWidth) + "x" + std::to_string(defaults::kMapHeight); }

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
    "              extension replaced by .png; {image} here when TABLE is\n"
    "              standard input, a pipe or a device)\n"
    "  -p N        projection of the table, if it is not to be recognised from the\n"
    "              column layout: 1 = {projection 1}, 2 = {projection 2},\n"
    "              3 = {projection 3}\n"
    "  -l LEVELS   contour levels above the smallest chi-square, comma-separated\n"
    "              (default \"{levels}\": 68.3, 95.4 and 99.73 % for two\n"
    "              parameters); \"none\" draws no contours\n"
    "  -c CAP      top of the colour scale in delta chi-square (default {cap}), so the\n"
    "              confidence region is not one flat colour; \"full\" for the whole range\n"
    "  -x XLABEL   x axis label, with units, such as \"T (K)\" (default: the name)\n"
    "  -y YLABEL   y axis label\n"
    "  -t TITLE    title of the plot (default: the projection, the parameter\n"
    "              minimised over and the table name)\n"
    "  -s WxH      image size in pixels (default {size}; .pdf: 100 pixels an inch)\n"
    "  --script FILE  keep the gnuplot script, data included; gnuplot FILE draws\n"
    "              the map again\n"
    "  -v          print what was read (projection, size, minimum) and the output name\n"
    "              (on standard error when a file goes to standard output)\n"
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

Failure usage(const std::string& message) { return process::usage(commandLine(), message); }

// The image beside a table that is a regular file, its extension replaced
// by .png; table.png in the working folder for standard input, a pipe or a
// device, or a name in /dev or /proc (/dev/stdin), which are no place for it.
std::string defaultOutput(const std::string& table) {
  struct stat facts {};
  if (table == process::kStandardStream || process::systemCalls().stat(table.c_str(), &facts) != 0 ||
      !S_ISREG(facts.st_mode))
    return defaults::kTableImage;
  const std::string absolute = std::filesystem::absolute(table).lexically_normal().string();
  if (absolute.rfind("/dev/", 0) == 0 || absolute.rfind("/proc/", 0) == 0) return defaults::kTableImage;
  const std::filesystem::path path(table);
  const std::string base = path.filename().string();
  const std::string stem =
      base.find('.') == std::string::npos || base.rfind('.') == 0 ? base : base.substr(0, base.rfind('.'));
  return (path.parent_path() / (stem + ".png")).string();
}

// One positive number and its text as given, or false.
bool positiveNumber(const std::string& text, double& value, std::string& shown) {
  std::vector<double> values;
  std::vector<std::string> texts;
  if (!process::positiveNumbers(text, values, texts) || values.size() != 1) return false;
  value = values[0];
  shown = texts[0];
  return true;
}

Failure checkTable(const Options& o, Plan& plan) {
  if (o.oldLogScale) return usage("-L is gone: the colours show delta chi-square, capped by -c");
  if (o.table.empty()) return usage("no table given");
  if (o.projection.empty()) return {};
  if (o.projection != "1" && o.projection != "2" && o.projection != "3")
    return usage("projection must be 1, 2 or 3, not " + process::shownName(o.projection));
  plan.projection = &datafiles::projectionForChoice(o.projection[0] - '0');
  return {};
}

// The pixels of one side of a size: its digits' number, counts beyond
// kMostPixels all read as kMostPixels + 1 (out of range, however many
// digits); -1 for a text that is not digits alone.
constexpr long kMostPixels = 10000;
long pixels(std::string_view text) {
  if (text.empty() || text.find_first_not_of("0123456789") != std::string_view::npos) return -1;
  long count = 0;
  for (const char c : text) count = std::min(count * 10 + (c - '0'), kMostPixels + 1);
  return count;
}

Failure checkLook(const Options& o, Plan& plan) {
  std::string shown;
  if (o.cap != "full" && !positiveNumber(o.cap, plan.cap, shown))
    return usage("colour scale cap must be a positive number or 'full', not " + process::shownName(o.cap));
  const std::size_t x = o.size.find('x');
  const long width = pixels(std::string_view(o.size).substr(0, x));
  const long height = x == std::string::npos ? -1 : pixels(std::string_view(o.size).substr(x + 1));
  if (width < 0 || height < 0) return usage("size must be WIDTHxHEIGHT in pixels, not " + process::shownName(o.size));
  if (width < 200 || height < 150 || width > kMostPixels || height > kMostPixels)
    return usage("size " + o.size + " out of range (200x150 to 10000x10000)");
  plan.width = static_cast<int>(width);
  plan.height = static_cast<int>(height);
  if (o.levels == "none") return {};
  for (std::size_t start = 0;;) {
    const std::size_t comma = o.levels.find(',', start);
    const std::string item = o.levels.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    double level = 0;
    if (!positiveNumber(item, level, shown))
      return usage("contour level " + process::shownName(item) + " is not a positive number");
    plan.contours.levels.push_back(level);
    plan.contours.texts.push_back(shown);
    if (comma == std::string::npos) return {};
    start = comma + 1;
  }
}

Failure checkOutput(const Options& o, Plan& plan) {
  plan.output = o.output.empty() ? defaultOutput(o.table) : o.output;
  const auto format = figure::formatOf(plan.output);
  if (!format)
    return usage("cannot draw " + process::shownName(plan.output) +
                 ": the output's name must end in .png, .svg or .pdf (or be - for a PNG on standard output)");
  plan.format = *format;
  if (process::toTerminal(plan.output))
    return usage("will not write an image to a terminal: give -o FILE, or redirect standard output");
  return {};
}

// The files, refused before the table is read, gnuplot, and the table itself.
Failure checkFiles(const Options& o, Plan& plan) {
  std::vector<std::string> outputs = {plan.output};
  if (!o.script.empty()) outputs.push_back(o.script);
  if (Failure refusal = process::refuseOutputs(outputs, {o.table})) return refusal;
  plan.gnuplot = figure::gnuplotPath();
  if (plan.gnuplot.empty()) return Failure("gnuplot not found (Debian package gnuplot-nox)");
  if (std::filesystem::path(o.table).filename() == datafiles::kFitResults)
    return Failure(process::shownName(o.table) +
                   " is chi2map's input, not a table: run chi2map first and map its table.dat");
  return {};
}

}  // namespace

Options::Options() : cap(fit::shortText(defaults::kColourCap)), size(mapSizeText()) {}

const process::CommandLine& commandLine() {
  static const process::CommandLine line{"chi2map-plot", "chi2map-plot -h lists the options", "table",
                                         process::filledIn(kHelp, {{"{image}", defaults::kTableImage},
                                                                   {"{projection 1}", kProjections[0].name},
                                                                   {"{projection 2}", kProjections[1].name},
                                                                   {"{projection 3}", kProjections[2].name},
                                                                   {"{levels}", defaults::kContourLevels},
                                                                   {"{cap}", fit::shortText(defaults::kColourCap)},
                                                                   {"{size}", mapSizeText()}})};
  return line;
}

void addOptions(CLI::App& app, Options& options) {
  app.add_option("table", options.table);
  app.add_option("-o", options.output)->check(process::outputName());
  app.add_option("-p", options.projection)->check(process::givenValue());
  app.add_option("-l", options.levels);
  app.add_option("-c", options.cap);
  app.add_option("-x", options.xLabel);
  app.add_option("-y", options.yLabel);
  app.add_option("-t", options.title);
  app.add_option("-s", options.size);
  app.add_option("--script", options.script)->check(process::outputName());
  app.add_flag("-v", options.verbose);
  app.add_flag("-L", options.oldLogScale);
}

Failure makePlan(const Options& options, Plan& plan) {
  for (Failure (*check)(const Options&, Plan&) : {checkTable, checkLook, checkOutput, checkFiles})
    if (Failure failure = check(options, plan)) return failure;
  return {};
}

}  // namespace plot_tool
