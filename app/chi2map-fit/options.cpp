#include "app/chi2map-fit/options.h"

#include <unistd.h>

#include <cctype>

#include "figure/gnuplot_run.h"
#include "process/messages.h"
#include "process/output_file.h"

namespace fit_tool {
namespace {

using datafiles::Parameter;
using process::Failure;

constexpr const char* kHelp =
    "usage: chi2map-fit [QUORVI] [-o FIGURE] [--map X,Y] [--json] [--no-figure] [--partial]\n"
    "                   [--sigma LIST] [--profiles FILE.csv] [--script FILE] [-l LEVELS]\n"
    "                   [--label NAME=TEXT]...\n"
    "\n"
    "Reads the records of QUORVI (default {input}; - for standard input) as\n"
    "chi2map does, in any order and on any grid, prints the best fit with the\n"
    "intervals of each parameter, and draws the corner figure: the three\n"
    "chi-square maps and the three profiles.\n"
    "\n"
    "  -o, --output FIGURE  the figure (default {corner}, {map} with --map); its\n"
    "                       extension picks the format: .png, .svg or .pdf; - for\n"
    "                       a PNG on standard output (the fit then on standard error)\n"
    "  --map X,Y            draw the one map of X and Y (T, YORP, f_KE) instead\n"
    "  -n, --no-figure      print the fit only (gnuplot is not needed)\n"
    "  --json               print the fit as JSON, at full precision\n"
    "  --partial            fit what can be read of a file that stops early, ends\n"
    "                       inside a record or holds NaN or infinite values\n"
    "  --sigma LIST         the intervals, in sigma of one parameter (default {sigmas};\n"
    "                       1,2,3 gives delta chi-square 1, 4 and 9)\n"
    "  --profiles FILE      write the three profiles as CSV\n"
    "  --script FILE        keep the gnuplot script, data included, for editing;\n"
    "                       gnuplot FILE draws the figure again\n"
    "  -l, --levels LEVELS  contours of the maps in delta chi-square (default\n"
    "                       {levels}: 68.3, 95.4, 99.73 % for two parameters)\n"
    "  --label NAME=TEXT    the axis title of T, YORP or f_KE, such as 'T=T (K)'\n"
    "  -h, --help           print this help\n"
    "  --version            print the version\n"
    "\n"
    "Files are replaced whole, only when the whole run succeeds; - names standard\n"
    "output for every file. Exit status: 0 on success, 1 when there is no fit, no\n"
    "figure or a file cannot be written, 2 for a usage error or for outputs that\n"
    "are one file or the input.\n";

Failure usage(const std::string& message) { return process::usage(commandLine(), message); }

// The parameter a name on the command line means: T, YORP (or "YORP
// strength") or f_KE, in any letter case.
std::optional<Parameter> parameterNamed(std::string name) {
  for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (name == "t") return datafiles::kT;
  if (name == "yorp" || name == "yorp strength") return datafiles::kYorp;
  if (name == "f_ke") return datafiles::kFke;
  return {};
}

Failure checkLevels(const Options& options, Plan& plan) {
  std::vector<double> sigmas;
  std::vector<std::string> texts;
  if (!process::positiveNumbers(options.sigma, sigmas, texts))
    return usage("--sigma needs positive numbers separated by commas, not '" + options.sigma + "'");
  for (const double sigma : sigmas) plan.deltas.push_back(sigma * sigma);
  if (!process::positiveNumbers(options.levels, plan.contours.levels, plan.contours.texts))
    return usage("--levels needs positive numbers separated by commas, not '" + options.levels + "'");
  return {};
}

Failure checkLabels(const Options& options, Plan& plan) {
  for (const Parameter p : datafiles::kParameters) plan.labels[p] = datafiles::kLongNames[p];
  for (const std::string& label : options.labels) {
    const auto equals = label.find('=');
    const auto p = equals == std::string::npos ? std::nullopt : parameterNamed(label.substr(0, equals));
    if (!p) return usage("--label needs NAME=TEXT with NAME T, YORP or f_KE, not '" + label + "'");
    plan.labels[*p] = label.substr(equals + 1);
  }
  return {};
}

Failure checkMap(const Options& options, Plan& plan) {
  if (options.map.empty()) return {};
  const auto comma = options.map.find(',');
  const auto x = comma == std::string::npos ? std::nullopt : parameterNamed(options.map.substr(0, comma));
  const auto y = comma == std::string::npos ? std::nullopt : parameterNamed(options.map.substr(comma + 1));
  if (!x || !y || *x == *y)
    return usage("--map needs two different parameters such as T,YORP (T, YORP, f_KE), not '" + options.map + "'");
  plan.mapAxes = std::array<Parameter, 2>{*x, *y};
  return {};
}

// The figure's name, its format and gnuplot's terminal for it, and the
// gnuplot that draws it.
Failure checkFigure(const Options& options, Plan& plan) {
  plan.figure = !options.figure.empty() ? options.figure
                : plan.mapAxes          ? defaults::kMapFigure
                                        : defaults::kCornerFigure;
  const auto format = figure::formatOf(plan.figure);
  if (!options.noFigure || !options.script.empty()) {
    if (!format)
      return usage("cannot draw " + process::shownName(plan.figure) +
                   ": the figure's name must end in .png, .svg or .pdf (or be - for a PNG on standard output)");
    const int side = *format == figure::ImageFormat::Pdf ? defaults::kCornerPdfSide : defaults::kCornerSide;
    plan.terminal = plan.mapAxes ? figure::terminalFor(*format, defaults::kMapWidth, defaults::kMapHeight)
                                 : figure::terminalFor(*format, side, side);
  }
  if (options.noFigure) return {};
  plan.gnuplot = figure::gnuplotPath();
  if (plan.gnuplot.empty())
    return Failure("gnuplot not found (Debian package gnuplot-nox); --no-figure prints the fit alone");
  return {};
}

// The files a run writes, refused before anything is read: an image for a
// terminal or two outputs that are one file or one that is the input (exit
// 2), or one that cannot be written (exit 1).
Failure checkOutputs(const Options& options, Plan& plan) {
  if (!options.noFigure && plan.figure == process::kStandardStream && isatty(1))
    return usage("will not write an image to a terminal: give -o FILE, or redirect standard output");
  std::vector<std::string> outputs;
  if (!options.noFigure) outputs.push_back(plan.figure);
  if (!options.profiles.empty()) outputs.push_back(options.profiles);
  if (!options.script.empty()) outputs.push_back(options.script);
  return process::refuseOutputs(outputs, {options.input});
}

}  // namespace

const process::CommandLine& commandLine() {
  static const process::CommandLine line{"chi2map-fit", "chi2map-fit --help lists the options", "input",
                                         process::filledIn(kHelp, {{"{input}", std::string(datafiles::kFitResults)},
                                                                   {"{corner}", defaults::kCornerFigure},
                                                                   {"{map}", defaults::kMapFigure},
                                                                   {"{sigmas}", defaults::kSigmas},
                                                                   {"{levels}", defaults::kContourLevels}})};
  return line;
}

void addOptions(CLI::App& app, Options& options) {
  app.add_option("input", options.input);
  app.add_option("-o,--output", options.figure);
  app.add_option("--map", options.map);
  app.add_flag("-n,--no-figure", options.noFigure);
  app.add_flag("--json", options.json);
  app.add_flag("--partial", options.partial);
  app.add_option("--sigma", options.sigma);
  app.add_option("--profiles", options.profiles);
  app.add_option("--script", options.script);
  app.add_option("-l,--levels", options.levels);
  app.add_option("--label", options.labels)
      ->allow_extra_args(false)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
}

Failure makePlan(const Options& options, Plan& plan) {
  for (Failure (*check)(const Options&, Plan&) : {checkLevels, checkLabels, checkMap, checkFigure, checkOutputs})
    if (Failure failure = check(options, plan)) return failure;
  return {};
}

}  // namespace fit_tool
