#include "fit/numbers.h"

#include <algorithm>
#include <charconv>
#include <cmath>

// The one place that knows where the record layer keeps its conversions.
#include "recio/numbers/decimal_scan.h"
#include "recio/numbers/decimal_to_double.h"

namespace fit {
namespace {

std::string charsText(double value, std::chars_format format, int precision) {
  char buffer[720];  // the longest fixed text: 309 digits before the point, 330 after
  const auto result = precision >= 0 ? std::to_chars(buffer, buffer + sizeof buffer, value, format, precision)
                                     : std::to_chars(buffer, buffer + sizeof buffer, value);
  if (result.ec != std::errc{}) return charsText(value, std::chars_format::general, -1);
  return std::string(buffer, result.ptr);
}

bool writtenAsItIs(double value, int decimals) {
  const std::string text = fixedText(value, decimals);
  double back = 0;
  std::from_chars(text.data(), text.data() + text.size(), back);
  return std::fabs(back - value) <= 1e-9 * std::fabs(value);
}

}  // namespace

std::string trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

std::optional<double> readReal(std::string_view text) {
  const std::string number = trimmed(text);
  if (number.empty() || !recio::checkNumberText(number.data(), number.size(), recio::NumberKind::Real)) return {};
  return recio::convertReal(number.data(), number.size());
}

std::string generalText(double value, int digits) {
  if (std::isnan(value)) return "NaN";
  return charsText(value, std::chars_format::general, digits);
}

std::string percentText(double probability, int digits) {
  // 100 p stays below 100 for every double p below 1, so 17 digits tell.
  std::string text = generalText(100 * probability, digits);
  while (text == "100" && probability < 1 && digits < 17) text = generalText(100 * probability, ++digits);
  return text + "%";
}

std::string shortText(double value) { return generalText(value, 6); }

std::string exactText(double value) {
  if (std::isnan(value)) return "NaN";
  return charsText(value + 0.0, std::chars_format::general, -1);
}

std::string significantText(double value, int digits) {
  if (!std::isfinite(value) || value == 0) return shortText(value + 0.0);
  const std::string scientific = charsText(value, std::chars_format::scientific, digits - 1);
  const auto e = scientific.find('e');
  const int exponent = std::stoi(scientific.substr(e + 1));
  if (exponent < -5 || exponent >= 15) return scientific;
  const bool negative = scientific[0] == '-';
  std::string figures;
  for (const char c : scientific.substr(0, e))
    if (c >= '0' && c <= '9') figures += c;
  const auto count = static_cast<int>(figures.size());
  std::string out;
  if (exponent < 0)
    out = "0." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + figures;
  else if (exponent >= count - 1)
    out = figures + std::string(static_cast<std::size_t>(exponent - count + 1), '0');
  else
    out = figures.substr(0, static_cast<std::size_t>(exponent + 1)) + "." +
          figures.substr(static_cast<std::size_t>(exponent + 1));
  return (negative ? "-" : "") + out;
}

std::string fixedText(double value, int decimals) {
  if (!std::isfinite(value)) return shortText(value);
  return charsText(value + 0.0, std::chars_format::fixed, decimals);
}

int gridDecimals(const std::vector<double>& grid) {
  for (int decimals = 0; decimals <= 10; ++decimals)
    if (std::all_of(grid.begin(), grid.end(), [&](double v) { return writtenAsItIs(v, decimals); })) return decimals;
  // The first value keeps six significant digits too, unless it is 0, which
  // any decimals write as it is.
  double scale = grid.empty() || grid.front() == 0 ? HUGE_VAL : std::fabs(grid.front());
  for (std::size_t m = 1; m < grid.size(); ++m) scale = std::min(scale, grid[m] - grid[m - 1]);
  if (!(scale > 0) || !std::isfinite(scale)) return 10;
  return std::clamp(5 - static_cast<int>(std::floor(std::log10(scale))), 0, 330);
}

}  // namespace fit
