// The three parameters of a fit, in the order of its records and of chi2map's
// summary, and their names.
#pragma once

#include <array>
#include <cstdint>

namespace datafiles {

enum Parameter : std::uint8_t { kT, kYorp, kFke };
inline constexpr std::array<Parameter, 3> kParameters = {kT, kYorp, kFke};

// As chi2map's console and warnings name them.
inline constexpr std::array<const char*, 3> kShortNames = {"T", "YORP", "f_KE"};
// As the tools' texts name them.
inline constexpr std::array<const char*, 3> kLongNames = {"T", "YORP strength", "f_KE"};

// A fit file brings YORP values in descending order, the others ascending:
// a table counts up, so its position m reads list position count + 1 - m of
// a descending parameter.
constexpr bool descending(Parameter p) { return p == kYorp; }

}  // namespace datafiles
