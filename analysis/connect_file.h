// Connecting the data unit to one of the program's two files.
#pragma once

#include <string_view>

#include "recio/io_control.h"

namespace analysis {

inline constexpr std::int32_t kDataUnit = 1;

// Connects unit 1 to `name` with `status`; a failure ends the run with its report.
void connectDataFile(recio::IoControl& control, std::string_view name, std::string_view status);

}  // namespace analysis
