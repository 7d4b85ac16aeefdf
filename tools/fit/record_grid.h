// The records of a fit-result file gathered into a grid: the distinct values
// of each parameter, sorted, and the smallest chi-square of every cell.
//
// The records are read exactly as chi2map reads them (the same record layer,
// its fast paths, YORP doubled), but without chi2map's fixed capacity and in
// any order and spacing. Memory grows with the cells, never with the records.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace fit {

// The axes in the order chi2map's summary lists them.
enum Parameter : std::size_t { kT = 0, kYorp = 1, kFke = 2 };
inline constexpr std::array<const char*, 3> kParameterNames = {"T", "YORP strength", "f_KE"};

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

struct RecordGrid {
  // Ascending, each value once; a zero is always +0.
  std::array<std::vector<double>, 3> axes;
  // T-major: cell (i, j, k) at (i * nYorp + j) * nFke + k; NaN where no record
  // gave the cell a chi-square.
  Cells cells;
  std::int64_t records = 0;  // records that went into the cells

  [[nodiscard]] std::size_t size(Parameter p) const { return axes[p].size(); }
  [[nodiscard]] std::size_t index(std::size_t i, std::size_t j, std::size_t k) const {
    return (i * axes[kYorp].size() + j) * axes[kFke].size() + k;
  }
  [[nodiscard]] double at(std::size_t i, std::size_t j, std::size_t k) const { return cells[index(i, j, k)]; }
};

// What reading met besides complete records. Lines count from 1, as chi2map
// counts them in its warnings; 0 means "none".
struct ReadingEnd {
  // A failure to open or read the file: an error number, or the record
  // layer's code for exhausted memory. Nothing else is meaningful then.
  int failure = 0;
  std::int64_t stoppedAtLine = 0;  // a record that is not one of five numbers
  bool endsInsideRecord = false;   // the file ended inside a record
  std::int64_t linesRead = 0;      // lines ended when reading stopped
  std::int64_t partReadLine = 0;   // the first record that was read only in part ended here
  // Records with a NaN or infinite T, YORP strength (doubled), f_KE or
  // chi-square: left out of the grid.
  std::int64_t nonFiniteRecords = 0;
  std::int64_t firstNonFiniteLine = 0;
};

struct GridReading {
  RecordGrid grid;
  ReadingEnd end;
};

// Reads every record of the file at `path` until its end or the first record
// that is not one of five numbers. A FIFO is read once.
[[nodiscard]] GridReading readRecordGrid(const std::string& path);

// The text of a failure code of ReadingEnd.
[[nodiscard]] std::string failureText(int failure);

}  // namespace fit
