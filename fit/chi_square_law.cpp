#include "fit/chi_square_law.h"

#include <boost/math/distributions/chi_squared.hpp>
#include <boost/math/special_functions/erf.hpp>
#include <cmath>
#include <limits>

namespace fit {
namespace {

namespace policies = boost::math::policies;
// Errors become NaN or an infinity, never an exception or a message.
using Quiet =
    policies::policy<policies::domain_error<policies::ignore_error>, policies::overflow_error<policies::ignore_error>,
                     policies::evaluation_error<policies::ignore_error>>;
using ChiSquared = boost::math::chi_squared_distribution<double, Quiet>;

bool validDof(double dof) { return dof > 0 && std::isfinite(dof); }

}  // namespace

double chiSquareAbove(double chi2, double dof) {
  if (!validDof(dof) || std::isnan(chi2)) return std::numeric_limits<double>::quiet_NaN();
  if (chi2 <= 0) return 1.0;
  if (std::isinf(chi2)) return 0.0;
  return boost::math::cdf(boost::math::complement(ChiSquared(dof), chi2));
}

double chiSquareQuantile(double probability, double dof) {
  if (!validDof(dof) || !(probability >= 0 && probability < 1)) return std::numeric_limits<double>::quiet_NaN();
  return boost::math::quantile(ChiSquared(dof), probability);
}

double sigmaProbability(double sigmas) { return boost::math::erf(sigmas / std::sqrt(2.0), Quiet()); }

}  // namespace fit
