// Google Benchmark microbenchmarks of the loading hot path: the real
// conversion, the digit generator, the loader's statement on the
// shape path and on the statement calls, collecting and scanning one
// record, the shape test and conversion of a record of a known shape, and
// the loader's list searches; and, with the tools, chi2map-fit's reading
// into a grid (fit_microbenchmarks.cpp).
//
//   build-bench/bench/chi2map_microbenchmarks [--benchmark_filter=REGEX]
#include <benchmark/benchmark.h>

#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "analysis/loader.h"
#include "analysis/working_storage.h"
#include "recio/connect.h"
#include "recio/disconnect.h"
#include "recio/numbers/decimal_scan.h"
#include "recio/numbers/decimal_to_double.h"
#include "recio/numbers/digit_generator.h"
#include "recio/platform/platform.h"
#include "recio/reader/read_statement.h"
#include "recio/reader/reader_state.h"
#include "recio/reader/record_collector.h"
#include "recio/reader/record_path.h"
#include "recio/reader/record_shape.h"
#include "recio/reader/value_scanner.h"
#include "recio/statements.h"

namespace {

// One record of the benchmark file, as "%10.3f %12.6f %10.4f %8.3f %14.6f".
constexpr char kRecord[] = "   612.500     0.340000     1.0306    1.200     409.150000\n";
constexpr std::size_t kRecordSize = sizeof kRecord - 1;

// The texts of that record's values, and a few that take the general path.
const char* const kTexts[] = {"612.500",    "0.340000", "1.0306", "1.200",
                              "409.150000", "-2.5D-3",  "1E100",  "1234567890123456789012345"};

// The scan and conversion of a value text: the fast case, and the general
// steps for the mantissa of 25 digits.
void BM_ConvertReal(benchmark::State& state) {
  const char* text = kTexts[state.range(0)];
  const std::size_t length = std::strlen(text);
  state.SetLabel(text);
  for (auto _ : state) {
    benchmark::DoNotOptimize(text);
    benchmark::DoNotOptimize(recio::convertReal(text, length));
  }
}
BENCHMARK(BM_ConvertReal)->DenseRange(0, 7);

const double kPrintedValues[] = {612.5, 0.34, 409.15, 1.0000000000000002e100, 6.02214076e23};

void BM_ToDecimalDigits(benchmark::State& state) {
  const double value = kPrintedValues[state.range(0)];
  const auto mode = state.range(1) == 0 ? recio::DigitMode::Significant : recio::DigitMode::Fraction;
  const auto n = static_cast<std::int32_t>(state.range(2));
  for (auto _ : state) {
    benchmark::DoNotOptimize(value);
    benchmark::DoNotOptimize(recio::toDecimalDigits(value, n, mode));
  }
}
// Free-form output asks for 16 fraction digits, the table for 1 or 4.
BENCHMARK(BM_ToDecimalDigits)->ArgsProduct({{0, 1, 2, 3, 4}, {0, 1}, {1, 16}});

// The digits of a table field: those up to the rounding place only.
void BM_ToRoundedDigits(benchmark::State& state) {
  const double value = kPrintedValues[state.range(0)];
  const auto n = static_cast<std::int32_t>(state.range(1));
  for (auto _ : state) {
    benchmark::DoNotOptimize(value);
    benchmark::DoNotOptimize(recio::toRoundedDigits(value, n, recio::DigitMode::Fraction));
  }
}
BENCHMARK(BM_ToRoundedDigits)->ArgsProduct({{0, 1, 2, 3, 4}, {1, 4}});

// A file block of whole records, served by the platform's read from
// memory, so that the statement benchmarks measure the layer without the
// kernel: benchmark records, or records of three shapes in turn (widths of
// the first value), which the two shapes a reader keeps never match.
struct MemoryFile {
  std::string block;
  void fill(bool threeShapes) {
    const char* const shapes[] = {kRecord, "  1612.500     0.340000     1.0306    1.200     409.150000\n",
                                  "    62.500     0.340000     1.0306    1.200     409.150000\n"};
    block.clear();
    for (int n = 0; block.size() + kRecordSize <= recio::kFileBufferSize; ++n) block += shapes[threeShapes ? n % 3 : 0];
  }
  MemoryFile() { fill(false); }
};
MemoryFile& memoryFile() {
  static MemoryFile file;
  return file;
}

std::int64_t readFromMemory(int, void* bytes, std::size_t count) {
  const std::string& block = memoryFile().block;
  const std::size_t n = count < block.size() ? count : block.size();
  std::memcpy(bytes, block.data(), n);
  return static_cast<std::int64_t>(n);
}

// Unit 1 connected to a real (empty) file, then reads served from memory.
class ConnectedUnit {
 public:
  ConnectedUnit() : control_(std::make_unique<recio::IoControl>()) {
    char name[] = "/tmp/chi2map-bench-XXXXXX";
    const int descriptor = ::mkstemp(name);
    if (descriptor < 0) std::abort();
    ::close(descriptor);
    path_ = name;
    recio::prepareStatement(*control_, 1);
    control_->options.fileNameGiven = true;
    control_->options.statusGiven = true;
    control_->fileName = path_.c_str();
    control_->fileNameLength = path_.size();
    control_->statusText = "old";
    control_->statusTextLength = 3;
    if (recio::openUnit(*control_) != recio::IoStatus::Ok) std::abort();
    platform_ = recio::posixPlatform();
    platform_.read = readFromMemory;
    recio::installPlatform(&platform_);
  }
  ~ConnectedUnit() {
    recio::installPlatform(nullptr);
    recio::prepareStatement(*control_, 1);
    (void)recio::closeUnit(*control_);
    std::remove(path_.c_str());
  }
  ConnectedUnit(const ConnectedUnit&) = delete;
  ConnectedUnit& operator=(const ConnectedUnit&) = delete;
  recio::IoControl& control() { return *control_; }

