#include "app/chi2map-fit/options.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdint>

#include "figure/gnuplot_run.h"
#include "fit/chi_square_law.h"
#include "fit/numbers.h"
#include "fit/report.h"
#include "process/messages.h"
#include "process/output_file.h"

namespace fit_tool {
namespace {

using datafiles::Parameter;
using process::Failure;

constexpr const char* kHelp =
    "usage: chi2map-fit [QUORVI...] [-o FIGURE] [--map X,Y] [--json] [--no-figure] [--partial]\n"
    "                   [--sigma LIST] [--cl LIST] [--dof N [--scale] [--relative]] [--marginal]\n"
    "                   [--log NAMES] [--name TEXT]... [--size SIZE] [--profiles FILE.csv]\n"
    "                   [--script FILE] [-l LEVELS] [--label NAME=TEXT]...\n"
    "\n"
    "Reads the records of each QUORVI (default {input}; - for standard input) as\n"
    "chi2map does, in any order and on any grid, prints the best fit with the\n"
    "intervals of each parameter, and draws the corner figure: the three\n"
    "chi-square maps and the three profiles, of every input in one figure.\n"
    "\n"
    "  -o, --output FIGURE  the figure (default {corner}, {map} with --map); its\n"
    "                       extension picks the format: .png, .svg or .pdf; - for\n"
    "                       a PNG on standard output (the fit then on standard error)\n"
    "  --map X,Y            draw the one map of X and Y (T, YORP, f_KE) instead\n"
    "  -n, --no-figure      print the fit only (gnuplot is not needed)\n"
    "  --json               print the fit as JSON, at full precision\n"
    "  --partial            fit what can be read of a file that stops early, ends\n"
    "                       inside a record or holds NaN or infinite values\n"
    "  --sigma LIST         intervals in sigma of one parameter (default {sigmas};\n"
    "                       1,2,3 gives delta chi-square 1, 4 and 9)\n"
    "  --cl LIST            intervals as probabilities (0.9 gives delta chi-square 2.71)\n"
    "  --dof N              the fit's degrees of freedom: reduced chi-square, p-value\n"
    "  --scale              with --dof: every level times max(1, chi2min / N)\n"
    "  --relative           with --dof: one more level, chi2min sqrt(2 / N)\n"
    "  --marginal           the marginal of each parameter: median, credible intervals\n"
    "                       ({credible}, or those of --sigma or --cl)\n"
    "  --log NAMES          T, YORP, f_KE: a logarithmic axis, and with --marginal a\n"
    "                       prior uniform in the logarithm; values must be above 0\n"
    "  --name TEXT          the name of each input in turn (default: as given)\n"
    "  --size SIZE          column (3.5 inches wide), page (7) or WxH in inches, for\n"
    "                       print: a PDF in inches, a PNG at {dpi} pixels an inch\n"
    "  --profiles FILE      write the profiles as CSV\n"
    "  --script FILE        keep the gnuplot script, data included, for editing;\n"
    "                       gnuplot FILE draws the figure again\n"
    "  -l, --levels LEVELS  contours of the maps in delta chi-square (default: the\n"
    "                       levels for two parameters; 1, 2 and 3 sigma: 2.30,\n"
    "                       6.18 and 11.8)\n"
    "  --label NAME=TEXT    the axis title of T, YORP or f_KE, such as 'T=T (K)'\n"
    "  -h, --help           print this help\n"
    "  --version            print the version\n"
    "\n"
    "Files are replaced whole, only when the whole run succeeds; - names standard\n"
    "output for every file (the fit is then printed on standard error). Exit\n"
    "status: 0 on success, 1 when there is no fit, no figure or a file cannot be\n"
    "written, 2 for a usage error, for outputs that are one file or an input, or\n"
    "for a logarithmic axis with a value at or below 0.\n";

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

// Probabilities separated by commas, each above 0 and below 1.
bool probabilities(std::string_view text, std::vector<double>& values) {
  std::vector<std::string> texts;
  return process::positiveNumbers(text, values, texts) &&
         std::all_of(values.begin(), values.end(), [](double p) { return p < 1; });
}

// A count of degrees of freedom: a whole number from 1 up to 2^53, which a
// double holds exactly.
std::optional<double> degreesOfFreedom(std::string_view text) {
  std::uint64_t n = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), n);
  if (text.empty() || error != std::errc{} || end != text.data() + text.size() || n == 0 || n > (1ULL << 53)) return {};
  return static_cast<double>(n);
}

