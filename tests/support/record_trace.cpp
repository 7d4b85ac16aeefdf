#include "support/record_trace.h"

#include <bit>
#include <memory>

#include "recio/reader/read_statement.h"
#include "recio/reader/record_path.h"
#include "recio/run.h"
#include "recio/statements.h"

namespace fake {

std::vector<std::uint64_t> traceRecords(FakePlatform& platform, const std::string& name, bool fast) {
  using recio::IoStatus;
  std::vector<std::uint64_t> trace;
  auto control = std::make_unique<recio::IoControl>();
  const int status = platform.run([&] {
    recio::connectUnit(*control, 1, name, "old");
    for (IoStatus read = IoStatus::Ok; read != IoStatus::EndOfFile;) {
      double items[5] = {-1, -1, -1, -1, -1};
      read = IoStatus::Ok;
      recio::prepareRead(*control, 1, recio::ItemType::Real64, {.errors = true, .endOfFile = true});
      if (!fast || !recio::readRecordInBlock(*control, items)) {
        read = recio::beginRead(*control);
        for (double& item : items) {
          if (read == IoStatus::Ok) read = recio::readItem(*control, &item);
        }
        if (read == IoStatus::Ok) read = recio::endRead(*control);
      }
      trace.push_back(static_cast<std::uint64_t>(read));
      for (double item : items) trace.push_back(std::bit_cast<std::uint64_t>(item));
      const recio::InputPosition position = recio::inputPosition(*control, 1);
      trace.insert(trace.end(), {recio::itemAssigned(*control), static_cast<std::uint64_t>(position.line), position.endedInsideRecord, static_cast<std::uint64_t>(platform.calls(Call::Read))});
    }
    trace.push_back(static_cast<std::uint64_t>(platform.calls(Call::Allocate)));
    recio::stopRun(*control);
  });
  trace.push_back(static_cast<std::uint64_t>(status));
  return trace;
}

}  // namespace fake
