#include "app/chi2map-fit/results.h"

#include <algorithm>
#include <cmath>
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
using Reports = std::vector<fit::FitReport>;

// The contours of each input: -l as typed, or its levels for two
// parameters. The key shows the first input's; where the inputs' levels
// differ (scaled by each one's chi-square), it names them instead, and a
// name that differs too (its factor) by what it is for every input.
std::vector<figure::Contours> contoursOf(const Plan& plan, const Reports& reports) {
  std::vector<figure::Contours> all;
  std::vector<std::vector<std::string>> names;
  for (const fit::FitReport& report : reports) {
    figure::Contours contours = plan.typedContours.value_or(figure::Contours{});
    names.push_back(contours.texts);
    if (!plan.typedContours)
      for (const fit::Level& level : fit::contourLevels(plan.contours, report.fit.smallestChiSquare)) {
        contours.levels.push_back(level.deltaChi2);
        contours.texts.push_back(fit::keyText(level.deltaChi2) + " (" + level.name + ")");
        names.back().push_back(level.name);
      }
    all.push_back(std::move(contours));
  }
  const bool same = std::all_of(all.begin(), all.end(), [&](const auto& c) { return c.texts == all.front().texts; });
  if (same) return all;
  const std::vector<fit::Level> unscaled = fit::contourLevels(plan.contours, 0);
  for (std::size_t l = 0; l < names.front().size(); ++l)
    if (std::any_of(names.begin(), names.end(), [&](const auto& n) { return n[l] != names.front()[l]; }))
      for (auto& n : names) n[l] = unscaled[l].name + " x max(1, χ²min / dof)";
  for (std::size_t k = 0; k < all.size(); ++k) all[k].texts = names[k];
  return all;
}

// The single value of one of the map's parameters, in the first input that
// has one: no map.
Failure refuseMap(const Plan& plan, const Reports& reports) {
  const auto [x, y] = *plan.mapAxes;
  for (const fit::FitReport& report : reports)
    if (report.grid.size(x) < 2 || report.grid.size(y) < 2)
      return Failure(std::string("no map: ") + kLongNames[report.grid.size(x) < 2 ? x : y] + " has a single value in " +
                     process::shownInput(report.path));
  return {};
}

// The one map of two parameters, the third minimised over, of every input.
figure::MapFigure mapFigure(const Plan& plan, const Reports& reports) {
  const auto [x, y] = *plan.mapAxes;
  const auto reduced = static_cast<Parameter>(3 - x - y);
  const std::vector<figure::Contours> contours = contoursOf(plan, reports);
  figure::MapFigure map{
      {plan.labels[x], plan.logarithmic[x]}, {plan.labels[y], plan.logarithmic[y]}, {}, {}, defaults::kColourCap};
  std::string inputs;
  for (std::size_t k = 0; k < reports.size(); ++k) {
    const fit::FitReport& report = reports[k];
    const fit::GridFit& fitted = report.fit;
    map.layers.push_back({report.name,
                          report.grid.axes[x],
                          report.grid.axes[y],
                          fit::profileMap(report.grid, x, y),
                          {fitted.parameters[x].best, fitted.parameters[y].best},
                          contours[k]});
    inputs += (inputs.empty() ? "" : ", ") + report.path;
    map.title.push_back((reports.size() > 1 ? report.name + ": " : std::string()) +
                        "minimum χ² = " + fit::exactText(fitted.smallestChiSquare) + " at " + kLongNames[x] + " = " +
                        fit::exactText(fitted.parameters[x].best) + ", " + kLongNames[y] + " = " +
                        fit::exactText(fitted.parameters[y].best));
  }
  map.title.insert(map.title.begin(), std::string("χ² map: ") + kLongNames[x] + " vs " + kLongNames[y] +
                                          ", smallest over " + kLongNames[reduced] + " (" + inputs + ")");
  return map;
}

