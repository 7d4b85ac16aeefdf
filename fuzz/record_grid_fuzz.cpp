// chi2map-fit's record grid against a brute-force cube. The first byte gives the f_KE values of a row (1 to 32); every
// three bytes after it give a T index (0 to 127), a YORP index (0 to 31) and a chi-square byte, and make one record per
// f_KE value of the row, in the order given, so that rows come in any order, twice, with holes, and new values arrive
// late in cubes past 65,536 cells. Index 0 of T is written -0, chi-square byte 255 NaN and 254 -0; the last line has no
// line feed. The grid must hold the distinct finite values sorted and in every cell the smallest chi-square given to
// it, +0 for a zero, NaN where none was.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <tuple>

#include "fit/record_grid.h"
#include "support/fake_platform.h"

namespace {

void require(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "record grid: %s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return 0;
  const int fkeCount = data[0] % 32 + 1;
  std::string text;
  std::map<std::tuple<double, double, double>, double> cells;
  std::set<double> axes[3];
  std::int64_t records = 0, nonFinite = 0;
  for (std::size_t at = 1; at + 3 <= size; at += 3) {
    const int t = data[at] % 128, yorp = data[at + 1] % 32, chi = data[at + 2];
    for (int f = 0; f < fkeCount; ++f) {
      const double c = chi == 255 ? NAN : chi == 254 ? -0.0 : chi + f % 3;
      char line[80];
      std::snprintf(line, sizeof line, "%s %d.5 0 %d.125 %s\n", t == 0 ? "-0" : std::to_string(t).c_str(), yorp, f, chi == 255 ? "nan" : chi == 254 ? "-0" : std::to_string(chi + f % 3).c_str());
      text += line;
      if (std::isnan(c)) {
        ++nonFinite;
        continue;
      }
      ++records;
      const double values[3] = {t + 0.0, 2 * (yorp + 0.5), f + 0.125};
      for (std::size_t a = 0; a < 3; ++a) axes[a].insert(values[a]);
      auto [cell, added] = cells.try_emplace({values[0], values[1], values[2]}, c + 0.0);
      if (!added && c < cell->second) cell->second = c + 0.0;
    }
  }
  if (!text.empty()) text.pop_back();
  fake::FakePlatform platform;
  platform.serveFromMemory("fuzz.res", text, 16 + data[0] * 8);
  const fit::GridReading reading = fit::readRecordGrid("fuzz.res");
  const fit::RecordGrid& grid = reading.grid;
  require(!reading.end.failure && reading.end.stoppedAtLine == 0 && !reading.end.endsInsideRecord, "not read to its end");
  require(grid.records == records && reading.end.nonFiniteRecords == nonFinite, "records counted wrong");
  require(grid.filledCells == cells.size() && grid.cells.size == axes[0].size() * axes[1].size() * axes[2].size(), "cells counted wrong");
  for (std::size_t a = 0; a < 3; ++a) require(std::equal(axes[a].begin(), axes[a].end(), grid.axes[a].begin(), grid.axes[a].end()), "axis values wrong");
  std::size_t index = 0;
  for (const double t : axes[0])
    for (const double y : axes[1])
      for (const double f : axes[2]) {
        const auto cell = cells.find({t, y, f});
        const double got = grid.cells[index++];
        require(cell == cells.end() ? std::isnan(got) : std::memcmp(&got, &cell->second, sizeof got) == 0, "cell wrong");
      }
  return 0;
}
