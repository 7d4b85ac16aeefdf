// Number texts: chi2map's, read with the record layer's own conversion, so a
// value means here exactly what it meant to chi2map; and ours, written with
// std::to_chars.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace fit {

// A real number as chi2map writes it, blanks around it allowed ("  50.0",
// "4.000000000000000E-002", "-NaN"). Empty when the text is no number.
[[nodiscard]] std::optional<double> readReal(std::string_view text);

// A count: digits only, blanks around them allowed.
[[nodiscard]] std::optional<int> readCount(std::string_view text);

// Six significant digits, for people ("587.5", "0.463451", "1e+10").
[[nodiscard]] std::string shortText(double value);

// The shortest text that reads back as the same double, for scripts and
// gnuplot; "NaN" for a NaN, as gnuplot reads it.
[[nodiscard]] std::string exactText(double value);

}  // namespace fit
