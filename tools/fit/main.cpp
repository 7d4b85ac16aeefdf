// chi2map-fit: reads the records of a fit-result file, prints the best fit
// with the intervals of each parameter, and draws the corner figure (or one
// map) with gnuplot.
#include <CLI/CLI.hpp>
#include <array>
#include <cctype>
#include <cmath>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "tools/fit/command_line.h"
#include "tools/fit/figure.h"
#include "tools/fit/numbers.h"
#include "tools/fit/profile.h"
#include "tools/fit/record_grid.h"
#include "tools/fit/report.h"
#include "tools/fit/tool_process.h"

namespace {

constexpr const char* kProgram = "chi2map-fit";

constexpr const char* kHelp =
    "usage: chi2map-fit [QUORVI] [-o FIGURE] [--map X,Y] [--json] [--no-figure] [--partial]\n"
    "                   [--sigma LIST] [--profiles FILE.csv] [--script FILE] [-l LEVELS]\n"
    "                   [--label NAME=TEXT]...\n"
    "\n"
    "Reads the records of QUORVI (default quorvi.res; - for standard input) as\n"
    "chi2map does, in any order and on any grid, prints the best fit with the\n"
    "intervals of each parameter, and draws the corner figure: the three\n"
    "chi-square maps and the three profiles.\n"
    "\n"
    "  -o, --output FIGURE  the figure (default fit.png, map.png with --map); its\n"
    "                       extension picks the format: .png, .svg or .pdf\n"
    "  --map X,Y            draw the one map of X and Y (T, YORP, f_KE) instead\n"
    "  -n, --no-figure      print the fit only (gnuplot is not needed)\n"
    "  --json               print the fit as JSON, at full precision\n"
    "  --partial            fit what can be read of a file that stops early, ends\n"
    "                       inside a record or holds NaN or infinite values\n"
    "  --sigma LIST         the intervals, in sigma of one parameter (default 1;\n"
    "                       1,2,3 gives delta chi-square 1, 4 and 9)\n"
    "  --profiles FILE      write the three profiles as CSV\n"
    "  --script FILE        keep the gnuplot script, data included, for editing\n"
    "  -l, --levels LEVELS  contours of the maps in delta chi-square (default\n"
    "                       2.30,6.18,11.83: 68.3, 95.4, 99.73 % for two parameters)\n"
    "  --label NAME=TEXT    the axis title of T, YORP or f_KE, such as 'T=T (K)'\n"
    "  -h, --help           print this help\n"
    "  --version            print the version\n"
    "\n"
    "Exit status: 0 on success, 1 when there is no fit or no figure, 2 for a\n"
    "usage error.\n";

struct Options {
  std::string input = "quorvi.res";
  std::string figure;
  std::string map;
  bool json = false;
  bool noFigure = false;
  bool partial = false;
  std::string sigma = "1";
  std::string profiles;
  std::string script;
  std::string levels = "2.30,6.18,11.83";
  std::vector<std::string> labels;
  bool help = false;
  bool version = false;
};

constexpr fit::CommandLine kCommandLine{kProgram, "chi2map-fit --help lists the options", "input", kHelp};

int usageError(const std::string& message) { return fit::usageError(kCommandLine, message); }

// The parameter a name on the command line means: T, YORP (or "YORP
// strength") or f_KE, in any letter case.
std::optional<fit::Parameter> parameterNamed(std::string name) {
  for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (name == "t") return fit::kT;
  if (name == "yorp" || name == "yorp strength") return fit::kYorp;
  if (name == "f_ke") return fit::kFke;
  return {};
}

// Output and its messages, said once the fit is known.
struct Outcome {
  std::string out;
  std::vector<std::string> warnings;
};

void warn(Outcome& outcome, const std::string& warning) {
  (void)fit::fail(kProgram, "warning: " + warning);
  outcome.warnings.push_back(warning);
}

std::string lineOf(std::int64_t line, const std::string& file) {
  return "line " + std::to_string(line) + " of " + file;
}

std::string cellsText(const std::array<std::uint64_t, 3>& counts) {
  return std::to_string(counts[0]) + " T x " + std::to_string(counts[1]) + " YORP strength x " +
         std::to_string(counts[2]) + " f_KE values";
}

// What reading met that the fit may not go on from: empty when it may,
// otherwise the one line of the refusal. Without --partial, a record that
// may have lost or left out values stops the fit.
std::string readingRefusal(const Options& options, const fit::ReadingEnd& end) {
  const std::string file = fit::shownName(options.input);
  if (end.failure != 0) return "cannot read " + file + ": " + fit::failureText(end.failure);
  if (end.tooLargeLine != 0)
    return "the records of " + file + " do not lie on a grid: at line " + std::to_string(end.tooLargeLine) +
           " they have " + cellsText(end.tooLargeCounts) + ", more than " + std::to_string(fit::kMaxCells) + " cells";
  if (options.partial) return {};
  const std::string partly = ", or give --partial to fit the records as read";
  if (end.partReadLine != 0)
    return lineOf(end.partReadLine, file) +
           " was read only in part: its record began on an earlier line, which may lack a value: complete it" + partly;
  if (end.moreThanRecordLine != 0)
    return lineOf(end.moreThanRecordLine, file) +
           " holds more than a record: what follows its fifth value was not read: put each record on a line of its "
           "own" +
           partly;
  if (end.nonFiniteRecords != 0)
    return lineOf(end.firstNonFiniteLine, file) +
           " holds a NaN or infinite value (T, YORP strength doubled, f_KE or chi-square): mend it" + partly;
  if (end.stoppedAtLine != 0)
    return lineOf(end.stoppedAtLine, file) +
           " is not a record of five numbers (a heading, a word, a value left out): mend or remove it" + partly;
  if (end.endsInsideRecord)
    return file + " ends inside a record after line " + std::to_string(end.linesRead) +
           " (too few values): complete it" + partly;
  return {};
}

// The warnings of reading: with --partial, what would have been refused;
// in either mode, values that split a grid value and a grid mostly empty.
void warnAboutReading(const Options& options, const fit::GridReading& reading, Outcome& outcome) {
  const fit::ReadingEnd& end = reading.end;
  const std::string file = fit::shownName(options.input);
  if (end.partReadLine != 0)
    warn(outcome, lineOf(end.partReadLine, file) +
                      " was read only in part: its record began on an earlier line, which may lack a value");
  if (end.moreThanRecordLine != 0)
    warn(outcome,
         lineOf(end.moreThanRecordLine, file) + " holds more than a record: what follows its fifth value was not read");
  if (end.nonFiniteRecords != 0)
    warn(outcome, std::to_string(end.nonFiniteRecords) +
                      " record(s) with a NaN or infinite value left out, the first at " +
                      lineOf(end.firstNonFiniteLine, file));
  if (end.stoppedAtLine != 0)
    warn(outcome, "loading stopped at " + lineOf(end.stoppedAtLine, file) +
                      " (not a record of five numbers): only the records before it are fitted");
  if (end.endsInsideRecord)
    warn(outcome,
         file + " ends inside a record after line " + std::to_string(end.linesRead) + ": that record is left out");
  for (std::size_t a = 0; a < 3; ++a) {
    const fit::CloseValues& close = end.closeValues[a];
    if (close.pairs == 0) continue;
    warn(outcome, std::string(fit::kParameterNames[a]) + " values " + fit::exactText(close.low) + " (" +
                      lineOf(close.lowLine, file) + ") and " + fit::exactText(close.high) + " (line " +
                      std::to_string(close.highLine) + ") differ by less than 1e-9 of their size, " +
                      std::to_string(close.pairs) + " such pair(s): each is a grid value of its own");
  }
  const fit::RecordGrid& grid = reading.grid;
  const std::uint64_t cells = std::uint64_t{grid.size(fit::kT)} * grid.size(fit::kYorp) * grid.size(fit::kFke);
  if (2 * grid.filledCells < cells)
    warn(outcome, "only " + fit::shortText(100.0 * static_cast<double>(grid.filledCells) / static_cast<double>(cells)) +
                      "% of the grid's cells have a chi-square (" + std::to_string(grid.filledCells) + " of " +
                      cellsText({grid.size(fit::kT), grid.size(fit::kYorp), grid.size(fit::kFke)}) + " = " +
                      std::to_string(cells) + "): the records may not lie on one grid");
}

fit::FigureAxis axisOf(const fit::RecordGrid& grid, const std::array<std::string, 3>& labels, fit::Parameter p) {
  return {labels[p], grid.axes[p]};
}

int run(const Options& options) {
  // Everything that can be refused is refused before the file is read.
  std::vector<double> sigmas, levels;
  std::vector<std::string> sigmaTexts, levelTexts;
  if (!fit::positiveNumbers(options.sigma, sigmas, sigmaTexts))
    return usageError("--sigma needs positive numbers separated by commas, not '" + options.sigma + "'");
  if (!fit::positiveNumbers(options.levels, levels, levelTexts))
    return usageError("--levels needs positive numbers separated by commas, not '" + options.levels + "'");
  std::array<std::string, 3> labels = {fit::kParameterNames[0], fit::kParameterNames[1], fit::kParameterNames[2]};
  for (const std::string& label : options.labels) {
    const auto equals = label.find('=');
    const auto p = equals == std::string::npos ? std::nullopt : parameterNamed(label.substr(0, equals));
    if (!p) return usageError("--label needs NAME=TEXT with NAME T, YORP or f_KE, not '" + label + "'");
    labels[*p] = label.substr(equals + 1);
  }
  std::optional<std::array<fit::Parameter, 2>> mapAxes;
  if (!options.map.empty()) {
    const auto comma = options.map.find(',');
    const auto x = comma == std::string::npos ? std::nullopt : parameterNamed(options.map.substr(0, comma));
    const auto y = comma == std::string::npos ? std::nullopt : parameterNamed(options.map.substr(comma + 1));
    if (!x || !y || *x == *y)
      return usageError("--map needs two different parameters such as T,YORP (T, YORP, f_KE), not '" + options.map +
                        "'");
    mapAxes = std::array<fit::Parameter, 2>{*x, *y};
  }
  const std::string figure = !options.figure.empty() ? options.figure : mapAxes ? "map.png" : "fit.png";
  std::string terminal;
  std::vector<std::string> outputs;
  if (!options.noFigure || !options.script.empty()) {
    // The corner's PDF is 8 inches square, its fonts sized for that.
    auto chosen = mapAxes ? fit::terminalFor(figure, 1000, 750) : fit::terminalFor(figure, 1200, 1200);
    if (!mapAxes && chosen && chosen->rfind("pdfcairo", 0) == 0) chosen = fit::terminalFor(figure, 800, 800);
    if (!chosen) return usageError("cannot draw '" + figure + "': the figure's name must end in .png, .svg or .pdf");
    terminal = *chosen;
  }
  if (!options.noFigure) {
    if (!fit::gnuplotFound())
      return fit::fail(kProgram, "gnuplot not found (Debian package gnuplot-nox); --no-figure prints the fit alone");
    outputs.push_back(figure);
  }
  if (!options.profiles.empty()) outputs.push_back(options.profiles);
  if (!options.script.empty()) outputs.push_back(options.script);
  for (const std::string& output : outputs) {
    if (const std::string why = fit::unwritable(output); !why.empty())
      return fit::fail(kProgram, "cannot write '" + output + "': " + why + "; choose another name");
    if (fit::sameFile(output, options.input))
      return fit::fail(kProgram, "'" + output + "' is the input itself; choose another name");
  }

  // "-" is standard input, as for most tools.
  const fit::GridReading reading = fit::readRecordGrid(options.input == "-" ? "/dev/stdin" : options.input);
  if (const std::string refusal = readingRefusal(options, reading.end); !refusal.empty())
    return fit::fail(kProgram, refusal);
  const fit::RecordGrid& grid = reading.grid;
  if (grid.records == 0)
    return fit::fail(kProgram, fit::shownName(options.input) + " holds no record of five numbers: nothing to fit");
  Outcome outcome;
  warnAboutReading(options, reading, outcome);

  std::vector<double> deltas;
  for (const double sigma : sigmas) deltas.push_back(sigma * sigma);
  const fit::GridFit gridFit = fit::fitGrid(grid, deltas);
  const fit::FitReport report{options.input, grid, gridFit, outcome.warnings};
  const std::string printed = options.json ? fit::fitJson(report) : fit::fitText(report);
  if (const int error = fit::writeAll(1, printed); error != 0)
    return fit::fail(kProgram, std::string("cannot write the fit to standard output: ") + std::strerror(error));
  if (!options.profiles.empty())
    if (const std::string why = fit::writeFileWhole(options.profiles, fit::profilesCsv(report)); !why.empty())
      return fit::fail(kProgram, "cannot write '" + options.profiles + "': " + why);
  if (options.noFigure && options.script.empty()) return 0;

  // The script, drawing into `output`.
  std::function<std::string(const std::string&)> script;
  std::string drawn;
  if (mapAxes) {
    const auto [x, y] = *mapAxes;
    if (grid.size(x) < 2 || grid.size(y) < 2)
      return fit::fail(kProgram, std::string("no map: ") + fit::kParameterNames[grid.size(x) < 2 ? x : y] +
                                     " has a single value in '" + options.input + "'");
    const fit::Parameter reduced = static_cast<fit::Parameter>(3 - x - y);
    fit::MapFigure map{axisOf(grid, labels, x),
                       axisOf(grid, labels, y),
                       fit::profileMap(grid, x, y),
                       {gridFit.parameters[x].best, gridFit.parameters[y].best},
                       {},
                       {levels, levelTexts},
                       25.0};
    map.title = {std::string("χ² map: ") + fit::kParameterNames[x] + " vs " + fit::kParameterNames[y] +
                     ", smallest over " + fit::kParameterNames[reduced] + " (" + options.input + ")",
                 "minimum χ² = " + fit::exactText(gridFit.chi2Min) + " at " + fit::kParameterNames[x] + " = " +
                     fit::exactText(gridFit.parameters[x].best) + ", " + fit::kParameterNames[y] + " = " +
                     fit::exactText(gridFit.parameters[y].best)};
    script = [map, &terminal](const std::string& output) { return fit::mapScript(map, terminal, output); };
    drawn = "map: " + figure;
  } else {
    if (grid.size(fit::kT) < 2 && grid.size(fit::kYorp) < 2 && grid.size(fit::kFke) < 2)
      return fit::fail(kProgram, "no figure: no parameter has two or more values; --no-figure prints the fit alone");
    fit::CornerFigure corner{
        {axisOf(grid, labels, fit::kT), axisOf(grid, labels, fit::kYorp), axisOf(grid, labels, fit::kFke)},
        gridFit,
        {},
        {},
        {levels, levelTexts}};
    for (std::size_t m = 0; m < 3; ++m) {
      corner.maps[m] = fit::profileMap(grid, fit::kCornerMaps[m][0], fit::kCornerMaps[m][1]);
      corner.headings[m] = fit::intervalHeading(report, static_cast<fit::Parameter>(m));
    }
    script = [corner, &terminal](const std::string& output) { return fit::cornerScript(corner, terminal, output); };
    drawn = "corner figure: " + figure;
  }
  // The kept script draws into the figure's own name.
  if (!options.script.empty())
    if (const std::string why = fit::writeFileWhole(options.script, script(figure)); !why.empty())
      return fit::fail(kProgram, "cannot write '" + options.script + "': " + why);
  if (options.noFigure) return 0;
  const std::string partial = fit::partialName(figure);
  if (const std::string why = fit::drawWithGnuplot(script(partial), partial, figure); !why.empty())
    return fit::fail(kProgram, why);
  if (!options.json)
    if (const int error = fit::writeAll(1, drawn + "\n"); error != 0)
      return fit::fail(kProgram, std::string("cannot write to standard output: ") + std::strerror(error));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  fit::startTool();
  Options options;
  CLI::App app;
  fit::prepareApp(app, options.help, options.version);
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
  app.allow_extras();
  if (const int status =
          fit::parseCommandLine(kCommandLine, app, argc, argv, options.input, options.help, options.version);
      status >= 0)
    return status;
  return run(options);
}
