// The fit as people read it (text), as scripts read it (JSON) and the
// profiles as a table (CSV), for one input or several.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "fit/levels.h"
#include "fit/marginal.h"
#include "fit/profile.h"
#include "fit/record_grid.h"

namespace fit {

// How well the smallest chi-square fits `dof` degrees of freedom.
struct Goodness {
  double dof = 0.0;
  double reduced = 0.0;  // chi2min / dof
  double pValue = 0.0;   // the probability of a chi-square at least chi2min
};

struct FitReport {
  std::string path;  // the input as given
  std::string name;  // what the text, the figure's key and the CSV call it
  RecordGrid grid;
  GridFit fit;
  std::vector<Level> levels;  // one per interval of each parameter, in their order
  std::optional<Goodness> goodness;
  std::optional<Marginals> marginals;
  std::array<bool, 3> logPrior{};  // each marginal's prior: uniform in the logarithm
  std::vector<std::string> warnings;
};

// The smallest chi-square and its cell, the grid, then per parameter its best
// value and per level its ranges; the best values with their errors, and the
// marginals when there are. Values are rounded to what the grid supports:
// the best one to the decimals of its grid values, range ends to two more.
// Several fits follow each other, each headed by its name.
[[nodiscard]] std::string fitText(const std::vector<FitReport>& reports);

// Everything at full precision (the shortest text that reads back as the same
// double); a missing chi-square is null. Several fits: {"fits": [...]}.
[[nodiscard]] std::string fitJson(const std::vector<FitReport>& reports);

// "parameter,value,chi2", one row per grid value of each parameter; a
// missing chi-square is an empty field. Several fits: a first column "fit".
[[nodiscard]] std::string profilesCsv(const std::vector<FitReport>& reports);

// "T = 587.5 +117/-68.4 (1 sigma)", or the ranges of the first level when
// the one holding the best value is open: the heading of a parameter's
// panel in the figure, with significant digits.
[[nodiscard]] std::string intervalHeading(const FitReport& report, Parameter parameter);

// "T = 598 +90.2/-76.2 (68.27%)": the median of a marginal and its first
// credible interval, the heading of a density panel.
[[nodiscard]] std::string marginalHeading(const FitReport& report, Parameter parameter);

// "68.27%": a credible interval's probability, four significant digits.
[[nodiscard]] std::string probabilityText(double probability);

}  // namespace fit
