#include "support/record_trace.h"

#include <bit>
#include <memory>

#include "datafiles/fit_records.h"
#include "recio/reader/read_statement.h"
#include "recio/run.h"
#include "recio/statements.h"

namespace fake {

std::vector<std::uint64_t> traceRecords(FakePlatform& platform, const std::string& name, bool fast) {
  std::vector<std::uint64_t> trace;
  auto control = std::make_unique<recio::IoControl>();
  const int status = platform.run([&] {
    recio::connectUnit(*control, 1, name, "old");
    datafiles::prepareFitRecords(*control, 1);
    for (datafiles::RecordEnd end = datafiles::RecordEnd::Complete; end != datafiles::RecordEnd::EndOfFile;) {
      double items[5] = {-1, -1, -1, -1, -1};
      const datafiles::RecordOutcome outcome = fast ? datafiles::readFitRecord(*control, items) : datafiles::readFitRecordByStatement(*control, items);
      end = outcome.end;
      trace.insert(trace.end(), {static_cast<std::uint64_t>(end), static_cast<std::uint64_t>(outcome.valuesTaken), static_cast<std::uint64_t>(outcome.partReadLine),
                                 static_cast<std::uint64_t>(outcome.moreThanRecordLine)});
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