 private:
  std::unique_ptr<recio::IoControl> control_;
  recio::Platform platform_{};
  std::string path_;
};

// fillRecord and the five scanValue calls of one benchmark record: the
// general steps, which every value that is no plain decimal takes.
void BM_CollectAndScanRecord(benchmark::State& state) {
  ConnectedUnit unit;
  recio::IoControl& control = unit.control();
  recio::prepareRead(control, 1, recio::ItemType::Real64, {.errors = true, .endOfFile = true});
  if (recio::beginRead(control) != recio::IoStatus::Ok) std::abort();
  recio::UnitConnection& connection = *control.current;
  for (auto _ : state) {
    if (recio::fillRecord(control, connection) != recio::IoStatus::Ok) std::abort();
    for (int i = 0; i < 5; ++i) {
      if (recio::scanValue(control) != recio::IoStatus::Ok) std::abort();
    }
    benchmark::DoNotOptimize(control.value.chars[0]);
  }
  (void)recio::endRead(control);
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kRecordSize));
}
BENCHMARK(BM_CollectAndScanRecord);

// fillRecord and the five readItem calls of one benchmark record: the path
// of records that readRecordInBlock leaves to the statement calls.
void BM_CollectAndReadRecord(benchmark::State& state) {
  ConnectedUnit unit;
  recio::IoControl& control = unit.control();
  recio::prepareRead(control, 1, recio::ItemType::Real64, {.errors = true, .endOfFile = true});
  if (recio::beginRead(control) != recio::IoStatus::Ok) std::abort();
  recio::UnitConnection& connection = *control.current;
  double record[5] = {};
  for (auto _ : state) {
    if (recio::fillRecord(control, connection) != recio::IoStatus::Ok) std::abort();
    recio::readerState(control).valueEndedAtRecordEnd = false;  // as beginRead leaves it
    for (double& value : record) {
      if (recio::readItem(control, &value) != recio::IoStatus::Ok) std::abort();
    }
    benchmark::DoNotOptimize(record);
  }
  (void)recio::endRead(control);
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kRecordSize));
}
BENCHMARK(BM_CollectAndReadRecord);

// The five-double statement by its calls: beginRead, five readItem, endRead.
void readByCalls(recio::IoControl& control, double (&record)[5]) {
  if (recio::beginRead(control) != recio::IoStatus::Ok) std::abort();
  for (double& value : record) {
    if (recio::readItem(control, &value) != recio::IoStatus::Ok) std::abort();
  }
  (void)recio::endRead(control);
}

// The loader's read statement by its calls.
void BM_ReadStatement(benchmark::State& state) {
  ConnectedUnit unit;
  recio::IoControl& control = unit.control();
  double record[5] = {};
  for (auto _ : state) {
    recio::prepareRead(control, 1, recio::ItemType::Real64, {.errors = true, .endOfFile = true});
    readByCalls(control, record);
    benchmark::DoNotOptimize(record);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kRecordSize));
}
BENCHMARK(BM_ReadStatement);

