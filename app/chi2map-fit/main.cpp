// chi2map-fit: reads the records of a fit-result file, prints the best fit
// with the intervals of each parameter, and draws the corner figure (or one
// map) with gnuplot.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <array>
#include <cctype>
#include <cmath>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "figure/gnuplot_run.h"
#include "figure/gnuplot_script.h"
#include "fit/numbers.h"
#include "fit/profile.h"
#include "fit/record_grid.h"
#include "fit/report.h"
#include "process/command_line.h"
#include "process/output_file.h"
#include "process/system_calls.h"
#include "process/tool_process.h"

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
    "                       extension picks the format: .png, .svg or .pdf; - for\n"
    "                       a PNG on standard output (the fit then on standard error)\n"
    "  --map X,Y            draw the one map of X and Y (T, YORP, f_KE) instead\n"
    "  -n, --no-figure      print the fit only (gnuplot is not needed)\n"
    "  --json               print the fit as JSON, at full precision\n"
    "  --partial            fit what can be read of a file that stops early, ends\n"
    "                       inside a record or holds NaN or infinite values\n"
    "  --sigma LIST         the intervals, in sigma of one parameter (default 1;\n"
    "                       1,2,3 gives delta chi-square 1, 4 and 9)\n"
    "  --profiles FILE      write the three profiles as CSV\n"
    "  --script FILE        keep the gnuplot script, data included, for editing;\n"
    "                       gnuplot FILE draws the figure again\n"
    "  -l, --levels LEVELS  contours of the maps in delta chi-square (default\n"
    "                       2.30,6.18,11.83: 68.3, 95.4, 99.73 % for two parameters)\n"
    "  --label NAME=TEXT    the axis title of T, YORP or f_KE, such as 'T=T (K)'\n"
    "  -h, --help           print this help\n"
    "  --version            print the version\n"
    "\n"
    "Files are replaced whole, only when the whole run succeeds; - names standard\n"
    "output for every file. Exit status: 0 on success, 1 when there is no fit, no\n"
    "figure or a file cannot be written, 2 for a usage error or for outputs that\n"
    "are one file or the input.\n";

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

// The files a run writes, refused before anything is read: an image for a
// terminal or two outputs that are one file or one that is the input (exit
// 2), or one that cannot be written (exit 1).
int refuseOutputs(const Options& options, const std::string& figure) {
  if (!options.noFigure && figure == fit::kStandardStream && isatty(1))
    return usageError("will not write an image to a terminal: give -o FILE, or redirect standard output");
  std::vector<std::string> outputs;
  if (!options.noFigure) outputs.push_back(figure);
  if (!options.profiles.empty()) outputs.push_back(options.profiles);
  if (!options.script.empty()) outputs.push_back(options.script);
  if (const std::string refusal = fit::sameFileRefusal(outputs, {options.input}); !refusal.empty()) {
    (void)fit::fail(kProgram, refusal);
    return fit::kUsage;
  }
  for (const std::string& output : outputs)
    if (const std::string why = fit::unwritable(output); !why.empty())
      return fit::fail(kProgram, "cannot write " + fit::shownName(output) + ": " + why + "; choose another name");
  return -1;
}

// What the figure shows, once the fit is known.
struct Figure {
  const fit::RecordGrid& grid;
  const fit::FitReport& report;
  std::array<std::string, 3> labels;
  fit::Contours contours;
  std::optional<std::array<fit::Parameter, 2>> mapAxes;
  std::string terminal;
};

// The script of the figure, drawing to standard output or, kept, to
// `keptFor`, and the line that says what was drawn; the refusal instead when
// there is nothing to draw.
std::string figureScript(const Options& options, const Figure& f, std::string_view keptFor, std::string& drawn,
                         std::string& refusal) {
  const fit::GridFit& gridFit = f.report.fit;
  if (f.mapAxes) {
    const auto [x, y] = *f.mapAxes;
    if (f.grid.size(x) < 2 || f.grid.size(y) < 2) {
      refusal = std::string("no map: ") + fit::kParameterNames[f.grid.size(x) < 2 ? x : y] + " has a single value in " +
                fit::shownName(options.input);
      return {};
    }
    const fit::Parameter reduced = static_cast<fit::Parameter>(3 - x - y);
    fit::MapFigure map{axisOf(f.grid, f.labels, x),
                       axisOf(f.grid, f.labels, y),
                       fit::profileMap(f.grid, x, y),
                       {gridFit.parameters[x].best, gridFit.parameters[y].best},
                       {},
                       f.contours,
                       25.0};
    map.title = {std::string("χ² map: ") + fit::kParameterNames[x] + " vs " + fit::kParameterNames[y] +
                     ", smallest over " + fit::kParameterNames[reduced] + " (" + options.input + ")",
                 "minimum χ² = " + fit::exactText(gridFit.chi2Min) + " at " + fit::kParameterNames[x] + " = " +
                     fit::exactText(gridFit.parameters[x].best) + ", " + fit::kParameterNames[y] + " = " +
                     fit::exactText(gridFit.parameters[y].best)};
    drawn = "map: ";
    return fit::mapScript(map, f.terminal, keptFor);
  }
  if (f.grid.size(fit::kT) < 2 && f.grid.size(fit::kYorp) < 2 && f.grid.size(fit::kFke) < 2) {
    refusal = "no figure: no parameter has two or more values; --no-figure prints the fit alone";
    return {};
  }
  fit::CornerFigure corner{
      {axisOf(f.grid, f.labels, fit::kT), axisOf(f.grid, f.labels, fit::kYorp), axisOf(f.grid, f.labels, fit::kFke)},
      gridFit,
      {},
      {},
      f.contours};
  for (std::size_t m = 0; m < 3; ++m) {
    corner.maps[m] = fit::profileMap(f.grid, fit::kCornerMaps[m][0], fit::kCornerMaps[m][1]);
    corner.headings[m] = fit::intervalHeading(f.report, static_cast<fit::Parameter>(m));
  }
  drawn = "corner figure: ";
  return fit::cornerScript(corner, f.terminal, keptFor);
}

