// Fuzz target for the whole loader: arbitrary bytes as "quorvi.res", loaded
// into the axis lists, ranges and cube. Besides the sanitizers it checks the
// invariants of loading:
//  - counts within capacity, and either all 0 or all at least 1;
//  - every cell outside the counts still holds the empty-cell marker;
//  - no list holds two equal values;
//  - an axis without a NaN ranges over min(1e10, values) .. max(0, values);
//  - with nothing loaded the chi-square range is untouched;
//  - a full list stops the run with the data error report, naming a list
//    that is full; otherwise loading writes at most one warning, naming a
//    line the input has, and disconnect and stop free every buffer.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "analysis/data_files.h"
#include "analysis/loader.h"
#include "analysis/working_storage.h"
#include "fuzz/memory_platform.h"
#include "recio/run.h"
#include "recio/statements.h"

namespace {

void require(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "loader invariant broken: %s\n", what);
  std::abort();
}

bool same(double a, double b) { return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b); }

template <std::int32_t Capacity>
void checkAxis(const analysis::AxisList<Capacity>& axis) {
  require(axis.count >= 0 && axis.count <= Capacity, "count within capacity");
  bool hasNaN = false;
  double smallest = analysis::kEmptyCell;
  double largest = 0.0;
  for (std::int32_t i = 0; i < axis.count; ++i) {
    const double v = axis.values[i];
    hasNaN = hasNaN || std::isnan(v);
    for (std::int32_t j = 0; j < i; ++j) require(!(axis.values[j] == v), "no two equal values in a list");
    if (v < smallest) smallest = v;
    if (v > largest) largest = v;
  }
  if (!hasNaN) {
    require(axis.range.smallest == smallest && axis.range.largest == largest, "axis range over its values");
  }
}

// Storage as the driver creates it, copied in before each input (copying is
// much faster than initialising under the coverage instrumentation).
struct Storages {
  analysis::WorkingStorage pristine;
  analysis::WorkingStorage loaded;
  analysis::WorkingStorage expected;
  Storages() { analysis::initialiseStorage(pristine); }
};
Storages& storages() {
  static auto* all = new Storages;
  return *all;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Storages& all = storages();
  analysis::WorkingStorage& storage = all.loaded;
  std::memcpy(&storage, &all.pristine, sizeof storage);
  fuzzing::MemoryPlatform platform("quorvi.res", data, size, recio::kFileBufferSize);
  auto control = std::make_unique<recio::IoControl>();
  int status = -1;
  try {
    recio::connectUnit(*control, analysis::kDataUnit, analysis::kFitResults, "old");
    analysis::loadFitResults(*control, storage);
  } catch (const fuzzing::MemoryPlatform::Exit& exit) {
    status = exit.status;
  }

  checkAxis(storage.t);
  checkAxis(storage.yorp);
  checkAxis(storage.fke);
  const std::int32_t nT = storage.t.count;
  const std::int32_t nY = storage.yorp.count;
  const std::int32_t nF = storage.fke.count;
  const bool none = nT == 0 && nY == 0 && nF == 0;
  require(none || (nT >= 1 && nY >= 1 && nF >= 1), "counts all 0 or all at least 1");
  if (none) {
    require(same(storage.chiSquare.smallest, analysis::kEmptyCell) && same(storage.chiSquare.largest, 0.0),
            "chi-square range untouched when nothing is loaded");
  }
  std::memcpy(all.expected.cube, all.pristine.cube, sizeof all.expected.cube);
  for (std::int32_t k = 1; k <= nF; ++k) {
    for (std::int32_t j = 1; j <= nY; ++j) {
      for (std::int32_t i = 1; i <= nT; ++i) {
        analysis::cubeCell(all.expected, i, j, k) = analysis::cubeCell(storage, i, j, k);
      }
    }
  }
  require(std::memcmp(all.expected.cube, storage.cube, sizeof storage.cube) == 0, "cells outside the counts empty");

  if (status == -1) {
    const std::string& err = platform.standardError();
    const std::string stopped = "? Warning: loading stopped at line ";
    const long lines = static_cast<long>(std::count(data, data + size, '\n'));
    if (err.rfind(stopped, 0) == 0) {
      const long line = std::strtol(err.c_str() + stopped.size(), nullptr, 10);
      require(line >= 1 && line <= lines, "the warning names a line of the input");
    } else {
      require(err.empty() || err.rfind("? Warning: quorvi.res ends inside a record", 0) == 0,
              "loading warns of nothing else");
    }
    require(std::count(err.begin(), err.end(), '\n') <= 1, "one warning at most");
    try {
      recio::disconnectUnit(*control, analysis::kDataUnit);
      recio::stopRun(*control);
    } catch (const fuzzing::MemoryPlatform::Exit& exit) {
      status = exit.status;
    }
    require(status == 0, "disconnect and stop end the run normally");
  } else {
    const std::string& err = platform.standardError();
    require(status == 255, "a full list ends the run with status 255");
    require(err.rfind("? Data Error:\n? more than ", 0) == 0, "data error report");
    const std::string ending = ")\n? READ(UNIT=1,...\n";
    require(err.size() > ending.size() && err.compare(err.size() - ending.size(), ending.size(), ending) == 0,
            "report ends with the statement line");
    const bool tFull = err.find(" 85 distinct T ") != std::string::npos && nT == analysis::kTCapacity;
    const bool yFull = err.find(" 25 distinct YORP ") != std::string::npos && nY == analysis::kYorpCapacity;
    const bool fFull = err.find(" 25 distinct f_KE ") != std::string::npos && nF == analysis::kFkeCapacity;
    require(tFull || yFull || fFull, "the report names a full list");
  }
  require(platform.liveBlocks() == 0, "every buffer freed");
  require(platform.openDescriptors() == 0, "the file closed");
  return 0;
}
