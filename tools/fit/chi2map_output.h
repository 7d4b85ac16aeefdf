// What chi2map writes: the summary on its console and the projection tables.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "tools/fit/profile.h"

namespace fit {

// The axes in the order chi2map's summary lists them.
enum Parameter { kT = 0, kYorp = 1, kFke = 2 };
inline constexpr std::array<std::string_view, 3> kParameterNames = {"T", "YORP strength", "f_KE"};

struct AxisSummary {
  int count = 0;
  double smallest = 0.0;
  double largest = 0.0;
};

struct Summary {
  std::array<AxisSummary, 3> axes;
  double chi2Smallest = 0.0;
  double chi2Largest = 0.0;
};

// Reads the first seven console lines (counts, ranges, the chi-square range).
// False with a reason when they are not there as chi2map writes them.
[[nodiscard]] bool readSummary(std::string_view console, Summary& summary, std::string& error);

// The table chi2map writes for a menu choice: `outer` blocks of `inner`
// lines, each block followed by an empty line. Fills `plane` (outer rows,
// inner columns); a chi-square field of asterisks, NaN or INF is a missing
// cell. False with a reason when the text has another layout.
[[nodiscard]] bool readTable(std::string_view text, int choice, int outer, int inner, Plane& plane,
                             std::string& error);

}  // namespace fit
