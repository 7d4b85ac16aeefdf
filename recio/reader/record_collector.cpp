// The bytes are taken in runs rather than one at a time, but with the same
// effect: the record text grows by one step exactly when a byte-at-a-time
// collection would find it full before taking the next byte, and a failed
// growth leaves the connection at the same byte.
#include "recio/reader/record_collector.h"
#include "recio/reader/reader_state.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "recio/core/failure.h"
#include "recio/core/failure_codes.h"
#include "recio/core/unit_table.h"
#include "recio/numbers/byte_table.h"
#include "recio/numbers/byte_words.h"
#include "recio/platform/retrying_calls.h"

namespace recio {
namespace {

constexpr std::size_t kTabWidth = 8;

// Bytes that end a plain run of record text.
constexpr ByteTable kSpecial =
    makeByteTable([](unsigned char c) -> std::uint8_t { return c == '\n' || c == '\t' || c == '\r' ? 1 : 0; });
bool isSpecial(unsigned char c) { return kSpecial[c] != 0; }

// Line feed, tab and carriage return are all below this.
constexpr std::uint64_t kSpecialBound = 0x0E;

// Copies the bytes of [p, limit) to `out` up to the first line feed, tab or
// carriage return, and returns where it stopped (limit when there is none).
// `out` has room for limit - p bytes. Eight bytes at a time: a word none of
// whose bytes is below 0x0E holds none of the three (the test is exact in
// whether it fires, and in the first byte it flags). Words are stored
// whole, the bytes past the stop too, which the next run or the caller's
// fill overwrite or ignore; every byte is looked at a bounded number of
// times, so the cost stays linear whatever the bytes.
const unsigned char* copyPlainBytes(const unsigned char* p, const unsigned char* limit, char* out) {
  while (limit - p >= 8) {
    std::memcpy(out, p, 8);
    const std::uint64_t word = loadTextWord(reinterpret_cast<const char*>(p));
    const std::uint64_t low = (word - kSpecialBound * kEachByte) & ~word & (0x80 * kEachByte);
    if (low == 0) {
      p += 8;
      out += 8;
      continue;
    }
    const auto at = static_cast<std::size_t>(firstNonZeroByte(low));
    if (isSpecial(p[at])) return p + at;
    p += at + 1;  // a low byte that is none of the three, such as a zero byte
    out += at + 1;
  }
  for (; p < limit && !isSpecial(*p); ++p) *out++ = static_cast<char>(*p);
  return p;
}

// Whether the record text holds anything but blanks (tabs are blanks in it
// by now, carriage returns are gone).
bool holdsNonBlank(const char* bytes, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    if (bytes[i] != ' ') return true;
  }
  return false;
}

// One growth step of the record text.
bool growRecord(RecordText& record) {
  return growBuffer(record.bytes, record.capacity, record.capacity + 1, kWorkBufferGrowth);
}

// After a carriage return that ended a line: its line feed, if one follows.
void passPairedLineFeed(UnitConnection& connection) {
  if (connection.readPosition == connection.fill) {
    connection.lineFeedEndsNothing = true;
  } else if (connection.buffer[connection.readPosition] == '\n') {
    connection.readPosition += 1;
  }
}

// The connection's next block, once every byte of the last was taken: Ok,
// or what the statement meets at the end of the file or at a failed read.
// The record text is discarded then; whether it held more than blanks (its
// last `pendingBlanks` are tabs not yet written) tells if the file ended
// inside a record.
IoStatus readBlock(IoControl& control, UnitConnection& connection, std::size_t pendingBlanks) {
  RecordText& record = control.record;
  const std::int64_t got = readRetrying(connection.descriptor, connection.buffer, connection.capacity);
  connection.readPosition = 0;
  if (got > 0 && connection.lineFeedEndsNothing && connection.buffer[0] == '\n') connection.readPosition = 1;
  connection.lineFeedEndsNothing = false;
  if (got > 0) {
    connection.fill = static_cast<std::size_t>(got);
    return IoStatus::Ok;
  }
  connection.fill = 0;
  if (got < 0) {
    record.fill = 0;
    return failStatement(control, errorNumberOf(got));
  }
  connection.endedInsideRecord = holdsNonBlank(record.bytes, record.fill - pendingBlanks);
  record.fill = 0;
  return reachEndOfFile(control);
}

// A tab as blanks up to the next multiple of the tab width, and the rest of
// a run of tabs with it. The blanks are counted in the fill and written only
// when a byte or the end of the record follows (pendingBlanks): a record
// that end of file cuts short is discarded unwritten, so 100 MiB of tabs
// cost no 800 MiB of page clearing. False when the record text cannot grow.
bool takeTabs(RecordText& record, UnitConnection& connection, std::size_t& pendingBlanks) {
  connection.readPosition += 1;
  const std::size_t blanks = kTabWidth - record.fill % kTabWidth;
  // The capacity is a multiple of the tab width, so the blanks always fit;
  // the loop only guards against a capacity that is not.
  while (record.capacity - record.fill < blanks) {
    if (!growRecord(record)) return false;
  }
  record.fill += blanks;
  pendingBlanks += blanks;
  // Now at a multiple of the tab width, every further tab of a run is a
  // whole tab width of blanks; taken here while the block has them and the
  // record text has room, which is when they would be taken one by one
  // without growing.
  while (connection.readPosition < connection.fill && connection.buffer[connection.readPosition] == '\t' &&
         record.capacity - record.fill >= kTabWidth) {
    record.fill += kTabWidth;
    pendingBlanks += kTabWidth;
    connection.readPosition += 1;
  }
  return true;
}

// Plain bytes up to the next line end or tab, the end of the block, or the
// point where the record text is full. True when a line end ended the
// record: a line feed or a carriage return, and the line feed of a carriage
// return and line feed pair ends nothing more.
bool takePlainRun(RecordText& record, UnitConnection& connection) {
  const auto* start = reinterpret_cast<const unsigned char*>(connection.buffer + connection.readPosition);
  const std::size_t available = std::min(connection.fill - connection.readPosition, record.capacity - record.fill);
  const unsigned char* const limit = start + available;
  const unsigned char* const stop = copyPlainBytes(start, limit, record.bytes + record.fill);
  const auto plain = static_cast<std::size_t>(stop - start);
  record.fill += plain;
  connection.readPosition += plain;
  // A tab is taken next: the run stopped short of the room and of the
  // block, so neither a growth nor a read comes first.
  if (stop == limit || *stop == '\t') return false;
  connection.readPosition += 1;
  connection.linesEnded += 1;
  if (*stop == '\r') passPairedLineFeed(connection);
  return true;
}

}  // namespace

