// Reading a file to its end by five-double statements, the way the loader reads records, with what a caller sees of
// each: the trace that the record path must share with the statement calls.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/fake_platform.h"

namespace fake {

// Connects unit 1 to `name` through `platform` and reads it to its end (a record that cannot be read does not end it),
// by the record path first when `fast`. Per statement: its outcome (how it ended, the values taken, the lines it
// names), the items' bits, whether the last item got a value, the line and the end-inside-record flag, and the read
// calls made so far; then the allocations and the status of the stop.
std::vector<std::uint64_t> traceRecords(FakePlatform& platform, const std::string& name, bool fast);

}  // namespace fake
