// The gnuplot script of the corner figure: the three maps below the diagonal,
// the three one-parameter profiles on it. The data travel inside the script
// as datablocks, so one file is all gnuplot reads.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/fit/profile.h"

namespace fit {

struct CornerData {
  std::array<std::vector<double>, 3> grids;     // T, YORP strength, f_KE
  std::array<std::vector<double>, 3> profiles;  // chi-square per grid value
  std::array<ParameterFit, 3> fits;
  // T vs YORP strength, T vs f_KE, YORP strength vs f_KE: rows follow the
  // first parameter (drawn on x), columns the second (on y).
  std::array<Plane, 3> maps;
  double chi2Smallest = 0.0;
};

// The gnuplot terminal for a figure name's extension (.png, .svg, .pdf, in
// any case); empty for any other name.
[[nodiscard]] std::optional<std::string> terminalFor(std::string_view figure);

// The whole script, writing to `output` through `terminal`.
[[nodiscard]] std::string cornerScript(const CornerData& data, const std::string& terminal, const std::string& output);

}  // namespace fit
