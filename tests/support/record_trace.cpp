#include "support/record_trace.h"

#include <bit>
#include <cstring>
#include <memory>

#include "recio/reader/kept_layouts.h"
#include "recio/reader/read_statement.h"
#include "recio/reader/record_layout.h"
#include "recio/run.h"
#include "recio/statements.h"

namespace fake {
namespace {

using recio::IoStatus;

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
    for (IoStatus read = IoStatus::Ok; read != IoStatus::EndOfFile;) {
      double items[5] = {-1, -1, -1, -1, -1};
      read = IoStatus::Ok;
      recio::prepareRead(*control, 1, recio::ItemType::Real64, {.errors = true, .endOfFile = true});
      if (byLayout) trace.sse2AsPortable = trace.sse2AsPortable && sse2AsPortable(*control);
      if (!byLayout || !recio::readRecordByLayout(*control, items)) {
        read = recio::beginRead(*control);
        for (double& item : items) {
          if (read == IoStatus::Ok) read = recio::readItem(*control, &item);
        }
        if (read == IoStatus::Ok) read = recio::endRead(*control);
      }
      std::vector<std::uint64_t>& e = trace.entries;
      e.push_back(static_cast<std::uint64_t>(read));
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
