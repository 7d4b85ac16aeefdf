// Number texts: chi2map's, read with the record layer's own conversion, so a
// value means here exactly what it meant to chi2map; and ours, written with
// std::to_chars.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fit {

// The text without the blanks around it.
[[nodiscard]] std::string trimmed(std::string_view text);

// A real number as chi2map writes it, blanks around it allowed ("  50.0",
// "-NaN"). Empty when the text is no number.
[[nodiscard]] std::optional<double> readReal(std::string_view text);

// `digits` significant digits, trailing zeros dropped ("68.27", "90").
[[nodiscard]] std::string generalText(double value, int digits);

// A probability in percent to `digits` significant digits, more where
// those would round one below 1 up to "100%" ("68.27%", "99.9999%").
[[nodiscard]] std::string percentText(double probability, int digits);

// Six significant digits, for people ("587.5", "0.463451", "1e+10").
[[nodiscard]] std::string shortText(double value);

// The shortest text that reads back as the same double, for scripts and
// gnuplot; "NaN" for a NaN, as gnuplot reads it.
[[nodiscard]] std::string exactText(double value);

// `digits` significant digits, trailing zeros kept ("117", "68.4", "25.0",
// "0.00123", "1230"); far from 1 (below 1e-5, from 1e15 on) with an exponent.
[[nodiscard]] std::string significantText(double value, int digits);

// `decimals` digits after the point ("518.750").
[[nodiscard]] std::string fixedText(double value, int decimals);

// The decimals that write every value of an ascending grid as it is (to 1e-9
// of its size), at most 10; beyond that, enough for six significant digits
// of the smallest step (of the value itself when there is one).
[[nodiscard]] int gridDecimals(const std::vector<double>& grid);

}  // namespace fit