// Prints the fit, draws, and writes every file. Nothing is kept unless the
// whole run succeeds: each file is staged first, and all take their places
// at the end. An image on standard output has it to itself: the fit then
// goes to standard error.
int writeResults(const Options& options, const Figure& f, const std::string& printed, const std::string& gnuplot,
                 const std::string& figure) {
  const bool imageOut = !options.noFigure && fit::Output(figure).toStandardOutput();
  const int reportTo = imageOut ? 2 : 1;
  if (const int error = fit::writeAll(reportTo, printed); error != 0)
    return fit::fail(kProgram, std::string("cannot write the fit to standard output: ") + std::strerror(error));
  std::vector<std::pair<std::string, std::string>> files;  // name, bytes
  if (!options.profiles.empty()) files.emplace_back(options.profiles, fit::profilesCsv(f.report));
  std::string drawn;
  if (!options.noFigure || !options.script.empty()) {
    std::string refusal;
    if (!options.noFigure) {
      const std::string script = figureScript(options, f, {}, drawn, refusal);
      if (!refusal.empty()) return fit::fail(kProgram, refusal);
      fit::Drawing drawing = fit::drawWithGnuplot(gnuplot, script, *fit::formatOf(figure));
      if (!drawing.failure.empty())
        return fit::fail(kProgram, "gnuplot could not draw " + fit::shownName(figure) + ": " + drawing.failure);
      files.emplace_back(figure, std::move(drawing.image));
    }
    if (!options.script.empty()) {
      std::string kept = figureScript(options, f, figure, drawn, refusal);
      if (!refusal.empty()) return fit::fail(kProgram, refusal);
      files.emplace_back(options.script, std::move(kept));
    }
  }
  std::vector<std::unique_ptr<fit::Output>> staged;
  for (const auto& [name, bytes] : files) {
    staged.push_back(std::make_unique<fit::Output>(name));
    if (const std::string why = staged.back()->stage(bytes); !why.empty())
      return fit::fail(kProgram, "cannot write " + fit::shownName(name) + ": " + why);
  }
  if (!options.noFigure && !options.json)
    if (const int error = fit::writeAll(reportTo, drawn + fit::visible(figure) + "\n"); error != 0)
      return fit::fail(kProgram, std::string("cannot write to standard output: ") + std::strerror(error));
  for (std::size_t n = 0; n < files.size(); ++n)
    if (const std::string why = staged[n]->commit(); !why.empty())
      return fit::fail(kProgram, "cannot write " + fit::shownName(files[n].first) + ": " + why);
  return 0;
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
  const auto format = fit::formatOf(figure);
  std::string terminal, gnuplot;
  if (!options.noFigure || !options.script.empty()) {
    if (!format)
      return usageError("cannot draw " + fit::shownName(figure) +
                        ": the figure's name must end in .png, .svg or .pdf (or be - for a PNG on standard output)");
    // The corner's PDF is 8 inches square, its fonts sized for that.
    const int side = *format == fit::ImageFormat::Pdf ? 800 : 1200;
    terminal = mapAxes ? fit::terminalFor(*format, 1000, 750) : fit::terminalFor(*format, side, side);
  }
  if (!options.noFigure) {
    gnuplot = fit::gnuplotPath();
    if (gnuplot.empty())
      return fit::fail(kProgram, "gnuplot not found (Debian package gnuplot-nox); --no-figure prints the fit alone");
  }
  if (const int status = refuseOutputs(options, figure); status >= 0) return status;

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
  const Figure drawn{grid, report, labels, {levels, levelTexts}, mapAxes, terminal};
  return writeResults(options, drawn, printed, gnuplot, figure);
}

}  // namespace

int main(int argc, char** argv) {
  fit::startTool();
  return fit::runTool(kProgram, [&] {
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
  });
}
