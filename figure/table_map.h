// The table chi2map writes (table.dat) read back as a map: three
// right-aligned fixed fields a line (two grid labels and the smallest
// chi-square over the third parameter, datafiles::kProjections), one block
// per value of the first label, an empty line after each block.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "datafiles/projection_table.h"
#include "process/failure.h"

namespace figure {

struct TableMap {
  const datafiles::Projection* projection = nullptr;
  // Grid positions of the labels, x and y of the map, and the chi-square of
  // each cell, x-major (NaN where the field is asterisks, NaN or INF).
  std::vector<double> x, y, chiSquare;
  std::size_t missing = 0;
  // The smallest chi-square, where it lies, and its texts as the table shows them.
  double bestX = 0, bestY = 0;
  std::string chiSquareText, xText, yText;
  // Said on standard error: labels rounded into repeats, so that positions
  // are rebuilt and only approximate.
  std::vector<std::string> notes;
};

// Reads at most `size` bytes into `buffer`: the count, 0 at the end of the
// table, or the error number negated.
using ReadChunk = std::function<long(char* buffer, std::size_t size)>;

// The longest line read: far longer than a table line.
inline constexpr std::size_t kLongestLine = 80;

// Reads the table named `name` as a stream, line by line, as `forced` or
// recognised from its columns (nullptr): memory grows with the grid, never
// with the file. The failure names the file, and the line where there is
// one, when it is no table chi2map writes or cannot be mapped; a file that
// is no table is refused at its first bad line (a byte that is no text, a
// line too long), without reading on.
process::Failure readTable(const ReadChunk& read, const std::string& name, const datafiles::Projection* forced,
                           TableMap& map);

// The same from the file `name`, or from standard input for "-".
process::Failure readTableFile(const std::string& name, const datafiles::Projection* forced, TableMap& map);

}  // namespace figure
