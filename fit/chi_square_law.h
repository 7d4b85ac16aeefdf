// The chi-square distribution, for the goodness of a fit and for levels
// given as probabilities. Boost.Math computes it; no argument here throws:
// one outside the distribution's domain gives NaN.
#pragma once

namespace fit {

// The probability that a chi-square with `dof` degrees of freedom is at
// least `chi2`: the p-value of a fit's smallest chi-square.
[[nodiscard]] double chiSquareAbove(double chi2, double dof);

// The chi-square with `dof` degrees of freedom below which lies
// `probability`: the level of a region of that probability.
[[nodiscard]] double chiSquareQuantile(double probability, double dof);

// The probability within `sigmas` standard deviations of a normal
// distribution's mean: 0.6827 for 1.
[[nodiscard]] double sigmaProbability(double sigmas);

}  // namespace fit
