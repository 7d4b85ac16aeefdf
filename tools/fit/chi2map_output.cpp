#include "tools/fit/chi2map_output.h"

#include <cmath>
#include <limits>
#include <optional>
#include <vector>

#include "tools/fit/numbers.h"

namespace fit {
namespace {

std::vector<std::string_view> lines(std::string_view text) {
  std::vector<std::string_view> out;
  std::size_t start = 0;
  while (true) {
    const auto end = text.find('\n', start);
    out.push_back(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
    if (end == std::string_view::npos) return out;
    start = end + 1;
  }
}

// The blank-separated items after a summary label's colon.
std::vector<std::string_view> items(std::string_view line) {
  std::vector<std::string_view> out;
  const auto colon = line.find(':');
  if (colon == std::string_view::npos) return out;
  line.remove_prefix(colon + 1);
  while (true) {
    const auto first = line.find_first_not_of(' ');
    if (first == std::string_view::npos) break;
    line.remove_prefix(first);
    const auto end = line.find(' ');
    out.push_back(line.substr(0, end));
    if (end == std::string_view::npos) break;
    line.remove_prefix(end);
  }
  return out;
}

bool readPair(std::string_view line, double& first, double& second) {
  const auto found = items(line);
  if (found.size() != 2) return false;
  const auto a = readReal(found[0]);
  const auto b = readReal(found[1]);
  if (!a || !b) return false;
  first = *a;
  second = *b;
  return true;
}

}  // namespace

bool readSummary(std::string_view console, Summary& summary, std::string& error) {
  const auto text = lines(console);
  for (std::size_t axis = 0; axis < 3; ++axis) {
    const std::size_t countLine = 2 * axis;
    AxisSummary& out = summary.axes[axis];
    std::optional<int> count;
    if (countLine < text.size()) {
      const auto found = items(text[countLine]);
      if (found.size() == 1) count = readCount(found[0]);
    }
    if (!count || countLine + 1 >= text.size() || !readPair(text[countLine + 1], out.smallest, out.largest)) {
      error = "chi2map's summary has no count and range of " + std::string(kParameterNames[axis]);
      return false;
    }
    out.count = *count;
  }
  if (text.size() < 7 || !readPair(text[6], summary.chi2Smallest, summary.chi2Largest)) {
    error = "chi2map's summary has no chi-square range";
    return false;
  }
  return true;
}

bool readTable(std::string_view text, int choice, int outer, int inner, Plane& plane, std::string& error) {
  // F6.1 or F6.4, F6.4 or F5.1, and F8.1 for chi-square, blank-separated.
  const std::size_t width = choice == 1 ? 22 : 21;
  const auto rows = static_cast<std::size_t>(outer);
  const auto columns = static_cast<std::size_t>(inner);
  const auto tableLines = lines(text);
  // The text ends with a line feed, so the split leaves one empty piece.
  const std::size_t expected = rows * (columns + 1) + 1;
  plane = Plane{rows, columns, {}};
  plane.cells.reserve(rows * columns);
  for (std::size_t n = 0; n < expected; ++n) {
    const bool blockEnd = n % (columns + 1) == columns || n + 1 == expected;
    const std::size_t wantWidth = blockEnd ? 0 : width;
    if (n >= tableLines.size() || tableLines[n].size() != wantWidth) {
      error = "the table chi2map wrote for choice " + std::to_string(choice) + " does not have the expected layout (line " +
              std::to_string(n + 1) + ")";
      return false;
    }
    if (blockEnd) continue;
    const auto field = tableLines[n].substr(width - 8);
    const auto value = readReal(field);
    plane.cells.push_back(value && std::isfinite(*value) ? *value : std::numeric_limits<double>::quiet_NaN());
  }
  if (tableLines.size() != expected) {
    error = "the table chi2map wrote for choice " + std::to_string(choice) + " has more lines than its summary counts";
    return false;
  }
  return true;
}

}  // namespace fit
