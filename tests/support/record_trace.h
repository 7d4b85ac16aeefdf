// Reading a file to its end by five-double statements, as the loader reads
// records, with what each statement leaves and tells (its outcome): the trace that the path of
// records read by their kept shape must share with the statement calls.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/fake_platform.h"

namespace fake {

struct RecordTrace {
  std::vector<std::uint64_t> entries;  // per statement: outcome, items, line, control and connection fields
  bool sse2AsPortable = true;          // every shape test and conversion of the SSE2 forms gave the portable ones'
};

// Connects unit 1 to `name` through `platform` and reads it to its end (a
// record that cannot be read does not end it), the kept shapes tried first
// when `byLayout` (analysis::readFitRecord), or the statement calls alone; then the read and allocation calls made and the status of
// the stop.
RecordTrace traceRecords(FakePlatform& platform, const std::string& name, bool byLayout);

}  // namespace fake
