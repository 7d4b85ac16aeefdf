// Bytes read as chi2map's table in reads of 1 to 256 bytes (the first byte) as projection 0-3 (the second).
// A refusal is one line; an accepted table is a whole map: x * y cells, ascending axes of two or more
// positions, the missing cells counted, its minimum a present cell none undercuts, its text that value.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "figure/table_map.h"
#include "fit/numbers.h"

namespace {

void require(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "table reader: %s\n", what);
  std::abort();
}

std::size_t indexOf(const std::vector<double>& axis, double value) { return static_cast<std::size_t>(std::find(axis.begin(), axis.end(), value) - axis.begin()); }

void checkMap(const figure::TableMap& map, const datafiles::Projection* forced) {
  const std::size_t nx = map.x.size(), ny = map.y.size();
  require(nx >= 2 && ny >= 2 && map.chiSquare.size() == nx * ny, "cells are not x * y");
  require(map.projection != nullptr && (forced == nullptr || map.projection == forced), "projection");
  require(std::is_sorted(map.x.begin(), map.x.end()) && std::is_sorted(map.y.begin(), map.y.end()), "axis order");
  require(static_cast<std::size_t>(std::count_if(map.chiSquare.begin(), map.chiSquare.end(), [](double c) { return std::isnan(c); })) == map.missing, "missing cells miscounted");
  const std::size_t m = indexOf(map.x, map.bestX), n = indexOf(map.y, map.bestY);
  require(m < nx && n < ny, "the minimum lies off the grid");
  const double best = map.chiSquare[m * ny + n];
  require(!std::isnan(best), "the minimum is a missing cell");
  for (const double c : map.chiSquare) require(!(c < best), "a cell undercuts the minimum");
  require(fit::readReal(map.chiSquareText) == best, "the minimum's text is not its cell");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::size_t chunk = 1 + std::size_t{data[0]};
  const datafiles::Projection* forced = data[1] % 4 == 0 ? nullptr : &datafiles::kProjections[data[1] % 4 - 1];
  std::string_view rest(reinterpret_cast<const char*>(data + 2), size - 2);
  figure::TableMap map;
  const auto read = [&rest, chunk](char* buffer, std::size_t room) -> long {
    const std::size_t n = std::min({chunk, room, rest.size()});
    std::memcpy(buffer, rest.data(), n);
    rest.remove_prefix(n);
    return static_cast<long>(n);
  };
  if (const process::Failure failure = figure::readTable(read, "fuzz.dat", forced, map))
    require(failure.why().find('\n') == std::string::npos, "a refusal that is not one line");
  else
    checkMap(map, forced);
  return 0;
}
