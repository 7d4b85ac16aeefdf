// The levels of a fit's intervals and of its maps' contours, in delta
// chi-square above the smallest chi-square, each with where it came from:
// sigma counts or probabilities of one parameter for the intervals, the same
// probabilities for two parameters for the contours; with the degrees of
// freedom known, scaled by the reduced chi-square or joined by the level
// relative to the smallest chi-square.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace fit {

struct Level {
  double deltaChi2 = 0.0;
  std::string name;    // short, for the text and the figure's key: "1 sigma", "90%"
  std::string origin;  // where it came from, in words, for the JSON
};

// What the command line asked for. Sigma counts and probabilities are given
// in the order the levels come, sigma counts first.
struct LevelChoice {
  std::vector<double> sigmas{};         // each above zero
  std::vector<double> probabilities{};  // each in (0, 1)
  std::optional<double> dof{};          // degrees of freedom of the fit, above zero
  bool scale = false;                   // every level times max(1, chi2min / dof)
  bool relative = false;                // one more level: chi2min sqrt(2 / dof)
};

// The factor of --scale: max(1, chi2min / dof); 1 without it.
[[nodiscard]] double levelScale(const LevelChoice& choice, double chi2Min);

// The intervals' levels: one parameter, k sigma is delta chi-square k^2 and
// probability p its quantile with one degree of freedom.
[[nodiscard]] std::vector<Level> intervalLevels(const LevelChoice& choice, double chi2Min);

// The contours of the maps: the same sigma counts or probabilities for two
// parameters (the quantiles with two degrees of freedom), scaled alike.
[[nodiscard]] std::vector<Level> contourLevels(const LevelChoice& choice, double chi2Min);

// Three significant digits, for a figure's key: "2.30", "11.8".
[[nodiscard]] std::string keyText(double deltaChi2);

}  // namespace fit
