// Fuzz target for the reader's whole-record path: arbitrary bytes as a file,
// read to its end by five-double statements, once with readRecordByLayout
// first and once by the statement calls alone. After every statement both
// must leave the same status, items, line, record text and statement state,
// and in the end the same stop. Reads come in blocks of 16 to 2056 bytes
// (the first byte chooses), so that records cross blocks and kept shapes
// meet the bytes past a short block.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string_view>
#include <vector>

#include "recio/reader/kept_layouts.h"
#include "recio/reader/read_statement.h"
#include "recio/run.h"
#include "recio/statements.h"
#include "support/fake_platform.h"

namespace {

constexpr char kName[] = "fuzz.in";

std::vector<std::uint64_t> readAll(const std::uint8_t* data, std::size_t size, std::size_t chunk, bool plain) {
  fake::FakePlatform platform;
  platform.serveFromMemory(kName, std::string_view(reinterpret_cast<const char*>(data), size), chunk);
  auto control = std::make_unique<recio::IoControl>();
  std::vector<std::uint64_t> trace;
  const int status = platform.run([&] {
    recio::connectUnit(*control, 1, kName, "old");
    for (recio::IoStatus status = recio::IoStatus::Ok; status != recio::IoStatus::EndOfFile;) {
      double items[5] = {-1, -1, -1, -1, -1};
      recio::prepareRead(*control, 1, recio::ItemType::Real64, {.errors = true, .endOfFile = true});
      status = recio::IoStatus::Ok;
      if (!plain || !recio::readRecordByLayout(*control, items)) {
        status = recio::beginRead(*control);
        for (int i = 0; i < 5 && status == recio::IoStatus::Ok; ++i) status = recio::readItem(*control, &items[i]);
        if (status == recio::IoStatus::Ok) status = recio::endRead(*control);
      }
      trace.push_back(static_cast<std::uint64_t>(status));
      for (double item : items) trace.push_back(std::bit_cast<std::uint64_t>(item));
      const recio::InputPosition position = recio::inputPosition(*control, 1);
      trace.insert(trace.end(), {static_cast<std::uint64_t>(position.line), position.endedInsideRecord,
                                 control->record.fill, control->record.position,
                                 static_cast<std::uint64_t>(control->statementKind),
                                 static_cast<std::uint64_t>(control->valueUsesLeft), control->valueEndedAtRecordEnd});
    }
    recio::stopRun(*control);
  });
  trace.push_back(static_cast<std::uint64_t>(status));
  return trace;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t chunk = 16 + std::size_t{data[0]} * 8;
  if (readAll(data + 1, size - 1, chunk, true) != readAll(data + 1, size - 1, chunk, false)) {
    std::fprintf(stderr, "the whole-record path left another state than the statement calls\n");
    std::abort();
  }
  return 0;
}
