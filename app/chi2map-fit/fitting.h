// The fit of one input, once read: its levels (which may depend on its
// smallest chi-square), its goodness and marginals when asked for, and the
// warnings of what its grid leaves uncertain.
#pragma once

#include <string>
#include <vector>

#include "app/chi2map-fit/options.h"
#include "fit/record_grid.h"
#include "fit/report.h"
#include "process/failure.h"

namespace fit_tool {

// A logarithmic axis (--log) with a value at or below zero: a usage error.
process::Failure refuseLogAxes(const Plan& plan, const std::string& input, const fit::RecordGrid& grid);

// The report of input `index` of the plan, its grid taken over; the
// warnings of reading come first among its own.
[[nodiscard]] fit::FitReport fitInput(const Options& options, const Plan& plan, std::size_t index,
                                      fit::RecordGrid&& grid, std::vector<std::string> warnings);

}  // namespace fit_tool
