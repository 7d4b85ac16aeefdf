// chi2map's two files, both on unit 1, one after the other. The tools read
// the first by default and refuse it where they want the second.
#pragma once

#include <cstdint>
#include <string_view>

namespace datafiles {

inline constexpr std::int32_t kDataUnit = 1;
inline constexpr std::string_view kFitResults = "quorvi.res";
inline constexpr std::string_view kTableFile = "table.dat";

}  // namespace datafiles
