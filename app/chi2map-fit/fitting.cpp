#include "app/chi2map-fit/fitting.h"

#include <cmath>

#include "app/chi2map-fit/reading.h"
#include "fit/chi_square_law.h"
#include "fit/edges.h"
#include "fit/numbers.h"
#include "process/messages.h"

namespace fit_tool {
namespace {

using datafiles::kLongNames;

// What the marginals leave out: missing cells, and a parameter whose every
// cell's weight is too small for a double.
void warnAboutMarginals(const fit::FitReport& report, const std::string& of, std::vector<std::string>& warnings) {
  const fit::Marginals& marginals = *report.marginals;
  if (marginals.missingCells > 0)
    warn(warnings, of + std::to_string(marginals.missingCells) +
                       " cell(s) of the grid have no chi-square: they carry no "
                       "weight in the marginals");
  for (const datafiles::Parameter p : datafiles::kParameters)
    if (marginals.parameters[p].density.empty())
      warn(warnings, of + std::string(kLongNames[p]) +
                         " has no marginal: every cell's weight is too small for a double (cells too narrow)");
}

}  // namespace

process::Failure refuseLogAxes(const Plan& plan, const std::string& input, const fit::RecordGrid& grid) {
  for (const datafiles::Parameter p : datafiles::kParameters)
    if (plan.logarithmic[p] && !grid.axes[p].empty() && !(grid.axes[p].front() > 0))
      return process::usage(commandLine(), "--log " + std::string(datafiles::kShortNames[p]) + ": " +
                                               process::shownInput(input) + " has the " + kLongNames[p] + " value " +
                                               fit::exactText(grid.axes[p].front()) +
                                               ", and a logarithmic axis needs values above zero");
  return {};
}

fit::FitReport fitInput(const Options& options, const Plan& plan, std::size_t index, fit::RecordGrid&& grid,
                        std::vector<std::string> warnings) {
  fit::FitReport report{plan.inputs[index], plan.names[index], std::move(grid), {}, {}, {}, {}, plan.logarithmic, {}};
  report.fit = fit::fitGrid(report.grid, {});
  const double chi2Min = report.fit.smallestChiSquare;
  report.levels = fit::intervalLevels(plan.intervals, chi2Min);
  std::vector<double> deltas;
  for (const fit::Level& level : report.levels) deltas.push_back(level.deltaChi2);
  fit::addIntervals(report.grid, report.fit, deltas);
  if (const auto dof = plan.intervals.dof)
    report.goodness = fit::Goodness{*dof, chi2Min / *dof, fit::chiSquareAbove(chi2Min, *dof)};
  // With several inputs, each warning of a fit names it.
  const std::string of = plan.inputs.size() > 1 ? "fit of " + report.name + ": " : std::string();
  for (const fit::Level& level : report.levels)
    if (!(level.deltaChi2 > 0))
      warn(warnings, of + "the level " + level.name + " is delta chi-square " + fit::shortText(level.deltaChi2) +
                         ": no range lies within it");
  for (const std::string& edge : fit::edgeWarnings(report.grid, report.fit, report.levels)) warn(warnings, of + edge);
  if (options.marginal) {
    report.marginals = fit::marginalsOf(report.grid, chi2Min, plan.logarithmic, plan.credible);
    warnAboutMarginals(report, of, warnings);
  }
  report.warnings = std::move(warnings);
  return report;
}

}  // namespace fit_tool
