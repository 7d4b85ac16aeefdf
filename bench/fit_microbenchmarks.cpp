// chi2map-fit's reading into a grid, beside the microbenchmarks of the
// loading hot path (microbenchmarks.cpp).
#include <benchmark/benchmark.h>

#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "fit/record_grid.h"

namespace {

// chi2map-fit's reading: the example's 53,125 records into a sorted grid,
// in file order and shuffled (no previous or next value to find: every
// value through the hash), a record a benchmark item.
void BM_RecordGrid(benchmark::State& state) {
  const bool shuffled = state.range(0) == 1;
  char path[] = "/tmp/chi2map-bench-grid.XXXXXX";
  const int fd = ::mkstemp(path);
  std::vector<std::string> lines;
  for (int i = 0; i < 85; ++i) {
    for (int j = 0; j < 25; ++j) {
      for (int k = 0; k < 25; ++k) {
        char line[96];
        const int n = std::snprintf(line, sizeof line, "%10.3f %12.6f %10.4f %8.3f %14.6f\n", 50 + 12.5 * i,
                                    0.5 - 0.02 * j, 1.0, 0.1 + 0.1 * k, 400.0 + i + j + k);
        lines.emplace_back(line, static_cast<std::size_t>(n));
      }
    }
  }
  for (std::size_t n = 0, at = 0; shuffled && n < lines.size(); ++n, at = (at + 7919) % lines.size())
    std::swap(lines[n], lines[at]);
  for (const std::string& line : lines) {
    if (::write(fd, line.data(), line.size()) != static_cast<ssize_t>(line.size())) std::abort();
  }
  ::close(fd);
  for (auto _ : state) benchmark::DoNotOptimize(fit::readRecordGrid(path).grid.records);
  ::unlink(path);
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(lines.size()));
  state.SetLabel(shuffled ? "shuffled" : "file order");
}
BENCHMARK(BM_RecordGrid)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
