#include "tools/fit/numbers.h"

#include <charconv>
#include <cmath>

// The one place that knows where the record layer keeps its conversions.
#include "recio/numbers/decimal_scan.h"
#include "recio/numbers/decimal_to_double.h"

namespace fit {
namespace {

std::string_view trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(' ');
  return text.substr(first, last - first + 1);
}

std::string charsText(double value, std::chars_format format, int precision) {
  char buffer[64];
  const auto result = precision > 0 ? std::to_chars(buffer, buffer + sizeof buffer, value, format, precision)
                                     : std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

}  // namespace

std::optional<double> readReal(std::string_view text) {
  text = trimmed(text);
  if (text.empty() || !recio::checkNumberText(text.data(), text.size(), recio::NumberKind::Real)) return {};
  return recio::convertReal(text.data(), text.size());
}

std::optional<int> readCount(std::string_view text) {
  text = trimmed(text);
  // Nine digits at most: a count chi2map prints is far below that, and the
  // conversion wraps beyond 32 bits.
  if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string_view::npos) return {};
  return recio::convertInteger(text.data(), text.size());
}

std::string shortText(double value) {
  if (std::isnan(value)) return "NaN";
  return charsText(value, std::chars_format::general, 6);
}

std::string exactText(double value) {
  if (std::isnan(value)) return "NaN";
  return charsText(value, std::chars_format::general, 0);
}

}  // namespace fit
