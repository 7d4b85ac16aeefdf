#include "app/chi2map-fit/results.h"

#include <utility>

#include "figure/gnuplot_run.h"
#include "fit/numbers.h"
#include "process/messages.h"
#include "process/output_file.h"
#include "process/system_calls.h"

namespace fit_tool {
namespace {

using datafiles::kLongNames;
using datafiles::Parameter;
using process::Failure;

figure::FigureAxis axisOf(const Plan& plan, const fit::FitReport& report, Parameter p) {
  return {plan.labels[p], report.grid.axes[p]};
}

// The one map of two parameters, the third minimised over.
Failure mapScript(const Options& options, const Plan& plan, const fit::FitReport& report, std::string_view keptFor,
                  std::string& script) {
  const auto [x, y] = *plan.mapAxes;
  if (report.grid.size(x) < 2 || report.grid.size(y) < 2)
    return Failure(std::string("no map: ") + kLongNames[report.grid.size(x) < 2 ? x : y] + " has a single value in " +
                   process::shownName(options.input));
  const auto reduced = static_cast<Parameter>(3 - x - y);
  const fit::GridFit& fitted = report.fit;
  figure::MapFigure map{axisOf(plan, report, x),
                        axisOf(plan, report, y),
                        fit::profileMap(report.grid, x, y),
                        {fitted.parameters[x].best, fitted.parameters[y].best},
                        {},
                        plan.contours,
                        defaults::kColourCap};
  map.title = {std::string("χ² map: ") + kLongNames[x] + " vs " + kLongNames[y] + ", smallest over " +
                   kLongNames[reduced] + " (" + options.input + ")",
               "minimum χ² = " + fit::exactText(fitted.smallestChiSquare) + " at " + kLongNames[x] + " = " +
                   fit::exactText(fitted.parameters[x].best) + ", " + kLongNames[y] + " = " +
                   fit::exactText(fitted.parameters[y].best)};
  script = figure::mapScript(map, plan.terminal, keptFor);
  return {};
}

// The corner figure: the three maps below the diagonal, the profiles on it.
Failure cornerScript(const Plan& plan, const fit::FitReport& report, std::string_view keptFor, std::string& script) {
  const fit::RecordGrid& grid = report.grid;
  if (grid.size(fit::kT) < 2 && grid.size(fit::kYorp) < 2 && grid.size(fit::kFke) < 2)
    return Failure("no figure: no parameter has two or more values; --no-figure prints the fit alone");
  figure::CornerFigure corner{
      {axisOf(plan, report, fit::kT), axisOf(plan, report, fit::kYorp), axisOf(plan, report, fit::kFke)},
      report.fit,
      {},
      {},
      plan.contours,
      defaults::kColourCap};
  for (std::size_t m = 0; m < figure::kCornerMaps.size(); ++m)
    corner.maps[m] = fit::profileMap(grid, figure::kCornerMaps[m][0], figure::kCornerMaps[m][1]);
  for (const Parameter p : datafiles::kParameters) corner.headings[p] = fit::intervalHeading(report, p);
  script = figure::cornerScript(corner, plan.terminal, keptFor);
  return {};
}

// The script of the figure, drawing to standard output or, kept, to
// `keptFor`; `drawn` says what it draws.
Failure figureScript(const Options& options, const Plan& plan, const fit::FitReport& report, std::string_view keptFor,
                     std::string& script, std::string& drawn) {
  drawn = plan.mapAxes ? "map: " : "corner figure: ";
  return plan.mapAxes ? mapScript(options, plan, report, keptFor, script) : cornerScript(plan, report, keptFor, script);
}

using Files = std::vector<std::pair<std::string, std::string>>;  // name, bytes

// Every file's bytes, the figure drawn by gnuplot.
Failure filesOf(const Options& options, const Plan& plan, const fit::FitReport& report, Files& files,
                std::string& drawn) {
  if (!options.profiles.empty()) files.emplace_back(options.profiles, fit::profilesCsv(report));
  std::string script;
  if (!options.noFigure) {
    if (Failure refusal = figureScript(options, plan, report, {}, script, drawn)) return refusal;
    std::string image;
    if (Failure failure = figure::drawWithGnuplot(plan.gnuplot, script, *figure::formatOf(plan.figure), image))
      return failure.after("gnuplot could not draw " + process::shownName(plan.figure) + ": ");
    files.emplace_back(plan.figure, std::move(image));
  }
  if (!options.script.empty()) {
    if (Failure refusal = figureScript(options, plan, report, plan.figure, script, drawn)) return refusal;
    files.emplace_back(options.script, std::move(script));
  }
  return {};
}

}  // namespace

Failure writeResults(const Options& options, const Plan& plan, const fit::FitReport& report) {
  const bool imageOut = !options.noFigure && process::Output(plan.figure).toStandardOutput();
  const int reportTo = imageOut ? 2 : 1;
  const std::string printed = options.json ? fit::fitJson(report) : fit::fitText(report);
  if (Failure failure = process::writeAll(reportTo, printed))
    return failure.after("cannot write the fit to standard output: ");
  Files files;
  std::string drawn;
  if (Failure failure = filesOf(options, plan, report, files, drawn)) return failure;
  process::OutputFiles outputs;
  for (const auto& [name, bytes] : files)
    if (Failure failure = outputs.stage(name, bytes)) return failure;
  if (!options.noFigure && !options.json)
    if (Failure failure = process::writeAll(reportTo, drawn + process::visible(plan.figure) + "\n"))
      return failure.after("cannot write to standard output: ");
  return outputs.commit();
}

}  // namespace fit_tool
