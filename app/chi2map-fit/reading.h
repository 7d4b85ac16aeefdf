// What chi2map-fit says of the reading of its input: the refusal when the
// fit may not go on from it, and the warnings when it may.
#pragma once

#include <string>
#include <vector>

#include "app/chi2map-fit/options.h"
#include "fit/record_grid.h"
#include "process/failure.h"

namespace fit_tool {

// A failure to read, records that lie on no grid, no record at all, and,
// without --partial, a record that may have lost or left out values.
process::Failure refuseReading(const Options& options, const std::string& input, const fit::GridReading& reading);

// With --partial, what would have been refused; in either mode, values that
// split a grid value and a grid mostly empty. Each is written on standard
// error, and all are given back for the report.
[[nodiscard]] std::vector<std::string> warnAboutReading(const std::string& input, const fit::GridReading& reading);

// Said once on standard error, and kept for the report.
void warn(std::vector<std::string>& warnings, const std::string& warning);

}  // namespace fit_tool
