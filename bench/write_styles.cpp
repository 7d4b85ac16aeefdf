// Writes the 85 x 25 x 25 grid of fit results in the number styles that
// fitting codes write: fixed columns, C's %g, Python's print, Fortran's
// list-directed output of double precision, and ES26.16 columns. T ascends,
// YORP strength descends, f_KE ascends; the unused column is pseudo-random in
// [-1, 1] (a fixed seed, so every run writes the same bytes).
//
//   write_styles STYLE [lf|crlf|cr] [signs] [passes=N] > quorvi.res
//   STYLE: fixed, g, python, fortran, es
// "signs" writes a '+' before every value that is not negative.
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {

struct Options {
  std::string_view style;
  std::string_view lineEnd = "\n";
  bool signs = false;
  int passes = 1;
};

// The shortest digits that read back as v, and the decimal exponent of the
// first: v = 0.d1d2... x 10^(exponent + 1).
struct Shortest {
  std::string digits;
  int exponent;
};

Shortest shortest(double v) {
  char text[64];
  const auto result = std::to_chars(text, text + sizeof text - 1, std::fabs(v), std::chars_format::scientific);
  // to_chars writes no terminator, and atoi below reads up to one.
  *result.ptr = '\0';
  const std::string_view all(text, static_cast<std::size_t>(result.ptr - text));
  const std::size_t e = all.find('e');
  Shortest s{{}, std::atoi(all.data() + e + 1)};
  for (char c : all.substr(0, e)) {
    if (c != '.') s.digits += c;
  }
  return s;
}

// Python's repr: fixed with at least one fraction digit where the exponent
// lies in [-4, 16), otherwise d.ddde+XX.
std::string python(double v) {
  const Shortest s = shortest(v);
  std::string out = std::signbit(v) ? "-" : "";
  if (s.exponent >= -4 && s.exponent < 16) {
    if (s.exponent < 0) {
      out += "0." + std::string(static_cast<std::size_t>(-s.exponent - 1), '0') + s.digits;
    } else {
      std::string digits = s.digits;
      const auto whole = static_cast<std::size_t>(s.exponent + 1);
      if (digits.size() <= whole) digits += std::string(whole - digits.size() + 1, '0');
      out += digits.substr(0, whole) + "." + digits.substr(whole);
    }
    return out;
  }
  out += s.digits.substr(0, 1);
  if (s.digits.size() > 1) out += "." + s.digits.substr(1);
  char exponent[16];
  std::snprintf(exponent, sizeof exponent, "e%+03d", s.exponent);
  return out + exponent;
}

// Seventeen significant digits, correctly rounded, and their exponent.
Shortest seventeen(double v) {
  char text[64];
  std::snprintf(text, sizeof text, "%.16e", std::fabs(v));
  const char* e = std::strchr(text, 'e');
  Shortest s{{}, std::atoi(e + 1)};
  for (const char* p = text; p < e; ++p) {
    if (*p != '.') s.digits += *p;
  }
  return s;
}

// gfortran's list-directed REAL(8): fields of 25, F form with 17 significant
// digits for 0.1 <= |v| < 10^17, otherwise E form with a three-digit exponent.
std::string fortran(double v) {
  const Shortest s = seventeen(v);
  std::string text = std::signbit(v) ? "-" : "";
  if (v != 0.0 && s.exponent >= -1 && s.exponent < 17) {
    const auto whole = static_cast<std::size_t>(s.exponent + 1);
    text += whole == 0 ? "0." + s.digits : s.digits.substr(0, whole) + "." + s.digits.substr(whole);
  } else {
    char exponent[16];
    std::snprintf(exponent, sizeof exponent, "E%+04d", v == 0.0 ? 0 : s.exponent);
    text += s.digits.substr(0, 1) + "." + s.digits.substr(1) + exponent;
  }
  return std::string(text.size() < 25 ? 25 - text.size() : 1, ' ') + text;
}

std::string printed(const char* format, double v) {
  char text[64];
  std::snprintf(text, sizeof text, format, v);
  return text;
}

// The value's text in the style, `column` from 0; `signs` puts '+' before
// the digits of a value that is not negative, in its field.
std::string valueText(const Options& options, int column, double v) {
  static constexpr const char* kFixed[] = {"%10.3f", "%12.6f", "%10.4f", "%8.3f", "%13.6f"};
  std::string text;
  if (options.style == "fixed") text = printed(kFixed[column], v);
  if (options.style == "g") text = printed("%g", v);
  if (options.style == "python") text = python(v);
  if (options.style == "fortran") text = fortran(v);
  if (options.style == "es") text = printed("%26.16E", v);
  if (options.signs && !std::signbit(v)) {
    const std::size_t first = text.find_first_not_of(' ');
    text = first == 0 ? "+" + text : text.substr(0, first - 1) + "+" + text.substr(first);
  }
  return text;
}

const char* separator(std::string_view style) {
  return style == "g" || style == "python" || style == "fixed" ? " " : "";
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (argc < 2) {
    std::fputs("usage: write_styles fixed|g|python|fortran|es [lf|crlf|cr] [signs] [passes=N]\n", stderr);
    return 2;
  }
  options.style = argv[1];
  for (int i = 2; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "crlf") options.lineEnd = "\r\n";
    if (arg == "cr") options.lineEnd = "\r";
    if (arg == "signs") options.signs = true;
    if (arg.starts_with("passes=")) options.passes = std::atoi(arg.data() + 7);
  }
  std::uint64_t seed = 0x9E3779B97F4A7C15ULL;
  std::string line;
  for (int pass = 0; pass < options.passes; ++pass) {
    for (int i = 0; i < 85; ++i) {
      for (int j = 0; j < 25; ++j) {
        for (int k = 0; k < 25; ++k) {
          seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
          const double unused = static_cast<double>(seed >> 11) / 4503599627370496.0 - 1.0;
          const double x = (i - 47) / 20.0, y = (j - 9) / 6.0, z = (k - 13) / 5.0;
          const double values[5] = {50 + 12.5 * i, (25 - j) / 50.0, unused, (k + 1) / 10.0,
                                    407.35 + 40 * (x * x + y * y + z * z + 0.7 * x * y) + 25 * pass + unused / 7};
          line.clear();
          for (int c = 0; c < 5; ++c) {
            if (c > 0) line += separator(options.style);
            line += valueText(options, c, values[c]);
          }
          line += options.lineEnd;
          std::fwrite(line.data(), 1, line.size(), stdout);
        }
      }
    }
  }
  return 0;
}
