#include "fit/record_grid.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <numeric>

#include "datafiles/fit_records.h"
#include "recio/core/failure_codes.h"
#include "recio/diagnostics.h"
#include "recio/platform/platform.h"
#include "recio/run.h"
#include "recio/statements.h"

namespace fit {
namespace {

constexpr std::int32_t kUnit = 1;
constexpr double kMissing = std::numeric_limits<double>::quiet_NaN();

// The text of a failure the record layer handed back: an error number, or its
// own code for exhausted memory.
std::string failureText(int failure) {
  if (failure == recio::code::kBufferAllocationFailed) return "not enough memory";
  if (recio::code::isLayerCode(failure)) return recio::code::messageText(failure);
  return std::strerror(failure);
}

// The distinct values of one parameter in order of first appearance. Grid
// files repeat the previous record's value, move to the next one in the list
// or come back to the first, so those three are tried first; a hash of the
// values' bits answers the rest.
class AxisIndex {
 public:
  AxisIndex() : values_(2, kMissing), slots_(16, 0) {}

  // Whether the value is the previous match, the entry after it or the first,
  // and then its position in `position`. The list ends in two NaN entries,
  // which equal nothing, so no probe needs the count; a NaN or infinite value
  // is never found here.
  [[gnu::always_inline]] bool near(double value, std::size_t& position) {
    const double* values = values_.data();
    std::size_t at = last_;
    if (values[at] != value) {
      if (values[at + 1] == value)
        ++at;
      else if (values[0] == value)
        at = 0;
      else
        return false;
      last_ = at;
    }
    position = at;
    return true;
  }

  // The value's position, appended when new, first met on `line`. `value`
  // is finite.
  std::uint32_t find(double value, bool& appended, std::int64_t line) {
    value += 0.0;  // one zero: -0 and +0 are the same grid value
    const std::uint64_t bits = std::bit_cast<std::uint64_t>(value);
    std::size_t slot = hash(bits);
    for (; slots_[slot] != 0; slot = (slot + 1) & (slots_.size() - 1)) {
      const std::uint32_t position = slots_[slot] - 1;
      if (values_[position] == value) return static_cast<std::uint32_t>(last_ = position);
    }
    const std::size_t count = size();
    if (count >= std::numeric_limits<std::uint32_t>::max() - 1) throw std::bad_alloc();
    values_.push_back(kMissing);
    values_[count] = value;
    lines_.push_back(line);
    slots_[slot] = static_cast<std::uint32_t>(count + 1);
    if (2 * (count + 1) > slots_.size()) rehash();
    appended = true;
    return static_cast<std::uint32_t>(last_ = count);
  }

  [[nodiscard]] std::size_t size() const { return values_.size() - 2; }
  [[nodiscard]] double value(std::size_t position) const { return values_[position]; }
  [[nodiscard]] std::int64_t line(std::size_t position) const { return lines_[position]; }

 private:
  [[nodiscard]] std::size_t hash(std::uint64_t bits) const {
    // Fibonacci hashing: grid values differ in their low mantissa bits too.
    const std::uint64_t mixed = (bits ^ (bits >> 29)) * 0x9E3779B97F4A7C15ull;
    return static_cast<std::size_t>(mixed >> (64 - std::countr_zero(slots_.size())));
  }

  void rehash() {
    std::vector<std::uint32_t> grown(slots_.size() * 2, 0);
    slots_.swap(grown);
    for (std::size_t position = 0; position < size(); ++position) {
      std::size_t slot = hash(std::bit_cast<std::uint64_t>(values_[position]));
      while (slots_[slot] != 0) slot = (slot + 1) & (slots_.size() - 1);
      slots_[slot] = static_cast<std::uint32_t>(position + 1);
    }
  }

