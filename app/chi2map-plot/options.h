// chi2map-plot's command line: its options as given, and as the run uses
// them once checked. An option is one member of Options, one line of
// addOptions and, where it needs a check, one step of makePlan.
#pragma once

#include <CLI/CLI.hpp>
#include <cmath>
#include <string>

#include "app/defaults.h"
#include "datafiles/projection_table.h"
#include "figure/gnuplot_script.h"
#include "process/command_line.h"

namespace plot_tool {

struct Options {
  std::string table;
  std::string output;
  std::string projection;
  std::string levels = defaults::kContourLevels;
  std::string cap;  // the default colour cap's text
  std::string xLabel;
  std::string yLabel;
  std::string title;
  std::string size;  // the default map size's text
  std::string script;
  bool verbose = false;
  bool help = false;
  bool version = false;
  bool oldLogScale = false;
  Options();
};

struct Plan {
  const datafiles::Projection* projection = nullptr;  // given with -p; else recognised
  double cap = NAN;                                   // NaN: the whole range
  int width = 0;
  int height = 0;
  figure::Contours contours;
  std::string output;
  figure::ImageFormat format = figure::ImageFormat::Png;
  std::string gnuplot;  // the gnuplot that draws the map
};

[[nodiscard]] const process::CommandLine& commandLine();

void addOptions(CLI::App& app, Options& options);

// Everything that can be refused before the table is read: a usage error,
// outputs that are one file, the table, or cannot be written, no gnuplot,
// chi2map's input given as the table.
process::Failure makePlan(const Options& options, Plan& plan);

}  // namespace plot_tool
