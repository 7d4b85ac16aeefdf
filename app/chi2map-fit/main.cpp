// chi2map-fit: reads the records of one or more fit-result files, prints the
// best fit of each with the intervals of each parameter, and draws the
// corner figure (or one map) of them all with gnuplot.
#include <CLI/CLI.hpp>

#include "app/chi2map-fit/fitting.h"
#include "app/chi2map-fit/options.h"
#include "app/chi2map-fit/reading.h"
#include "app/chi2map-fit/results.h"
#include "fit/record_grid.h"
#include "fit/report.h"

namespace {

using process::Failure;

// Everything that can be refused is refused before a file is read, and a
// refusal of any input ends the run before anything is printed.
Failure run(const fit_tool::Options& options) {
  fit_tool::Plan plan;
  if (Failure failure = fit_tool::makePlan(options, plan)) return failure;
  std::vector<fit::FitReport> reports;
  for (std::size_t i = 0; i < plan.inputs.size(); ++i) {
    const std::string& input = plan.inputs[i];
    // "-" is standard input, as for most tools.
    fit::GridReading reading = fit::readRecordGrid(input == "-" ? "/dev/stdin" : input);
    if (Failure refusal = fit_tool::refuseReading(options, input, reading)) return refusal;
    std::vector<std::string> warnings = fit_tool::warnAboutReading(input, reading);
    if (Failure refusal = fit_tool::refuseLogAxes(plan, input, reading.grid)) return refusal;
    reports.push_back(fit_tool::fitInput(options, plan, i, std::move(reading.grid), std::move(warnings)));
  }
  return fit_tool::writeResults(options, plan, reports);
}

// The one positional argument every tool has is, here, the list of inputs.
const std::string kNoSingleInput;

}  // namespace

int main(int argc, char** argv) {
  fit_tool::Options options;
  return process::runTool(
      fit_tool::commandLine(), argc, argv, {options.help, options.version, kNoSingleInput},
      [&](CLI::App& app) { fit_tool::addOptions(app, options); }, [&] { return run(options); });
}