  std::vector<double> values_;  // the values, then two NaN entries
  std::vector<std::int64_t> lines_;
  std::size_t last_ = 0;
  std::vector<std::uint32_t> slots_;  // position + 1; 0 is empty
};

// The chi-square cube indexed by appearance positions, T outermost. T grows
// by extending the block in place (capacity doubling), so T rows not reached
// yet are never touched. YORP or f_KE growing lays the rows out anew: to the
// exact counts while the cube is small, as grid files meet all their inner
// values in the first records; by half as much again once it is large.
class Cube {
 public:
  Cube() { cells_ = reallocate(nullptr, capacityT_); }
  ~Cube() { std::free(cells_); }
  Cube(const Cube&) = delete;
  Cube& operator=(const Cube&) = delete;

  [[gnu::always_inline]] double& cell(std::size_t i, std::size_t j, std::size_t k) {
    return cells_[(i * capacityY_ + j) * capacityF_ + k];
  }

  // Room for the positions given (at most kMaxCells cells), the new T rows
  // all missing. The slack of growth never takes the block past kMaxCells
  // cells where the counts stay within it.
  void reserve(std::size_t countT, std::size_t countY, std::size_t countF) {
    if (countY > capacityY_ || countF > capacityF_) {
      const bool small = rowsT_ * rowSize() < kSmallCube;
      std::size_t capacityY = countY <= capacityY_ ? capacityY_ : small ? countY : wider(capacityY_, countY);
      std::size_t capacityF = countF <= capacityF_ ? capacityF_ : small ? countF : wider(capacityF_, countF);
      if (capacityY * capacityF > kMaxCells / capacityT_) {
        capacityY = std::max(countY, capacityY_);
        capacityF = std::max(countF, capacityF_);
        capacityT_ = std::max(countT, std::min(capacityT_, kMaxCells / (capacityY * capacityF)));
      }
      double* cells = reallocate(nullptr, product(capacityT_, product(capacityY, capacityF)));
      for (std::size_t i = 0; i < rowsT_; ++i) {
        double* row = cells + i * capacityY * capacityF;
        std::fill_n(row, capacityY * capacityF, kMissing);
        for (std::size_t j = 0; j < capacityY_; ++j)
          std::memcpy(row + j * capacityF, &cell(i, j, 0), capacityF_ * sizeof(double));
      }
      std::free(cells_);
      cells_ = cells;
      capacityY_ = capacityY;
      capacityF_ = capacityF;
    }
    if (countT > capacityT_) {
      const std::size_t capacityT = std::max(countT, std::min(grown(capacityT_, countT), kMaxCells / rowSize()));
      cells_ = reallocate(cells_, product(capacityT, rowSize()));
      capacityT_ = capacityT;
    }
    for (; rowsT_ < countT; ++rowsT_) std::fill_n(&cell(rowsT_, 0, 0), rowSize(), kMissing);
  }

  // The cells of the sorted grid, in place: order[a][m] is the appearance
  // position of the m-th smallest value of axis a. Packing the rows down to
  // the counts first and shrinking the block leaves no second copy. Counts
  // the cells with a chi-square into `filled`.
  Cells sorted(const std::array<std::vector<std::uint32_t>, 3>& order, std::uint64_t& filled) {
    const std::size_t nT = order[kT].size(), nY = order[kYorp].size(), nF = order[kFke].size();
    // Row (i, j) moves down to i * nY + j: never above where it was, and past
    // every row already moved, so nothing is overwritten before it is read.
    if (nY != capacityY_ || nF != capacityF_)
      for (std::size_t i = 0; i < nT; ++i)
        for (std::size_t j = 0; j < nY; ++j)
          std::memmove(cells_ + (i * nY + j) * nF, &cell(i, j, 0), nF * sizeof(double));
    const std::size_t size = nT * nY * nF;
    if (void* packed = std::realloc(cells_, std::max<std::size_t>(size, 1) * sizeof(double)))
      cells_ = static_cast<double*>(packed);
    std::vector<bool> done;
    std::vector<double> held;
    // Axes met in ascending order, as most grids are written, stay as they are.
    if (!ascending(order[kT])) permute(cells_, order[kT], nY * nF, done, held);
    if (!ascending(order[kYorp]))
      for (std::size_t i = 0; i < nT; ++i) permute(cells_ + i * nY * nF, order[kYorp], nF, done, held);
    if (!ascending(order[kFke]))
      for (std::size_t row = 0; row < nT * nY; ++row) permute(cells_ + row * nF, order[kFke], 1, done, held);
    for (std::size_t c = 0; c < size; ++c) {
      cells_[c] += 0.0;  // one zero for +0 and -0 chi-squares
      filled += std::isnan(cells_[c]) ? 0U : 1U;
    }
    Cells out;
    out.data.reset(cells_);
    out.size = size;
    cells_ = nullptr;
    return out;
  }

