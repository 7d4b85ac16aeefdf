// chi2map-fit: reads the records of a fit-result file, prints the best fit
// with the intervals of each parameter, and draws the corner figure (or one
// map) with gnuplot.
#include <CLI/CLI.hpp>

#include "app/chi2map-fit/options.h"
#include "app/chi2map-fit/reading.h"
#include "app/chi2map-fit/results.h"
#include "fit/profile.h"
#include "fit/record_grid.h"
#include "fit/report.h"
#include "process/tool_process.h"

namespace {

using process::Failure;

// Everything that can be refused is refused before the file is read.
Failure run(const fit_tool::Options& options) {
  fit_tool::Plan plan;
  if (Failure failure = fit_tool::makePlan(options, plan)) return failure;
  // "-" is standard input, as for most tools.
  const fit::GridReading reading = fit::readRecordGrid(options.input == "-" ? "/dev/stdin" : options.input);
  if (Failure refusal = fit_tool::refuseReading(options, reading)) return refusal;
  std::vector<std::string> warnings = fit_tool::warnAboutReading(options, reading);
  const fit::GridFit fitted = fit::fitGrid(reading.grid, plan.deltas);
  const fit::FitReport report{options.input, reading.grid, fitted, std::move(warnings)};
  return fit_tool::writeResults(options, plan, report);
}

}  // namespace

int main(int argc, char** argv) {
  const process::CommandLine& line = fit_tool::commandLine();
  process::startTool(line.program);
  return process::runTool([&]() -> Failure {
    fit_tool::Options options;
    CLI::App app;
    process::prepareApp(app, options.help, options.version);
    fit_tool::addOptions(app, options);
    if (Failure failure = process::parseCommandLine(line, app, argc, argv, options.input)) return failure;
    if (options.help || options.version) return process::answer(line, options.help);
    return run(options);
  });
}
