// The layout of the table chi2map writes (table.dat), and reading it back as
// a map: three right-aligned fixed fields a line (two grid labels and the
// smallest chi-square over the third parameter), one block per value of the
// first label, an empty line after each block.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "fit/record_grid.h"

namespace fit {

struct Field {
  int width;
  int decimals;
};

// One menu choice of chi2map: the parameters of its two label columns, the
// one minimised over, and which label is drawn on x.
struct Projection {
  const char* name;  // "T vs YORP strength": x first
  Parameter outer, inner, reduced;
  Field outerField, innerField;
  bool innerOnX;
};
inline constexpr Field kChi2Field = {8, 1};
inline constexpr std::array<Projection, 3> kProjections = {{
    {"T vs YORP strength", kT, kYorp, kFke, {6, 1}, {6, 4}, false},
    {"T vs f_KE", kT, kFke, kYorp, {6, 1}, {5, 1}, false},
    {"f_KE vs YORP strength", kYorp, kFke, kT, {6, 4}, {5, 1}, true},
}};

struct TableMap {
  int projection = 0;  // 1, 2 or 3
  // Grid positions of the labels, x and y of the map, and the chi-square of
  // each cell, x-major (NaN where the field is asterisks, NaN or INF).
  std::vector<double> x, y, chi2;
  std::size_t missing = 0;
  // The smallest chi-square, where it lies, and its texts as the table shows them.
  double bestX = 0, bestY = 0;
  std::string chi2Text, xText, yText;
  // Said on standard error: labels rounded into repeats, so that positions
  // are rebuilt and only approximate.
  std::vector<std::string> notes;
};

// Reads at most `size` bytes into `buffer`: the count, 0 at the end of the
// table, or the error number negated.
using ReadChunk = std::function<long(char* buffer, std::size_t size)>;

// The longest line read: a table line has 21 or 22 characters.
inline constexpr std::size_t kLongestLine = 80;

// Reads the table named `name` as a stream, line by line, as projection
// `forced` (1-3) or recognised from its layout (0): memory grows with the
// grid, never with the file. False with one line naming the file, and the
// line where there is one, when it is no table chi2map writes or cannot be
// mapped; a file that is no table is refused at its first bad line (a byte
// that is no text, a line too long), without reading on.
[[nodiscard]] bool readTable(const ReadChunk& read, const std::string& name, int forced, TableMap& map,
                             std::string& error);

}  // namespace fit