void passEmptyRecords(IoControl& control, UnitConnection& connection) {
  // Without a record text, collecting the first would grow it.
  if (control.record.capacity == 0) return;
  std::size_t position = connection.readPosition;
  while (position < connection.fill && connection.buffer[position] == '\n') ++position;
  connection.linesEnded += static_cast<std::int64_t>(position - connection.readPosition);
  connection.readPosition = position;
  control.record.fill = 0;
  control.record.position = 0;
}

IoStatus fillRecord(IoControl& control, UnitConnection& connection) {
  RecordText& record = control.record;
  record.fill = 0;
  record.position = 0;
  // An empty line, at once: runs of them cost a few operations each.
  if (connection.readPosition < connection.fill && connection.buffer[connection.readPosition] == '\n' &&
      record.capacity > 0) {
    connection.readPosition += 1;
    connection.linesEnded += 1;
    return IoStatus::Ok;
  }
  // Growth goes by the fill, the tab blanks not yet written counted.
  std::size_t pendingBlanks = 0;
  for (;;) {
    if (record.fill >= record.capacity && !growRecord(record)) {
      return failStatement(control, code::kBufferAllocationFailed);
    }
    if (connection.readPosition >= connection.fill) {
      const IoStatus status = readBlock(control, connection, pendingBlanks);
      if (status != IoStatus::Ok) return status;
    }
    if (connection.buffer[connection.readPosition] == '\t') {
      if (!takeTabs(record, connection, pendingBlanks)) return failStatement(control, code::kBufferAllocationFailed);
      continue;
    }
    if (pendingBlanks != 0) {
      std::memset(record.bytes + record.fill - pendingBlanks, ' ', pendingBlanks);
      pendingBlanks = 0;
    }
    if (takePlainRun(record, connection)) return IoStatus::Ok;
  }
}

}  // namespace recio
