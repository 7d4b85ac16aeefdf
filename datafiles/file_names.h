// The program's two files, both on unit 1, one after the other.
#pragma once

#include <cstdint>
#include <string_view>

namespace analysis {

inline constexpr std::int32_t kDataUnit = 1;
inline constexpr std::string_view kFitResults = "quorvi.res";
inline constexpr std::string_view kTableFile = "table.dat";

}  // namespace analysis