// What a diagonal panel of the corner figure shows of one input: the
// profile above its minimum and the ranges of the first level, or the
// marginal density (its peak at 1) and its first credible interval.
void diagonalOf(const fit::FitReport& report, Parameter p, bool densities, figure::CornerLayer& layer) {
  const fit::ParameterFit& parameter = report.fit.parameters[p];
  if (!densities) {
    for (const double chi2 : parameter.profile) layer.diagonal[p].push_back(chi2 - report.fit.smallestChiSquare);
    if (!parameter.intervals.empty())
      for (const fit::Range& range : parameter.intervals.front().ranges)
        layer.shaded[p].push_back({range.low, range.high});
    layer.headings[p] = fit::intervalHeading(report, p);
    return;
  }
  const fit::Marginal& marginal = report.marginals->parameters[p];
  double peak = 0;
  for (const double d : marginal.density) peak = std::max(peak, d);
  layer.diagonal[p].assign(report.grid.size(p), std::nan(""));
  for (std::size_t m = 0; m < marginal.density.size(); ++m) layer.diagonal[p][m] = marginal.density[m] / peak;
  if (!marginal.intervals.empty())
    layer.shaded[p].push_back({marginal.intervals.front().low, marginal.intervals.front().high});
  layer.headings[p] = fit::marginalHeading(report, p);
}

figure::CornerLayer cornerLayer(const fit::FitReport& report, bool densities, const figure::Contours& contours) {
  figure::CornerLayer layer{report.name, report.grid.axes, {}, {}, {}, {}, {}, {}, contours};
  for (std::size_t m = 0; m < figure::kCornerMaps.size(); ++m)
    layer.maps[m] = fit::profileMap(report.grid, figure::kCornerMaps[m][0], figure::kCornerMaps[m][1]);
  for (const Parameter p : datafiles::kParameters) {
    layer.best[p] = report.fit.parameters[p].best;
    diagonalOf(report, p, densities, layer);
  }
  for (const fit::Level& level : report.levels) layer.levels.push_back(level.deltaChi2);
  return layer;
}

// The lines in the corner figure's empty upper right: each input's smallest
// chi-square, what the diagonal shows, and the headings of the parameters
// that have no panel (a single value).
std::vector<std::string> cornerNotes(const Reports& reports, bool densities) {
  std::vector<std::string> notes;
  for (const fit::FitReport& report : reports)
    notes.push_back((reports.size() > 1 ? report.name + ": " : std::string()) +
                    "smallest χ² = " + fit::exactText(report.fit.smallestChiSquare));
  const fit::FitReport& first = reports.front();
  const auto levelsOf = [](const fit::FitReport& report) {
    std::string levels;
    for (const fit::Level& level : report.levels)
      levels += (levels.empty() ? "" : ", ") + fit::shortText(level.deltaChi2) + " (" + level.name + ")";
    return "profiles: Δχ² = " + levels + "; shaded: " + (report.levels.empty() ? "none" : report.levels.front().name);
  };
  if (densities)
    notes.push_back("diagonal: marginal densities, peak 1; shaded: " +
                    (first.marginals->parameters[0].intervals.empty()
                         ? std::string("none")
                         : fit::probabilityText(first.marginals->parameters[0].intervals.front().probability)));
  else if (const std::string firstLevels = levelsOf(first);
           std::all_of(reports.begin(), reports.end(), [&](const auto& r) { return levelsOf(r) == firstLevels; }))
    notes.push_back(firstLevels);
  else  // levels scaled by each input's own chi-square
    for (const fit::FitReport& report : reports) notes.push_back(report.name + ": " + levelsOf(report));
  for (const Parameter p : datafiles::kParameters)
    if (std::all_of(reports.begin(), reports.end(), [&](const auto& r) { return r.grid.size(p) < 2; }))
      for (const fit::FitReport& report : reports)
        notes.push_back(densities ? fit::marginalHeading(report, p) : fit::intervalHeading(report, p));
  return notes;
}