// The levels of the intervals: --sigma (default 1 sigma when neither it nor
// --cl is given), then --cl, scaled or joined with --dof.
Failure checkLevels(const Options& options, Plan& plan) {
  fit::LevelChoice& choice = plan.intervals;
  std::vector<std::string> texts;
  if (!options.sigma.empty() && !process::positiveNumbers(options.sigma, choice.sigmas, texts))
    return usage("--sigma needs positive numbers separated by commas, not '" + options.sigma + "'");
  if (!options.cl.empty() && !probabilities(options.cl, choice.probabilities))
    return usage("--cl needs probabilities above 0 and below 1 separated by commas (0.9 for 90%), not '" + options.cl +
                 "'");
  if (!options.dof.empty() && !(choice.dof = degreesOfFreedom(options.dof)))
    return usage("--dof needs a positive whole number of degrees of freedom, not '" + options.dof + "'");
  if ((options.scale || options.relative) && !choice.dof)
    return usage(std::string(options.scale ? "--scale" : "--relative") +
                 " needs --dof N, the fit's degrees of freedom");
  choice.scale = options.scale;
  choice.relative = options.relative;
  return {};
}

// The maps' contours: -l as typed, or the levels of the intervals for two
// parameters (1, 2 and 3 sigma when no level is given); and the marginals'
// credible intervals.
Failure checkContours(const Options& options, Plan& plan) {
  fit::LevelChoice& choice = plan.intervals;
  plan.contours = choice;
  plan.credible = choice.probabilities;
  for (std::size_t s = choice.sigmas.size(); s-- > 0;)
    plan.credible.insert(plan.credible.begin(), fit::sigmaProbability(choice.sigmas[s]));
  if (choice.sigmas.empty() && choice.probabilities.empty()) {
    std::vector<std::string> texts;
    if (!process::positiveNumbers(defaults::kSigmas, choice.sigmas, texts)) return Failure("bad default levels");
    plan.contours.sigmas.assign(std::begin(defaults::kContourSigmas), std::end(defaults::kContourSigmas));
    plan.credible.clear();
    for (const double k : defaults::kCredibleSigmas) plan.credible.push_back(fit::sigmaProbability(k));
  }
  if (options.levels.empty()) return {};
  figure::Contours typed;
  if (!process::positiveNumbers(options.levels, typed.levels, typed.texts))
    return usage("--levels needs positive numbers separated by commas, not '" + options.levels + "'");
  plan.typedContours = typed;
  return {};
}

Failure checkInputs(const Options& options, Plan& plan) {
  plan.inputs = options.inputs;
  if (plan.inputs.empty()) plan.inputs.emplace_back(datafiles::kFitResults);
  if (options.names.size() > plan.inputs.size())
    return usage("more names than inputs: " + std::to_string(options.names.size()) + " --name for " +
                 std::to_string(plan.inputs.size()) + " input(s)");
  plan.names = options.names;
  for (std::size_t i = plan.names.size(); i < plan.inputs.size(); ++i) plan.names.push_back(plan.inputs[i]);
  return {};
}

Failure checkLog(const Options& options, Plan& plan) {
  for (std::string_view rest = options.log; !options.log.empty();) {
    const auto comma = rest.find(',');
    const auto p = parameterNamed(std::string(rest.substr(0, comma)));
    if (!p) return usage("--log needs T, YORP or f_KE separated by commas, not '" + options.log + "'");
    plan.logarithmic[*p] = true;
    if (comma == std::string_view::npos) break;
    rest.remove_prefix(comma + 1);
  }
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

// One side of a figure for print, in inches.
std::optional<double> inches(std::string_view text) {
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc{} || end != text.data() + text.size() || !(value >= 1) ||
      !(value <= defaults::kLargestInches))
    return {};
  return value;
}

// --size: column or page wide (a map a little lower than wide, the corner
// figure square), or WxH in inches.
std::optional<std::array<double, 2>> printSize(const std::string& size, bool map) {
  const double aspect = map ? defaults::kMapAspect : 1.0;
  if (size == "column") return std::array{defaults::kColumnInches, defaults::kColumnInches * aspect};
  if (size == "page") return std::array{defaults::kPageInches, defaults::kPageInches * aspect};
  const auto x = size.find_first_of("xX");
  if (x == std::string::npos) return {};
  const auto width = inches(std::string_view(size).substr(0, x)), height = inches(std::string_view(size).substr(x + 1));
  if (!width || !height) return {};
  return std::array{*width, *height};
}

