#include "support/expected_texts.h"

namespace fake {

std::string summary(const std::string& nT, const std::string& tRange, const std::string& nY,
                    const std::string& yRange, const std::string& nF, const std::string& fRange,
                    const std::string& chiRange) {
  return "  values of T   :   " + nT + "\n  min,max values: " + tRange + "\n  values of YORP:   " + nY +
         "\n  min,max values: " + yRange + "\n  values of f_KE:   " + nF + "\n  min,max values: " + fRange +
         "\n  chi2min,-max: " + chiRange +
         "\n  Which projection you want?\n  T vs YORP strength    - 1\n  T vs f_KE             - 2\n"
         "  f_KE vs YORP strength - 3\n";
}

std::string capacityReport(const std::string& axis, int limit, int line) {
  return "? Data Error:\n? more than " + std::to_string(limit) + " distinct " + axis + " values in quorvi.res (line " +
         std::to_string(line) + ")\n? READ(UNIT=1,...\n";
}

std::string stoppedAtLine(long line) {
  return "? Warning: loading stopped at line " + std::to_string(line) +
         " of quorvi.res: not a record of five numbers\n";
}

std::string singleValue(const std::string& axis) {
  return "? Warning: " + axis + " has a single value in quorvi.res: its labels in table.dat are NaN\n";
}

std::string labelsMismatch(const std::string& axis) {
  return "? Warning: the " + axis + " labels of table.dat do not match quorvi.res: " + axis +
         " values must first appear in " + (axis == "YORP" ? "descending" : "ascending") +
         " order on a uniform grid\n";
}

}  // namespace fake
