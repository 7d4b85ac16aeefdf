// What chi2map-fit writes once the fit is known: the fit printed, the figure
// drawn, and the files asked for.
#pragma once

#include "app/chi2map-fit/options.h"
#include "fit/report.h"
#include "process/failure.h"

namespace fit_tool {

// Prints the fit, draws, and writes every file. Nothing is kept unless the
// whole run succeeds: each file is staged first, and all take their places
// at the end. An image on standard output has it to itself: the fit then
// goes to standard error.
process::Failure writeResults(const Options& options, const Plan& plan, const std::vector<fit::FitReport>& reports);

}  // namespace fit_tool
