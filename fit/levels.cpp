#include "fit/levels.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "fit/chi_square_law.h"
#include "fit/numbers.h"

namespace fit {
namespace {

// A level of the sigma counts and probabilities, for `parameters` (1 or 2).
std::vector<Level> fromChoice(const LevelChoice& choice, double parameters) {
  std::vector<Level> levels;
  const std::string of = parameters == 1 ? " of one parameter" : " of two parameters";
  for (const double k : choice.sigmas) {
    // One parameter: exactly k^2, as the normal distribution gives it.
    const double delta = parameters == 1 ? k * k : chiSquareQuantile(sigmaProbability(k), 2);
    levels.push_back({delta, shortText(k) + " sigma", shortText(k) + " sigma" + of});
  }
  for (const double p : choice.probabilities) {
    const std::string percent = percentText(p, 6);
    levels.push_back({chiSquareQuantile(p, parameters), percent, percent + " confidence" + of});
  }
  return levels;
}

// --scale and --relative, once the degrees of freedom are known.
std::vector<Level> adjusted(std::vector<Level> levels, const LevelChoice& choice, double chi2Min) {
  if (!choice.dof) return levels;
  const double factor = levelScale(choice, chi2Min);
  if (choice.scale)
    for (Level& level : levels) {
      level.deltaChi2 *= factor;
      level.origin += ", times max(1, chi2min / dof) = " + shortText(factor);
      if (factor > 1) level.name += " x " + shortText(factor);
    }
  if (choice.relative)
    levels.push_back(
        {chi2Min * std::sqrt(2 / *choice.dof), "chi2min sqrt(2/dof)",
         "chi2min sqrt(2 / dof): the spread of a chi-square of " + shortText(*choice.dof) + " degrees of freedom"});
  return levels;
}

}  // namespace

double levelScale(const LevelChoice& choice, double chi2Min) {
  if (!choice.scale || !choice.dof) return 1.0;
  return std::max(1.0, chi2Min / *choice.dof);
}

std::vector<Level> intervalLevels(const LevelChoice& choice, double chi2Min) {
  return adjusted(fromChoice(choice, 1), choice, chi2Min);
}

std::vector<Level> contourLevels(const LevelChoice& choice, double chi2Min) {
  return adjusted(fromChoice(choice, 2), choice, chi2Min);
}

std::string keyText(double deltaChi2) {
  char buffer[32];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, deltaChi2, std::chars_format::general, 3).ptr;
  std::string text(buffer, end);
  // Three significant digits shown, trailing zeros kept: 2.3 is "2.30".
  if (std::isfinite(deltaChi2) && text.find('e') == std::string::npos) {
    std::size_t digits = 0;
    bool leading = true;
    for (const char c : text) {
      if (c >= '1' && c <= '9') leading = false;
      if (c >= '0' && c <= '9' && !leading) ++digits;
    }
    if (digits < 3 && text.find('.') == std::string::npos) text += '.';
    text.append(3 - std::min<std::size_t>(digits, 3), '0');
  }
  return text;
}

}  // namespace fit
