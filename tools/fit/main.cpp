// chi2map-fit: runs chi2map once per projection on a fit-result file, prints
// the best fit with the 1-sigma interval of each parameter and draws the
// corner figure with gnuplot.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "tools/fit/chi2map_output.h"
#include "tools/fit/corner_script.h"
#include "tools/fit/process.h"
#include "tools/fit/profile.h"
#include "tools/fit/report.h"

namespace {

constexpr int kFailed = 1;
constexpr int kUsage = 2;

constexpr const char* kUsageText =
    "usage: chi2map-fit [QUORVI] [-o FIGURE] [--json] [--no-figure]\n"
    "\n"
    "Runs chi2map on QUORVI (default quorvi.res) once for each projection, prints\n"
    "the best fit with the 1-sigma interval of each parameter, and draws the\n"
    "corner figure: the three chi-square maps and the three profiles.\n"
    "\n"
    "  -o FIGURE        the figure (default fit.png); its extension picks the\n"
    "                   format: .png, .svg or .pdf\n"
    "  --json           print the fit as JSON\n"
    "  -n, --no-figure  print the fit only (gnuplot is not needed)\n"
    "  -h, --help       print this help\n"
    "\n"
    "chi2map is the one beside chi2map-fit, or CHI2MAP=path. QUORVI and any\n"
    "table.dat are left as they are: chi2map runs in a temporary directory.\n"
    "Exit status: 0 on success, 1 when there is no fit or no figure, 2 for a\n"
    "usage error.\n";

void say(const std::string& text, std::FILE* stream = stderr) { std::fwrite(text.data(), 1, text.size(), stream); }

int fail(const std::string& message) {
  say("chi2map-fit: " + message + "\n");
  return kFailed;
}

int usageError(const std::string& message) {
  say("chi2map-fit: " + message + "\nTry 'chi2map-fit --help' for help.\n");
  return kUsage;
}

struct Options {
  std::string input = "quorvi.res";
  std::string figure = "fit.png";
  bool json = false;
  bool drawFigure = true;
};

// 0 to go on, otherwise the exit status; -1 after --help.
int parseOptions(int argc, char** argv, Options& options) {
  bool haveInput = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "-h" || arg == "--help") {
      say(kUsageText, stdout);
      return -1;
    }
    if (arg == "--json") {
      options.json = true;
    } else if (arg == "-n" || arg == "--no-figure") {
      options.drawFigure = false;
    } else if (arg == "-o") {
      if (++i == argc) return usageError("option -o needs a file name");
      options.figure = argv[i];
    } else if (arg.size() > 1 && arg[0] == '-') {
      return usageError("unknown option " + arg);
    } else if (haveInput) {
      return usageError("more than one input given ('" + options.input + "', '" + arg + "')");
    } else {
      options.input = arg;
      haveInput = true;
    }
  }
  return 0;
}

std::string chi2mapPath() {
  const char* given = std::getenv("CHI2MAP");
  if (given != nullptr && *given != '\0') return given;
  return fit::ownDirectory() + "/chi2map";
}

// Why the input cannot be read; empty when it can.
std::string unreadable(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY);
  if (fd < 0) return std::strerror(errno);
  struct stat info {};
  const bool directory = fstat(fd, &info) == 0 && S_ISDIR(info.st_mode);
  close(fd);
  return directory ? "it is a directory" : "";
}

// Standard error of a run, each line passed on once: warnings repeat in
// every run of the same input.
void passOn(const std::string& errors, std::set<std::string>& seen, const std::string& prefix = "") {
  std::size_t start = 0;
  while (start < errors.size()) {
    auto end = errors.find('\n', start);
    if (end == std::string::npos) end = errors.size();
    const std::string line = errors.substr(start, end - start);
    if (seen.insert(line).second) say(prefix + line + "\n");
    start = end + 1;
  }
}

struct Run {
  const Options& options;
  const std::string chi2map;
  fit::TempDir work;
  std::set<std::string> seenErrors;
  fit::Summary summary;
  std::array<fit::Plane, 3> tables;
};

constexpr std::array<const char*, 3> kProjectionNames = {"T vs YORP strength", "T vs f_KE", "f_KE vs YORP strength"};

// Runs chi2map for one menu choice and reads what it wrote; 0 or the exit status.
int runChoice(Run& run, int choice) {
  const std::string dir = run.work.path();
  if (!fit::writeFile(dir + "/choice", std::to_string(choice) + "\n")) return fail("cannot write in " + dir);
  std::error_code ignored;  // none there yet is fine; chi2map's own failure tells of the rest
  std::filesystem::remove(dir + "/table.dat", ignored);
  const int status = fit::runProgram({run.chi2map}, {dir, dir + "/choice", dir + "/console", dir + "/errors"});
  std::string text;
  if (fit::readFile(dir + "/errors", text)) passOn(text, run.seenErrors);
  if (status < 0 || status == 127) return fail("could not run " + run.chi2map);
  if (status != 0)
    return fail("chi2map failed on '" + run.options.input + "' (exit status " + std::to_string(status) + ")");
  std::string error;
  if (choice == 1) {
    if (!fit::readFile(dir + "/console", text) || !fit::readSummary(text, run.summary, error)) return fail(error);
    if (run.summary.axes[fit::kT].count == 0)
      return fail("'" + run.options.input + "' holds no record chi2map could read: nothing to fit");
  }
  const auto& axes = run.summary.axes;
  const std::array<std::array<int, 2>, 3> shapes = {{{axes[fit::kT].count, axes[fit::kYorp].count},
                                                     {axes[fit::kT].count, axes[fit::kFke].count},
                                                     {axes[fit::kYorp].count, axes[fit::kFke].count}}};
  const auto index = static_cast<std::size_t>(choice - 1);
  fit::Plane& plane = run.tables[index];
  if (!fit::readFile(dir + "/table.dat", text) ||
      !fit::readTable(text, choice, shapes[index][0], shapes[index][1], plane, error))
    return fail(error.empty() ? "chi2map wrote no table.dat" : error);
  if (std::isnan(fit::smallestOf(plane.cells)))
    return fail(std::string("every chi-square of the ") + kProjectionNames[index] +
                " table is missing (asterisks): nothing to fit");
  return 0;
}

