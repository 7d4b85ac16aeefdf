// chi2map: reduces the fit results in "quorvi.res" to a chi-square map in
// "table.dat". Arguments are ignored.
#include "analysis/driver.h"

int main() { analysis::runChi2map(); }
