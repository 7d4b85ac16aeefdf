#include "support/record_trace.h"

#include <bit>
#include <cstring>
#include <memory>

#include "analysis/fit_records.h"
#include "recio/reader/read_statement.h"
#include "recio/reader/record_layout.h"
#include "recio/run.h"
#include "recio/statements.h"

namespace fake {
namespace {

// The SSE2 shape test and conversion against the portable ones, on the record at the read position.
bool sse2AsPortable(const recio::IoControl& control) {
#ifdef RECIO_SSE2
  const recio::RecordLayout& layout = control.kept.layouts[control.kept.recent];
  const recio::UnitConnection& unit = *control.units.head;
  if (layout.items != 5 || unit.readPosition + layout.length + layout.lineEnd > unit.fill || static_cast<std::int64_t>(unit.readPosition) + layout.firstRead < 0) return true;
  const char* record = unit.buffer + unit.readPosition;
  double sse2[5], portable[5];
  recio::layoutValuesSse2(layout, record, sse2);
  recio::layoutValuesPortable(layout, record, portable);
  return recio::hasLayoutSse2(layout, record) == recio::hasLayoutPortable(layout, record) && std::memcmp(sse2, portable, sizeof sse2) == 0;
#else
  (void)control;
  return true;
#endif
}

}  // namespace

RecordTrace traceRecords(FakePlatform& platform, const std::string& name, bool byLayout) {
  RecordTrace trace;
  auto control = std::make_unique<recio::IoControl>();
  const int status = platform.run([&] {
    recio::connectUnit(*control, 1, name, "old");
    analysis::prepareFitRecords(*control, 1);
    for (analysis::RecordEnd end = analysis::RecordEnd::Complete; end != analysis::RecordEnd::EndOfFile;) {
      double items[5] = {-1, -1, -1, -1, -1};
      if (byLayout) trace.sse2AsPortable = trace.sse2AsPortable && sse2AsPortable(*control);
      const analysis::RecordOutcome outcome = byLayout ? analysis::readFitRecord(*control, items) : analysis::readFitRecordByStatement(*control, items);
      end = outcome.end;
      std::vector<std::uint64_t>& e = trace.entries;
      e.insert(e.end(), {static_cast<std::uint64_t>(end), static_cast<std::uint64_t>(outcome.valuesTaken), static_cast<std::uint64_t>(outcome.partReadLine),
                         static_cast<std::uint64_t>(outcome.moreThanRecordLine)});
      for (double item : items) e.push_back(std::bit_cast<std::uint64_t>(item));
      const recio::InputPosition position = recio::inputPosition(*control, 1);
      e.insert(e.end(), {static_cast<std::uint64_t>(position.line), position.endedInsideRecord, control->record.fill, control->record.position, static_cast<std::uint64_t>(control->statementKind),
                         static_cast<std::uint64_t>(control->valueUsesLeft), control->valueEndedAtRecordEnd, control->itemAssigned, control->units.head->readPosition});
    }
    trace.entries.push_back(static_cast<std::uint64_t>(platform.calls(Call::Read)));
    trace.entries.push_back(static_cast<std::uint64_t>(platform.calls(Call::Allocate)));
    recio::stopRun(*control);
  });
  trace.entries.push_back(static_cast<std::uint64_t>(status));
  return trace;
}

}  // namespace fake