int drawFigure(Run& run, const fit::CornerData& data, const std::string& gnuplot, const std::string& terminal) {
  const std::filesystem::path figure(run.options.figure);
  // gnuplot writes beside the figure under another name, renamed only when
  // it succeeded: a failed run never leaves a figure that looks complete.
  const std::filesystem::path partial =
      figure.parent_path() / ("." + figure.filename().string() + ".partial-" + std::to_string(getpid()));
  const std::string dir = run.work.path();
  if (!fit::writeFile(dir + "/corner.gp", fit::cornerScript(data, terminal, partial.string())))
    return fail("cannot write in " + dir);
  if (!fit::writeFile(dir + "/empty", "")) return fail("cannot write in " + dir);
  const int status = fit::runProgram({gnuplot, dir + "/corner.gp"}, {"", dir + "/empty", dir + "/gnuplot.out", dir + "/gnuplot.err"});
  std::string errors;
  if (fit::readFile(dir + "/gnuplot.err", errors)) passOn(errors, run.seenErrors, "chi2map-fit: gnuplot: ");
  std::error_code error;
  bool drawn = status == 0 && std::filesystem::file_size(partial, error) > 0 && !error;
  if (drawn) {
    std::filesystem::rename(partial, figure, error);
    drawn = !error;
  }
  if (drawn) return 0;
  std::filesystem::remove(partial, error);
  return fail("gnuplot could not draw '" + run.options.figure + "'");
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (const int status = parseOptions(argc, argv, options); status != 0) return status < 0 ? 0 : status;

  // Everything that can be refused is refused before chi2map runs.
  std::string terminal;
  std::string gnuplot;
  if (options.drawFigure) {
    const auto chosen = fit::terminalFor(options.figure);
    if (!chosen) return usageError("cannot draw '" + options.figure + "': the figure's name must end in .png, .svg or .pdf");
    terminal = *chosen;
    gnuplot = fit::findOnPath("gnuplot");
    if (gnuplot.empty()) return fail("gnuplot not found (Debian package gnuplot-nox); --no-figure prints the fit alone");
    const auto dir = std::filesystem::path(options.figure).parent_path();
    if (access(dir.empty() ? "." : dir.c_str(), W_OK) != 0)
      return fail("cannot write '" + options.figure + "': " + std::strerror(errno));
  }
  if (const auto why = unreadable(options.input); !why.empty())
    return fail("cannot read '" + options.input + "': " + why);
  Run run{options, chi2mapPath(), {}, {}, {}, {}};
  if (access(run.chi2map.c_str(), X_OK) != 0)
    return fail("cannot run chi2map ('" + run.chi2map + "'): " + std::strerror(errno) + "; set CHI2MAP to its path");
  if (run.work.path().empty()) return fail(std::string("cannot make a temporary directory: ") + std::strerror(errno));
  std::error_code linkError;
  std::filesystem::create_symlink(std::filesystem::absolute(options.input), run.work.path() + "/quorvi.res", linkError);
  if (linkError) return fail("cannot link '" + options.input + "' into " + run.work.path() + ": " + linkError.message());

  for (int choice = 1; choice <= 3; ++choice)
    if (const int status = runChoice(run, choice); status != 0) return status;

  fit::CornerData data;
  fit::FitReport report;
  report.chi2Smallest = data.chi2Smallest = run.summary.chi2Smallest;
  data.maps = run.tables;
  data.profiles = {fit::rowProfile(run.tables[0]), fit::columnProfile(run.tables[0]), fit::columnProfile(run.tables[1])};
  for (std::size_t p = 0; p < 3; ++p) {
    const auto& axis = run.summary.axes[p];
    data.grids[p] = fit::gridValues(axis.count, axis.smallest, axis.largest);
    data.fits[p] = fit::fitProfile(data.grids[p], data.profiles[p]);
    // One value is the best by itself; the summary has it exactly.
    if (data.fits[p].status == fit::ParameterFit::Status::SingleValue) data.fits[p].best = axis.smallest;
    if (data.fits[p].status == fit::ParameterFit::Status::GridNotNumbers) data.fits[p].best = std::numeric_limits<double>::quiet_NaN();
  }
  report.parameters = data.fits;
  say(options.json ? fit::fitJson(report) : fit::fitText(report), stdout);
  std::fflush(stdout);
  if (!options.drawFigure) return 0;
  if (std::none_of(data.grids.begin(), data.grids.end(), fit::isNumberGrid)) return fail("no figure: no parameter has two or more values");
  if (const int status = drawFigure(run, data, gnuplot, terminal); status != 0) return status;
  if (!options.json) say("corner figure: " + options.figure + "\n", stdout);
  return 0;
}