figure::CornerFigure cornerFigure(const Options& options, const Plan& plan, const Reports& reports) {
  figure::CornerFigure corner{{}, {}, options.marginal, cornerNotes(reports, options.marginal), defaults::kColourCap};
  for (const Parameter p : datafiles::kParameters) corner.axes[p] = {plan.labels[p], plan.logarithmic[p]};
  const std::vector<figure::Contours> contours = contoursOf(plan, reports);
  for (std::size_t k = 0; k < reports.size(); ++k)
    corner.layers.push_back(cornerLayer(reports[k], options.marginal, contours[k]));
  return corner;
}

// The script of the figure, drawing to standard output or, kept, to
// `keptFor`; `drawn` says what it draws.
Failure figureScript(const Options& options, const Plan& plan, const Reports& reports, std::string_view keptFor,
                     std::string& script, std::string& drawn) {
  drawn = plan.mapAxes ? "map: " : "corner figure: ";
  // A page too small for the figure would draw its texts over its maps.
  const Failure cramped(std::string(plan.mapAxes ? "no map" : "no figure") + ": a page of " +
                        fit::shortText(plan.page.width) + " x " + fit::shortText(plan.page.height) +
                        " inches is too small for it, even with " + fit::shortText(figure::kSmallestPoints) +
                        "-point text; --size sets a larger one");
  if (plan.mapAxes) {
    if (Failure refusal = refuseMap(plan, reports)) return refusal;
    const figure::MapFigure map = mapFigure(plan, reports);
    if (!figure::hasRoom(map, plan.page)) return cramped;
    script = figure::mapScript(map, plan.page, keptFor);
    return {};
  }
  for (const Parameter p : datafiles::kParameters)
    for (const fit::FitReport& report : reports)
      if (report.grid.size(p) >= 2) {
        const figure::CornerFigure corner = cornerFigure(options, plan, reports);
        if (!figure::hasRoom(corner, plan.page)) return cramped;
        script = figure::cornerScript(corner, plan.page, keptFor);
        return {};
      }
  return Failure("no figure: no parameter has two or more values; --no-figure prints the fit alone");
}

using Files = std::vector<std::pair<std::string, std::string>>;  // name, bytes

// Every file's bytes, the figure drawn by gnuplot.
Failure filesOf(const Options& options, const Plan& plan, const Reports& reports, Files& files, std::string& drawn) {
  if (!options.profiles.empty()) files.emplace_back(options.profiles, fit::profilesCsv(reports));
  std::string script;
  if (!options.noFigure) {
    if (Failure refusal = figureScript(options, plan, reports, {}, script, drawn)) return refusal;
    std::string image;
    if (Failure failure = figure::drawWithGnuplot(plan.gnuplot, script, *figure::formatOf(plan.figure), image))
      return failure.after("gnuplot could not draw " + process::shownName(plan.figure) + ": ");
    files.emplace_back(plan.figure, std::move(image));
  }
  if (!options.script.empty()) {
    if (Failure refusal = figureScript(options, plan, reports, plan.figure, script, drawn)) return refusal;
    files.emplace_back(options.script, std::move(script));
  }
  return {};
}

}  // namespace

Failure writeResults(const Options& options, const Plan& plan, const Reports& reports) {
  const int reportTo = plan.printToStandardError ? 2 : 1;
  const std::string printed = options.json ? fit::fitJson(reports) : fit::fitText(reports);
  if (Failure failure = process::writeAll(reportTo, printed))
    return failure.after("cannot write the fit to standard output: ");
  Files files;
  std::string drawn;
  if (Failure failure = filesOf(options, plan, reports, files, drawn)) return failure;
  process::OutputFiles outputs;
  for (const auto& [name, bytes] : files)
    if (Failure failure = outputs.stage(name, bytes)) return failure;
  if (Failure failure = outputs.commitInPlace()) return failure;
  if (!options.noFigure && !options.json)
    if (Failure failure = process::writeAll(reportTo, drawn + process::visible(plan.figure) + "\n"))
      return failure.after("cannot write to standard output: ");
  return outputs.commitRenamed();
}

}  // namespace fit_tool
