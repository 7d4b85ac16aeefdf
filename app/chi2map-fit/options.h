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
#include "fit/levels.h"
#include "process/command_line.h"

namespace fit_tool {

struct Options {
  std::vector<std::string> inputs;  // none given: the default input
  std::vector<std::string> names;
  std::string figure;
  std::string map;
  bool json = false;
  bool noFigure = false;
  bool partial = false;
  std::string sigma;  // empty: not given
  std::string cl;
  std::string dof;
  bool scale = false;
  bool relative = false;
  bool marginal = false;
  std::string log;
  std::string size;
  std::string profiles;
  std::string script;
  std::string levels;  // empty: the contours follow the levels
  std::vector<std::string> labels;
  bool help = false;
  bool version = false;
};

struct Plan {
  std::vector<std::string> inputs;                // as given, or the default
  std::vector<std::string> names;                 // one per input: --name, or the input as given
  fit::LevelChoice intervals;                     // the levels of the intervals
  fit::LevelChoice contours;                      // of the maps' contours, unless typed
  std::optional<figure::Contours> typedContours;  // -l
  std::vector<double> credible;                   // the marginals' credible intervals
  std::array<bool, 3> logarithmic{};              // --log, by parameter
  std::array<std::string, 3> labels;              // the axis titles, by parameter
  std::optional<std::array<datafiles::Parameter, 2>> mapAxes;
  std::string figure;   // its name, given or by default
  figure::Page page;    // where a figure or a script is drawn
  std::string gnuplot;  // the gnuplot that draws the figure
  // A file goes to standard output: the fit is printed on standard error,
  // so that the file there stays whole.
  bool printToStandardError = false;
};

[[nodiscard]] const process::CommandLine& commandLine();

void addOptions(CLI::App& app, Options& options);

// Everything that can be refused before the file is read: a usage error, no
// gnuplot, outputs that are one file, the input, or cannot be written.
process::Failure makePlan(const Options& options, Plan& plan);

}  // namespace fit_tool
