#include "support/fixtures.h"

#include <cstring>

namespace fixtures {
namespace {

std::string whole(int value) { return std::to_string(value) + ".0"; }
std::string rightAligned(const std::string& text, std::size_t width) { return std::string(width > text.size() ? width - text.size() : 0, ' ') + text; }
std::string report(std::string_view header, std::string_view text, std::string_view statement) {
  std::string lines = "? " + std::string(header) + "\n? " + std::string(text) + "\n";
  if (!statement.empty()) lines += "? " + std::string(statement) + "\n";
  return lines;
}

}  // namespace

std::string summary(std::string_view nT, std::string_view tRange, std::string_view nY, std::string_view yRange, std::string_view nF, std::string_view fRange, std::string_view chiRange) {
  std::string text;
  for (const auto& [label, value] : {std::pair{"values of T   :   ", nT},
                                     // clang-format off
                                     {"min,max values: ", tRange},  {"values of YORP:   ", nY},    {"min,max values: ", yRange},
                                     {"values of f_KE:   ", nF},    {"min,max values: ", fRange},
                                     // clang-format on
                                     {"chi2min,-max: ", chiRange}}) {
    text += "  " + std::string(label) + std::string(value) + "\n";
  }
  return text +
         "  Which projection you want?\n  T vs YORP strength    - 1\n  T vs f_KE             - 2\n"
         "  f_KE vs YORP strength - 3\n";
}

std::string systemReport(int errorNumber, std::string_view statement) { return report("System Error:", std::strerror(errorNumber), statement); }

std::string layerReport(std::string_view text, std::string_view statement) { return report("FORTRAN Runtime Error:", text, statement); }

std::string capacityReport(std::string_view axis, int limit, int line) {
  return report("Data Error:", "more than " + std::to_string(limit) + " distinct " + std::string(axis) + " values in quorvi.res (line " + std::to_string(line) + ")", "READ(UNIT=1,...");
}

std::string stoppedAtLine(long line) { return "? Warning: loading stopped at line " + std::to_string(line) + " of quorvi.res: not a record of five numbers\n"; }

std::string singleValue(std::string_view axis) { return "? Warning: " + std::string(axis) + " has a single value in quorvi.res: its labels in table.dat are NaN\n"; }

std::string labelsMismatch(std::string_view axis) {
  const std::string name(axis);
  return "? Warning: the " + name + " labels of table.dat do not match quorvi.res: " + name + " values must first appear in " + (axis == "YORP" ? "descending" : "ascending") +
         " order on a uniform grid\n";
}

std::string partRead(long line) { return "? Warning: line " + std::to_string(line) + " of quorvi.res was read only in part: its record began on an earlier line, which may lack a value\n"; }
std::string moreThanRecord(long line) { return "? Warning: line " + std::to_string(line) + " of quorvi.res holds more than a record: what follows its fifth value was not read\n"; }

std::string grid(int nT, int nY, int nF) {
  std::string text;
  for (int t = 1; t <= nT; ++t) {
    for (int y = nY; y >= 1; --y) {
      for (int f = 1; f <= nF; ++f) {
        const int tenths = 1000 * t + 10 * y + 5 * (f - 1);  // chi-square in tenths
        text += whole(t) + " " + std::to_string(y / 2) + (y % 2 != 0 ? ".5" : ".0") + " 0.0 " + std::to_string(f / 2) + (f % 2 != 0 ? ".5" : ".0") + " " + std::to_string(tenths / 10) + "." +
                std::to_string(tenths % 10) + "\n";
      }
    }
  }
  return text;
}

std::string gridTable(int nT, int nY) {
  std::string table;
  for (int t = 1; t <= nT; ++t) {
    for (int y = 1; y <= nY; ++y) table += rightAligned(whole(t), 6) + " " + (y <= 9 ? std::to_string(y) + ".0000" : "******") + " " + rightAligned(whole(100 * t + y), 8) + "\n";
    table += "\n";
  }
  return table;
}

std::string oldTable(std::size_t bytes) {
  std::string text;
  while (text.size() < bytes) text += "an old table line, longer than the new ones\n";
  return text;
}

std::string replaceAll(std::string text, std::string_view from, std::string_view to) {
  for (std::size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size()) text.replace(at, from.size(), to);
  return text;
}

}  // namespace fixtures