 private:
  static constexpr std::size_t kSmallCube = std::size_t{1} << 16;

  [[nodiscard]] std::size_t rowSize() const { return capacityY_ * capacityF_; }

  [[nodiscard]] static bool ascending(const std::vector<std::uint32_t>& order) {
    for (std::size_t m = 0; m < order.size(); ++m)
      if (order[m] != m) return false;
    return true;
  }

  // Blocks of `width` doubles put in the order given, block m becoming the
  // block at order[m], one cycle at a time with one block held aside.
  static void permute(double* blocks, const std::vector<std::uint32_t>& order, std::size_t width,
                      std::vector<bool>& done, std::vector<double>& held) {
    done.assign(order.size(), false);
    held.resize(width);
    for (std::size_t start = 0; start < order.size(); ++start) {
      if (done[start] || order[start] == start) continue;
      std::copy_n(blocks + start * width, width, held.begin());
      std::size_t m = start;
      for (;;) {
        done[m] = true;
        const std::size_t from = order[m];
        if (from == start) break;
        std::copy_n(blocks + from * width, width, blocks + m * width);
        m = from;
      }
      std::copy_n(held.begin(), width, blocks + m * width);
    }
  }

  // Half as much again: every cell is copied each time the rows are laid out
  // anew, and the old and new blocks are held together then, so the slack is
  // kept smaller than doubling's.
  static std::size_t wider(std::size_t capacity, std::size_t needed) {
    return std::max(needed, product(capacity, 3) / 2 + 1);
  }

  static std::size_t grown(std::size_t capacity, std::size_t needed) {
    while (capacity < needed) capacity = product(capacity, 2);
    return capacity;
  }

  static std::size_t product(std::size_t a, std::size_t b) {
    if (b != 0 && a > std::numeric_limits<std::size_t>::max() / sizeof(double) / b) throw std::bad_alloc();
    return a * b;
  }

  static double* reallocate(double* cells, std::size_t count) {
    void* grown = std::realloc(cells, product(std::max<std::size_t>(count, 1), 1) * sizeof(double));
    if (grown == nullptr) throw std::bad_alloc();
    return static_cast<double*>(grown);
  }

  double* cells_ = nullptr;
  std::size_t capacityT_ = 16;
  std::size_t capacityY_ = 1;
  std::size_t capacityF_ = 1;
  std::size_t rowsT_ = 0;  // T rows set to missing so far
};

enum class Added : std::uint8_t { Yes, NotFinite, TooLarge };

class GridBuilder {
 public:
  // A record whose values are not all where the previous record's were or
  // next to them, or whose chi-square is not finite, ending on `line`. A
  // record with a NaN or infinite value is left out, and so is one whose new
  // values would make the grid larger than kMaxCells.
  [[gnu::noinline]] Added addSlowly(double t, double yorp, double fke, double chiSquare, std::int64_t line) {
    if (!std::isfinite(t) || !std::isfinite(yorp) || !std::isfinite(fke) || !std::isfinite(chiSquare))
      return Added::NotFinite;
    bool appended = false;
    const std::uint32_t i = axes_[kT].find(t, appended, line);
    const std::uint32_t j = axes_[kYorp].find(yorp, appended, line);
    const std::uint32_t k = axes_[kFke].find(fke, appended, line);
    if (appended) {
      if (cellCount() > kMaxCells) return Added::TooLarge;
      if (dense_) cube_.reserve(size(kT), size(kYorp), size(kFke));
    }
    place(i, j, k, chiSquare);
    return Added::Yes;
  }