// The loader's statement on benchmark records: readRecordInBlock, and the
// statement calls where it declines. Records of one shape, or of three
// shapes in turn, are read by their recent shapes.
void BM_PlainRecord(benchmark::State& state) {
  const bool threeShapes = state.range(0) == 1;
  memoryFile().fill(threeShapes);
  {
    ConnectedUnit unit;
    recio::IoControl& control = unit.control();
    recio::prepareRead(control, 1, recio::ItemType::Real64, {.errors = true, .endOfFile = true});
    double record[5] = {};
    for (auto _ : state) {
      if (!recio::readRecordInBlock(control, record)) readByCalls(control, record);
      benchmark::DoNotOptimize(record);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kRecordSize));
    state.SetLabel(threeShapes ? "three shapes in turn" : "one shape");
  }
  memoryFile().fill(false);
}
BENCHMARK(BM_PlainRecord)->Arg(0)->Arg(1);

// The shape test (SSE2 and portable) and the conversion of a benchmark
// record of a known shape.
void BM_ShapeRecord(benchmark::State& state) {
  const bool sse2 = state.range(0) == 0;
  ConnectedUnit unit;
  recio::IoControl& control = unit.control();
  recio::prepareRead(control, 1, recio::ItemType::Real64, {.errors = true, .endOfFile = true});
  double record[5] = {};
  // Two records: the first fills the block, the second is read by its shape.
  for (int n = 0; n < 2; ++n) {
    if (!recio::readRecordInBlock(control, record)) readByCalls(control, record);
  }
  recio::RecordShape& shape = *recio::readerState(control).shapes.latest;
  const recio::UnitConnection& connection = *control.units.head;
  const char* const text = connection.buffer + connection.readPosition;
  for (auto _ : state) {
    benchmark::DoNotOptimize(text);
#ifdef RECIO_SSE2
    if (sse2) {
      benchmark::DoNotOptimize(recio::hasShapeSse2(shape, text));
    } else
#endif
    {
      benchmark::DoNotOptimize(recio::hasShapePortable(shape, text));
    }
    recio::shapeValues(shape, text, record);
    benchmark::DoNotOptimize(record);
  }
  state.SetLabel(sse2 ? "SSE2" : "portable");
}
BENCHMARK(BM_ShapeRecord)->Arg(0)->Arg(1);

// The three list searches of one record, over the points of the full grid
// in file order (T slowest, f_KE fastest), or in an order that defeats the
// start at the previous match.
void BM_FindAxisValues(benchmark::State& state) {
  const bool fileOrder = state.range(0) == 0;
  auto storage = std::make_unique<analysis::WorkingStorage>();
  analysis::initialiseStorage(*storage);
  for (std::int32_t i = 0; i < analysis::kTCapacity; ++i) storage->t.values[i] = 50.0 + 12.5 * i;
  for (std::int32_t j = 0; j < analysis::kYorpCapacity; ++j) storage->yorp.values[j] = 1.0 - 0.04 * j;
  for (std::int32_t k = 0; k < analysis::kFkeCapacity; ++k) storage->fke.values[k] = 0.1 + 0.1 * k;
  storage->t.count = analysis::kTCapacity;
  storage->yorp.count = analysis::kYorpCapacity;
  storage->fke.count = analysis::kFkeCapacity;
  struct Point {
    double t, yorp, fke;
  };
  std::vector<Point> points;
  for (std::int32_t i = 0; i < analysis::kTCapacity; ++i) {
    for (std::int32_t j = 0; j < analysis::kYorpCapacity; ++j) {
      for (std::int32_t k = 0; k < analysis::kFkeCapacity; ++k) {
        points.push_back({storage->t.values[i], storage->yorp.values[j], storage->fke.values[k]});
      }
    }
  }
  if (!fileOrder) {
    // A fixed stride through the grid: consecutive points share no value.
    std::vector<Point> shuffled;
    for (std::size_t n = 0, at = 0; n < points.size(); ++n, at = (at + 7919) % points.size()) {
      shuffled.push_back(points[at]);
    }
    points.swap(shuffled);
  }
  std::size_t next = 0;
  std::size_t index = 0;
  for (auto _ : state) {
    const Point& p = points[next];
    next = next + 1 == points.size() ? 0 : next + 1;
    // As the loader looks: near the previous match first.
    benchmark::DoNotOptimize(analysis::findNearValue(storage->t, p.t, index) ||
                             analysis::findValue(storage->t, p.t) != analysis::kNotFound);
    benchmark::DoNotOptimize(analysis::findNearValue(storage->yorp, p.yorp, index) ||
                             analysis::findValue(storage->yorp, p.yorp) != analysis::kNotFound);
    benchmark::DoNotOptimize(analysis::findNearValue(storage->fke, p.fke, index) ||
                             analysis::findValue(storage->fke, p.fke) != analysis::kNotFound);
  }
  state.SetLabel(fileOrder ? "file order" : "scattered");
}
BENCHMARK(BM_FindAxisValues)->Arg(0)->Arg(1);

}  // namespace

BENCHMARK_MAIN();
