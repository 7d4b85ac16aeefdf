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
  fit_tool::Options options;
  return process::runTool(
      fit_tool::commandLine(), argc, argv, {options.help, options.version, options.input},
      [&](CLI::App& app) { fit_tool::addOptions(app, options); }, [&] { return run(options); });
}