  [[nodiscard]] std::array<std::uint64_t, 3> counts() const { return {size(kT), size(kYorp), size(kFke)}; }

  // A record whose values AxisIndex::near finds, its chi-square finite.
  [[gnu::always_inline]] bool addQuickly(double t, double yorp, double fke, double chiSquare) {
    std::size_t i = 0, j = 0, k = 0;
    if (!axes_[kT].near(t, i) || !axes_[kYorp].near(yorp, j) || !axes_[kFke].near(fke, k) || !std::isfinite(chiSquare))
      return false;
    place(i, j, k, chiSquare);
    return true;
  }

  void finish(RecordGrid& grid, std::array<CloseValues, 3>& close) {
    if (!dense_) becomeDense();
    std::array<std::vector<std::uint32_t>, 3> order;
    for (const Parameter a : datafiles::kParameters) {
      const AxisIndex& axis = axes_[a];
      order[a].resize(axis.size());
      std::iota(order[a].begin(), order[a].end(), 0u);
      std::sort(order[a].begin(), order[a].end(),
                [&](std::uint32_t x, std::uint32_t y) { return axis.value(x) < axis.value(y); });
      grid.axes[a].reserve(axis.size());
      for (const std::uint32_t position : order[a]) grid.axes[a].push_back(axis.value(position));
      close[a] = closeValues(a, grid.axes[a], order[a]);
    }
    grid.cells = cube_.sorted(order, grid.filledCells);
  }

 private:
  // Neighbours of the sorted `values` closer than kCloseValues of the larger
  // magnitude; YORP strength as the file writes it.
  [[nodiscard]] CloseValues closeValues(Parameter a, const std::vector<double>& values,
                                        const std::vector<std::uint32_t>& order) const {
    CloseValues close;
    const double written = a == kYorp ? 0.5 : 1.0;
    for (std::size_t m = 1; m < values.size(); ++m) {
      const double low = values[m - 1], high = values[m];
      if (!(high - low < kCloseValues * std::max(std::fabs(low), std::fabs(high)))) continue;
      if (close.pairs++ == 0)
        close = {low * written, high * written, axes_[a].line(order[m - 1]), axes_[a].line(order[m]), 1};
    }
    return close;
  }

  [[nodiscard]] std::size_t size(Parameter p) const { return axes_[p].size(); }
  // Each count is at most kMaxCells + 1 here: the product cannot wrap.
  [[nodiscard]] std::uint64_t cellCount() const { return std::uint64_t{size(kT)} * size(kYorp) * size(kFke); }

  // The cube is laid out once the records held back would fill half of it
  // (a few dozen at least, so that the first records of a grid do not decide
  // alone), or when they are many: records that lie on no grid are refused
  // by their counts before a cube of them is allocated.
  [[gnu::always_inline]] void place(std::size_t i, std::size_t j, std::size_t k, double chiSquare) {
    if (dense_) {
      double& cell = cube_.cell(i, j, k);
      if (!(cell <= chiSquare)) cell = chiSquare;
      return;
    }
    pending_.push_back(
        {static_cast<std::uint32_t>(i), static_cast<std::uint32_t>(j), static_cast<std::uint32_t>(k), chiSquare});
    const std::size_t held = pending_.size();
    if ((2 * held >= cellCount() && held >= kFewRecords) || held >= kMostPending) becomeDense();
  }

  void becomeDense() {
    cube_.reserve(size(kT), size(kYorp), size(kFke));
    dense_ = true;
    for (const PendingCell& p : pending_) place(p.i, p.j, p.k, p.chiSquare);
    std::vector<PendingCell>().swap(pending_);
  }

  struct PendingCell {
    std::uint32_t i, j, k;
    double chiSquare;
  };
  static constexpr std::size_t kMostPending = std::size_t{1} << 20;
  static constexpr std::size_t kFewRecords = 64;

