// Arbitrary bytes (after the first, which chooses reads of 1 to 16 bytes) loaded as "quorvi.res": the lists, extremes,
// cells and warnings keep the loader's invariants; neither the read sizes nor every line end written as a line feed and
// tabs as blanks change what is loaded; nothing is left behind.
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
#include <string_view>
#include <vector>

#include "analysis/loader.h"
#include "analysis/working_storage.h"
#include "datafiles/file_names.h"
#include "recio/run.h"
#include "recio/statements.h"
#include "support/fake_platform.h"

namespace {

void require(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "input invariant broken: %s\n", what);
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
    smallest = v < smallest ? v : smallest;
    largest = v > largest ? v : largest;
  }
  require(hasNaN || (axis.extremes.smallest == smallest && axis.extremes.largest == largest), "axis extremes over its values");
}

// Storage as the driver creates it, copied in before each load (copying is
// much faster than initialising under the coverage instrumentation).
struct Storages {
  analysis::WorkingStorage pristine, loaded[2], expected;
  Storages() { analysis::initialiseStorage(pristine); }
};
Storages& storages() {
  static auto* all = new Storages;
  return *all;
}

// Loads the bytes into `storage`; gives back what standard error received.
std::string load(const std::uint8_t* data, std::size_t size, std::size_t chunk, analysis::WorkingStorage& storage) {
  Storages& all = storages();
  std::memcpy(&storage, &all.pristine, sizeof storage);
  fake::FakePlatform platform;
  platform.serveFromMemory(std::string(datafiles::kFitResults), std::string_view(reinterpret_cast<const char*>(data), size), chunk);
  auto control = std::make_unique<recio::IoControl>();
  int status = platform.run([&] {
    recio::connectUnit(*control, datafiles::kDataUnit, datafiles::kFitResults, "old");
    analysis::loadFitResults(*control, storage);
  });
  checkAxis(storage.t);
  checkAxis(storage.yorp);
  checkAxis(storage.fke);
  const std::int32_t nT = storage.t.count, nY = storage.yorp.count, nF = storage.fke.count;
  const bool none = nT == 0 && nY == 0 && nF == 0;
  require(none || (nT >= 1 && nY >= 1 && nF >= 1), "counts all 0 or all at least 1");
  require(!none || (same(storage.chiSquare.smallest, analysis::kEmptyCell) && same(storage.chiSquare.largest, 0.0)), "chi-square extremes untouched when nothing is loaded");
  std::memcpy(all.expected.cube, all.pristine.cube, sizeof all.expected.cube);
  for (std::int32_t k = 1; k <= nF; ++k) {
    for (std::int32_t j = 1; j <= nY; ++j)
      for (std::int32_t i = 1; i <= nT; ++i) analysis::cubeCell(all.expected, i, j, k) = analysis::cubeCell(storage, i, j, k);
  }
  require(std::memcmp(all.expected.cube, storage.cube, sizeof storage.cube) == 0, "cells outside the counts empty");

  const std::string err = platform.standardError();
  if (status == -1) {
    // A line that names a line of the input (lines end at LF, CR or CR LF).
    const long lines = static_cast<long>(std::count(data, data + size, '\r') + std::count(data, data + size, '\n'));
    auto namesALine = [&](std::string_view warning, std::string_view head) {
      if (warning.rfind(head, 0) != 0) return false;
      const long line = std::strtol(std::string(warning.substr(head.size())).c_str(), nullptr, 10);
      require(line >= 1 && line <= lines, "the warning names a line of the input");
      return true;
    };
    std::string_view rest = err;
    // A record read in part, then a line holding more than a record: each once, in that order.
    for (const std::string_view kind : {" was read only in part", " holds more than a record"}) {
      if (rest.substr(0, rest.find('\n')).find(kind) != std::string_view::npos && namesALine(rest, "? Warning: line ")) rest.remove_prefix(rest.find('\n') + 1);
    }
    require(rest.empty() || namesALine(rest, "? Warning: loading stopped at line ") || rest.rfind("? Warning: quorvi.res ends inside a record", 0) == 0, "loading warns of nothing else");
    require(std::count(rest.begin(), rest.end(), '\n') <= 1, "one warning of where loading ended at most");
    status = platform.run([&] {
      recio::disconnectUnit(*control, datafiles::kDataUnit);
      recio::stopRun(*control);
    });
    require(status == 0, "disconnect and stop end the run normally");
  } else {
    require(status == 255 && err.rfind("? Data Error:\n? more than ", 0) == 0, "data error report, status 255");
    const bool tFull = err.find(" 85 distinct T ") != std::string::npos && nT == analysis::kTCapacity;
    const bool yFull = err.find(" 25 distinct YORP ") != std::string::npos && nY == analysis::kYorpCapacity;
    const bool fFull = err.find(" 25 distinct f_KE ") != std::string::npos && nF == analysis::kFkeCapacity;
    require(tFull || yFull || fFull, "the report names a full list");
  }
  require(platform.liveAllocations() == 0 && platform.openDescriptors() == 0, "every buffer freed, the file closed");
  return err;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t chunk = 1 + data[0] % 16;
  const std::uint8_t* text = data + 1;
  const std::size_t length = size - 1;

  Storages& all = storages();
  const std::string err = load(text, length, recio::kFileBufferSize, all.loaded[0]);
  require(load(text, length, chunk, all.loaded[1]) == err, "the warnings do not depend on the read sizes");
  require(std::memcmp(&all.loaded[0], &all.loaded[1], sizeof all.loaded[0]) == 0, "the storage does not depend on the read sizes");
  std::vector<std::uint8_t> plain;
  for (std::size_t i = 0; i < length; ++i) {
    if (text[i] == '\r' && i + 1 < length && text[i + 1] == '\n') continue;  // the pair's line feed ends it
    plain.push_back(text[i] == '\t' ? ' ' : text[i] == '\r' ? '\n' : text[i]);
  }
  require(load(plain.data(), plain.size(), recio::kFileBufferSize, all.loaded[1]) == err, "line feeds for every line end and tabs as blanks change no warning");
  require(std::memcmp(&all.loaded[0], &all.loaded[1], sizeof all.loaded[0]) == 0, "line feeds for every line end and tabs as blanks change nothing loaded");
  return 0;
}
