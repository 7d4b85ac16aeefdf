// The records of a fit-result file gathered into a grid: the distinct values
// of each parameter, sorted, and the smallest chi-square of every cell.
//
// The records are read exactly as chi2map reads them (the same record layer,
// its fast paths, YORP doubled), but without chi2map's fixed capacity and in
// any order and spacing. Memory grows with the cells; records are held back
// (24 bytes each, at most 2^20 of them) only until they would fill half of
// the cube their values make.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "datafiles/parameters.h"
#include "process/failure.h"

namespace fit {

using datafiles::kFke;
using datafiles::kT;
using datafiles::kYorp;
using datafiles::Parameter;

// A block of doubles from malloc: the cube is grown with realloc, which
// moves large blocks without copying and never touches the rows not reached.
struct Cells {
  struct Free {
    void operator()(double* cells) const { std::free(cells); }
  };
  std::unique_ptr<double[], Free> data;
  std::size_t size = 0;
  [[nodiscard]] double operator[](std::size_t index) const { return data[index]; }
};

// The most cells a grid may have (2 GiB of doubles): records whose distinct
// values would make more do not lie on a grid.
inline constexpr std::uint64_t kMaxCells = std::uint64_t{1} << 28;

struct RecordGrid {
  // Ascending, each value once; a zero is always +0.
  std::array<std::vector<double>, 3> axes;
  // T-major: cell (i, j, k) at (i * nYorp + j) * nFke + k; NaN where no record
  // gave the cell a chi-square.
  Cells cells;
  std::int64_t records = 0;       // records that went into the cells
  std::uint64_t filledCells = 0;  // cells with a chi-square

  [[nodiscard]] std::size_t size(Parameter p) const { return axes[p].size(); }

  // `visit(i, j, k, chiSquare)` for every cell in T-major order, NaN ones too.
  template <typename Visit>
  void forEachCell(Visit visit) const {
    const std::size_t nT = axes[kT].size(), nY = axes[kYorp].size(), nF = axes[kFke].size();
    std::size_t cell = 0;
    for (std::size_t i = 0; i < nT; ++i)
      for (std::size_t j = 0; j < nY; ++j)
        for (std::size_t k = 0; k < nF; ++k) visit(i, j, k, cells[cell++]);
  }
};

// Two neighbouring values of one axis that differ by less than 1e-9 of their
// size: float noise of separate passes, most often, that splits one grid
// value in two. The first such pair, ascending, with a line of each value's
// records; `pairs` counts them all (0: none).
inline constexpr double kCloseValues = 1e-9;
struct CloseValues {
  double low = 0.0, high = 0.0;
  std::int64_t lowLine = 0, highLine = 0;
  std::size_t pairs = 0;
};

// What reading met besides complete records. Lines count from 1, as chi2map
// counts them in its warnings; 0 means "none". A last line without a line
// end is read as if it had one.
struct ReadingEnd {
  // A failure to open or read the file: the error's text, or "not enough
  // memory". Nothing else is meaningful then.
  process::Failure failure;
  // Not zero: the counts of distinct values at the record (on `tooLargeLine`)
  // that would have made more than kMaxCells cells. Reading stopped there and
  // nothing else is meaningful.
  std::array<std::uint64_t, 3> tooLargeCounts{};
  std::int64_t tooLargeLine = 0;
  std::int64_t stoppedAtLine = 0;  // a record that is not one of five numbers
  bool endsInsideRecord = false;   // the file ended inside a record
  std::int64_t linesRead = 0;      // lines ended when reading stopped
  // The first line where a record ended with more left on it, the record
  // begun on an earlier line (a value may be missing there) or on that one.
  std::int64_t partReadLine = 0;
  std::int64_t moreThanRecordLine = 0;
  // Records with a NaN or infinite T, YORP strength (doubled), f_KE or
  // chi-square: left out of the grid.
  std::int64_t nonFiniteRecords = 0;
  std::int64_t firstNonFiniteLine = 0;
  std::array<CloseValues, 3> closeValues;  // YORP strength as written, not doubled
};

struct GridReading {
  RecordGrid grid;
  ReadingEnd end;
};

// Reads every record of the file at `path` until its end or the first record
// that is not one of five numbers. A FIFO is read once.
[[nodiscard]] GridReading readRecordGrid(const std::string& path);

}  // namespace fit
