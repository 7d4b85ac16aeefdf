// chi2map-fit's command line: its options as given, and as the run uses them
// once checked. An option is one member of Options, one line of addOptions
// and, where it needs a check, one step of makePlan.
#pragma once

#include <CLI/CLI.hpp>
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "app/defaults.h"
#include "datafiles/file_names.h"
#include "datafiles/parameters.h"
#include "figure/gnuplot_script.h"
#include "process/command_line.h"

namespace fit_tool {

struct Options {
  std::string input{datafiles::kFitResults};
  std::string figure;
  std::string map;
  bool json = false;
  bool noFigure = false;
  bool partial = false;
  std::string sigma = defaults::kSigmas;
  std::string profiles;
  std::string script;
  std::string levels = defaults::kContourLevels;
  std::vector<std::string> labels;
  bool help = false;
  bool version = false;
};

struct Plan {
  std::vector<double> deltas;  // the levels of the intervals: each sigma squared
  figure::Contours contours;
  std::array<std::string, 3> labels;  // the axis titles, by parameter
  std::optional<std::array<datafiles::Parameter, 2>> mapAxes;
  std::string figure;    // its name, given or by default
  std::string terminal;  // gnuplot's, where a figure or a script is drawn
  std::string gnuplot;   // the gnuplot that draws the figure
};

[[nodiscard]] const process::CommandLine& commandLine();

void addOptions(CLI::App& app, Options& options);

// Everything that can be refused before the file is read: a usage error, no
// gnuplot, outputs that are one file, the input, or cannot be written.
process::Failure makePlan(const Options& options, Plan& plan);

}  // namespace fit_tool