// The figure's page: the default size in pixels, or --size in inches.
Failure choosePage(const Options& options, Plan& plan, figure::ImageFormat format) {
  if (options.size.empty()) {
    const int side = format == figure::ImageFormat::Pdf ? defaults::kCornerPdfSide : defaults::kCornerSide;
    plan.page = plan.mapAxes ? figure::screenPage(format, defaults::kMapWidth, defaults::kMapHeight)
                             : figure::screenPage(format, side, side);
    return {};
  }
  const auto size = printSize(options.size, plan.mapAxes.has_value());
  if (!size)
    return usage("--size needs column, page or WxH in inches from 1 to " + fit::shortText(defaults::kLargestInches) +
                 " (such as 3.5x3), not '" + options.size + "'");
  plan.page = figure::printPage(format, (*size)[0], (*size)[1], defaults::kPrintDpi);
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
    if (Failure failure = choosePage(options, plan, *format)) return failure;
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
  if (!options.noFigure && process::toTerminal(plan.figure))
    return usage("will not write an image to a terminal: give -o FILE, or redirect standard output");
  std::vector<std::string> outputs;
  if (!options.noFigure) outputs.push_back(plan.figure);
  if (!options.profiles.empty()) outputs.push_back(options.profiles);
  if (!options.script.empty()) outputs.push_back(options.script);
  plan.printToStandardError = std::any_of(outputs.begin(), outputs.end(),
                                          [](const std::string& o) { return process::Output(o).toStandardOutput(); });
  return process::refuseOutputs(outputs, plan.inputs);
}

// The default credible intervals: "68.27%, 95.45%, 99.73%".
std::string credibleText() {
  std::string text;
  for (const double k : defaults::kCredibleSigmas)
    text += (text.empty() ? "" : ", ") + fit::probabilityText(fit::sigmaProbability(k));
  return text;
}

}  // namespace

const process::CommandLine& commandLine() {
  static const process::CommandLine line{"chi2map-fit", "chi2map-fit --help lists the options", "input",
                                         process::filledIn(kHelp, {{"{input}", std::string(datafiles::kFitResults)},
                                                                   {"{corner}", defaults::kCornerFigure},
                                                                   {"{map}", defaults::kMapFigure},
                                                                   {"{sigmas}", defaults::kSigmas},
                                                                   {"{credible}", credibleText()},
                                                                   {"{dpi}", std::to_string(defaults::kPrintDpi)}})};
  return line;
}

void addOptions(CLI::App& app, Options& options) {
  app.add_option("input", options.inputs);
  app.add_option("--name", options.names)
      ->allow_extra_args(false)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  app.add_option("-o,--output", options.figure)->check(process::outputName());
  app.add_option("--map", options.map)->check(process::givenValue());
  app.add_flag("-n,--no-figure", options.noFigure);
  app.add_flag("--json", options.json);
  app.add_flag("--partial", options.partial);
  app.add_option("--sigma", options.sigma)->check(process::givenValue());
  app.add_option("--cl", options.cl)->check(process::givenValue());
  app.add_option("--dof", options.dof)->check(process::givenValue());
  app.add_flag("--scale", options.scale);
  app.add_flag("--relative", options.relative);
  app.add_flag("--marginal", options.marginal);
  app.add_option("--log", options.log)->check(process::givenValue());
  app.add_option("--size", options.size)->check(process::givenValue());
  app.add_option("--profiles", options.profiles)->check(process::outputName());
  app.add_option("--script", options.script)->check(process::outputName());
  app.add_option("-l,--levels", options.levels)->check(process::givenValue());
  app.add_option("--label", options.labels)
      ->allow_extra_args(false)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
}

Failure makePlan(const Options& options, Plan& plan) {
  for (Failure (*check)(const Options&, Plan&) :
       {checkInputs, checkLevels, checkContours, checkLog, checkLabels, checkMap, checkFigure, checkOutputs})
    if (Failure failure = check(options, plan)) return failure;
  return {};
}

}  // namespace fit_tool
