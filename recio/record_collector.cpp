// Collecting one input record: the bytes up to a line feed, carriage returns
// dropped, tabs expanded to the next multiple of 8 columns.
#include <cstring>

#include "recio/failure_codes.h"
#include "recio/reader.h"
#include "recio/report.h"
#include "recio/transfer.h"
#include "recio/units.h"

namespace recio::detail {
namespace {

constexpr std::size_t kTabWidth = 8;

// Bytes that end a plain run of record text.
struct SpecialBytes {
  bool table[256] = {};
  constexpr SpecialBytes() {
    table[static_cast<unsigned char>('\n')] = true;
    table[static_cast<unsigned char>('\t')] = true;
    table[static_cast<unsigned char>('\r')] = true;
  }
};
constexpr SpecialBytes kSpecial{};

// Room for `more` bytes after the fill, keeping one byte spare as the
// byte-at-a-time growth rule would.
bool reserve(RecordText& record, std::size_t more) {
  return growBuffer(record.bytes, record.capacity, record.fill + more + 1, kWorkBufferGrowth);
}

}  // namespace

IoStatus fillRecord(IoControl& control, UnitConnection& connection) {
  RecordText& record = control.record;
  record.fill = 0;
  record.position = 0;
  for (;;) {
    if (connection.readPosition >= connection.fill) {
      std::int64_t got = readOnce(connection.descriptor, connection.buffer, connection.capacity);
      connection.readPosition = 0;
      if (got <= 0) {
        connection.fill = 0;
        record.fill = 0;
        if (got < 0) return failStatement(control, static_cast<FailureCode>(-got));
        connection.atEndOfFile = true;
        return reachEndOfFile(control);
      }
      connection.fill = static_cast<std::size_t>(got);
      connection.atEndOfFile = false;
    }
    const auto* start = reinterpret_cast<const unsigned char*>(connection.buffer + connection.readPosition);
    const auto* end = reinterpret_cast<const unsigned char*>(connection.buffer + connection.fill);
    const unsigned char* stop = start;
    while (stop < end && !kSpecial.table[*stop]) ++stop;
    std::size_t plain = static_cast<std::size_t>(stop - start);
    if (!reserve(record, plain + kTabWidth)) return failStatement(control, code::kBufferAllocationFailed);
    std::memcpy(record.bytes + record.fill, start, plain);
    record.fill += plain;
    connection.readPosition += plain;
    if (stop == end) continue;
    connection.readPosition += 1;
    if (*stop == '\n') return IoStatus::Ok;
    if (*stop == '\t') {
      std::size_t blanks = kTabWidth - record.fill % kTabWidth;
      std::memset(record.bytes + record.fill, ' ', blanks);
      record.fill += blanks;
    }
    // A carriage return is dropped wherever it stands.
  }
}

}  // namespace recio::detail
