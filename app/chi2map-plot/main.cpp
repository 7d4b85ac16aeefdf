// chi2map-plot: draws a table.dat written by chi2map as a chi-square map.
#include <CLI/CLI.hpp>
#include <filesystem>
#include <string>
#include <vector>

#include "app/chi2map-plot/options.h"
#include "datafiles/file_names.h"
#include "figure/gnuplot_run.h"
#include "figure/table_map.h"
#include "fit/numbers.h"
#include "process/messages.h"
#include "process/output_file.h"
#include "process/system_calls.h"

namespace {

using datafiles::kLongNames;
using process::Failure;

// The map as the table gives it, titled and labelled as the options ask;
// its notes said.
figure::MapFigure figureOf(const plot_tool::Options& o, const plot_tool::Plan& plan, const figure::TableMap& table) {
  const datafiles::Projection& p = *table.projection;
  const std::string xName = kLongNames[p.x()], yName = kLongNames[p.y()];
  for (const std::string& note : table.notes)
    process::note(note + "; chi2map-fit --map " + datafiles::kShortNames[p.x()] + "," + datafiles::kShortNames[p.y()] +
                  " " + std::string(datafiles::kFitResults) + " draws the map at the exact values");
  figure::MapFigure map{{o.xLabel.empty() ? xName : o.xLabel},
                        {o.yLabel.empty() ? yName : o.yLabel},
                        {{{}, table.x, table.y, table.chiSquare, {table.bestX, table.bestY}, plan.contours}},
                        {},
                        plan.cap};
  const std::string tableName = o.table == process::kStandardStream
                                    ? std::string(process::kStandardInputName)
                                    : std::filesystem::path(o.table).filename().string();
  map.title = {o.title.empty() ? std::string("χ² map: ") + p.name + ", smallest over " + kLongNames[p.reduced] + " (" +
                                     tableName + ")"
                               : o.title,
               "minimum χ² = " + table.chiSquareText + " at " + xName + " = " + table.xText + ", " + yName + " = " +
                   table.yText};
  for (const std::string& level : figure::levelsNotReached(map))
    process::note("no contour at delta chi-square " + level + ": the map does not reach it");
  return map;
}

// What -v prints: what was read, and where the image went.
std::string summary(const plot_tool::Options& o, const plot_tool::Plan& plan, const figure::TableMap& table) {
  const datafiles::Projection& p = *table.projection;
  return process::visible(o.table) + ": " + p.name + " (projection " + std::to_string(datafiles::choiceOf(p)) + "), " +
         std::to_string(table.x.size()) + " x " + std::to_string(table.y.size()) + " cells, " +
         std::to_string(table.missing) + " missing; minimum " + table.chiSquareText + " at " + kLongNames[p.x()] +
         " = " + table.xText + ", " + kLongNames[p.y()] + " = " + table.yText + "; wrote " +
         process::visible(plan.output) + "\n";
}

// Nothing is kept unless the whole run succeeds: every file is staged; the
// outputs written in place go first, then the -v line, then the renames.
Failure writeFiles(const plot_tool::Options& o, const plot_tool::Plan& plan, const figure::TableMap& table,
                   const std::string& image, const std::string& script) {
  process::OutputFiles outputs;
  if (Failure failure = outputs.stage(plan.output, image)) return failure;
  if (!o.script.empty())
    if (Failure failure = outputs.stage(o.script, script)) return failure;
  if (Failure failure = outputs.commitInPlace()) return failure;
  if (o.verbose)
    if (Failure failure = process::writeAll(outputs.toStandardOutput() ? 2 : 1, summary(o, plan, table)))
      return failure.after("cannot write to standard output: ");
  return outputs.commitRenamed();
}

Failure run(const plot_tool::Options& o) {
  plot_tool::Plan plan;
  if (Failure failure = plot_tool::makePlan(o, plan)) return failure;
  figure::TableMap table;
  if (Failure failure = figure::readTableFile(o.table, plan.projection, table)) return failure;
  const figure::MapFigure map = figureOf(o, plan, table);
  const figure::Page page = figure::screenPage(plan.format, plan.width, plan.height);
  if (!figure::hasRoom(map, page))
    return Failure("no map: " + std::to_string(plan.width) + "x" + std::to_string(plan.height) +
                   " is too small for it and its texts, even with " + fit::shortText(figure::kSmallestPoints) +
                   "-point text; -s sets a larger size");
  std::string image;
  if (Failure failure = figure::drawWithGnuplot(plan.gnuplot, figure::mapScript(map, page), plan.format, image))
    return failure.after("gnuplot could not draw " + process::shownName(plan.output) + ": ");
  const std::string kept = o.script.empty() ? std::string() : figure::mapScript(map, page, plan.output);
  return writeFiles(o, plan, table, image, kept);
}

}  // namespace

int main(int argc, char** argv) {
  plot_tool::Options options;
  return process::runTool(
      plot_tool::commandLine(), argc, argv, {options.help, options.version, options.table},
      [&](CLI::App& app) { plot_tool::addOptions(app, options); }, [&] { return run(options); });
}