  std::array<AxisIndex, 3> axes_;
  Cube cube_;
  std::vector<PendingCell> pending_;
  bool dense_ = false;
};

// Every record into the grid, until the file ends or a record is no five
// numbers; a failing read leaves only its code.
[[gnu::noinline]] void readRecords(recio::IoControl& control, GridReading& reading) {
  GridBuilder builder;
  ReadingEnd& end = reading.end;
  std::int64_t records = 0;
  bool tooLarge = false;
  const datafiles::FitRecordsEnd pass =
      datafiles::forEachFitPoint(control, kUnit, [&](const datafiles::FitPoint& point) {
        if (builder.addQuickly(point.t, point.yorp, point.fke, point.chiSquare)) {
          ++records;
          return true;
        }
        const std::int64_t line = point.line();
        const Added added = builder.addSlowly(point.t, point.yorp, point.fke, point.chiSquare, line);
        if (added == Added::Yes) {
          ++records;
        } else if (added == Added::TooLarge) {
          end.tooLargeCounts = builder.counts();
          end.tooLargeLine = line;
          tooLarge = true;
        } else if (end.nonFiniteRecords++ == 0) {
          end.firstNonFiniteLine = line;
        }
        return !tooLarge;
      });
  end.partReadLine = pass.partReadLine;
  end.moreThanRecordLine = pass.moreThanRecordLine;
  if (pass.last.end == datafiles::RecordEnd::SystemFailure) {
    end.failure = process::Failure(failureText(recio::handledFailure(control)));
    return;
  }
  if (tooLarge) return;
  end.stoppedAtLine = pass.where.stoppedAtLine;
  end.endsInsideRecord = pass.where.endsInsideRecord;
  end.linesRead = datafiles::currentLine(control, kUnit);
  reading.grid.records = records;
  builder.finish(reading.grid, end.closeValues);
}

// The input's last line as if a line feed ended it. chi2map leaves a last
// line without a line end unread (a fitting run may be writing it still); a
// file handed to the fit is taken as complete, so a whole record there is
// read and one with fewer values ends inside a record, as anywhere else.
// The reads go through the platform in force when reading began.
struct LastLineEnd {
  const recio::Platform* base = nullptr;
  char lastByte = '\n';
};
LastLineEnd lastLineEnd;

std::int64_t readEndingLastLine(int descriptor, void* bytes, std::size_t count) {
  const std::int64_t got = lastLineEnd.base->read(descriptor, bytes, count);
  if (got > 0) {
    lastLineEnd.lastByte = static_cast<const char*>(bytes)[got - 1];
  } else if (got == 0 && count > 0 && lastLineEnd.lastByte != '\n' && lastLineEnd.lastByte != '\r') {
    lastLineEnd.lastByte = '\n';
    *static_cast<char*>(bytes) = '\n';
    return 1;
  }
  return got;
}

GridReading readGrid(const std::string& path) {
  GridReading reading;
  recio::IoControl control;
  const recio::Handling handled{.errors = true, .endOfFile = true};
  if (recio::connectUnit(control, kUnit, path, "old", handled) != recio::IoStatus::Ok) {
    reading.end.failure = process::Failure(failureText(recio::handledFailure(control)));
  } else {
    try {
      readRecords(control, reading);
    } catch (const std::bad_alloc&) {
      reading = GridReading{};
      reading.end.failure = process::Failure(failureText(recio::code::kBufferAllocationFailed));
    }
  }
  // Closes the file and frees the layer's buffers; nothing was written, so
  // nothing can fail that matters.
  recio::closeRun(control);
  return reading;
}

}  // namespace

GridReading readRecordGrid(const std::string& path) {
  const recio::Platform& base = recio::platform();
  lastLineEnd = {&base, '\n'};
  recio::Platform endingLastLine = base;
  endingLastLine.read = readEndingLastLine;
  recio::installPlatform(&endingLastLine);
  GridReading grid = readGrid(path);
  recio::installPlatform(&base);
  return grid;
}

}  // namespace fit
