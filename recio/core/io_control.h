// The I/O control record and the connections it works on.
//
// One IoControl exists for the whole run. Before each statement the caller
// fills the statement fields (options, item, unit, file name, status text,
// format) and passes the record to every call of that statement; the rest is
// the layer's own state. Every call returns an IoStatus; a failure the
// statement did not ask to handle never returns: the layer reports it and
// ends the process.
#pragma once

#include <cstddef>
#include <cstdint>

#include "recio/core/io_status.h"

namespace recio {

// The unit that names the console.
inline constexpr std::int32_t kDefaultUnit = -1;
// Internal numbers of the console entries, below every number a statement
// can name.
inline constexpr std::int32_t kStandardInputUnit = -2;
inline constexpr std::int32_t kStandardOutputUnit = -3;

inline constexpr std::size_t kFileBufferSize = 8192;
inline constexpr std::size_t kConsoleBufferSize = 256;
// Bytes past the capacity of every connection buffer and work buffer, and
// before every connection buffer (zeroed there): the record path reads
// whole words and sixteen-byte chunks of a line that lies within the
// block's data (or the record text), at most this far past its last byte,
// and the digits of a record's values from up to 33 bytes before them.
inline constexpr std::size_t kBufferSlack = 64;
inline constexpr std::size_t kWorkBufferSize = 1024;
inline constexpr std::size_t kWorkBufferGrowth = 8192;
inline constexpr std::int32_t kNoRecordLengthLimit = 2147483647;
// Room for the reader's and the writer's state.
inline constexpr std::size_t kReaderStateBytes = 128;
inline constexpr std::size_t kWriterStateBytes = 64;

struct StatementOptions {
  bool freeForm = false;
  bool formatted = false;  // fixed-field, with a compiled format
  bool handlesEndOfFile = false;
  bool handlesErrors = false;
  bool fileNameGiven = false;
  bool statusGiven = false;
};

struct ItemDescriptor {
  std::size_t size = 0;
  ItemType type = ItemType::Real64;
  std::int32_t count = 1;
};

struct UnitConnection {
  std::int32_t unit = 0;
  char* fileName = nullptr;  // owned, terminated; none for console entries
  int descriptor = -1;
  Access access = Access::Both;
  // One buffer serves input (bytes obtained, next to take) and output (bytes filled).
  char* buffer = nullptr;
  std::size_t capacity = 0;
  std::size_t fill = 0;
  std::size_t readPosition = 0;
  std::int64_t blockCount = 0;  // whole buffers transferred before this one
  std::int32_t recordLengthLimit = kNoRecordLengthLimit;
  bool writeEachRecord = false;
  bool unwrittenData = false;
  bool truncateOnFirstWrite = false;
  // Input: line ends taken so far (a line feed, a carriage return, or the
  // two as a pair), so the number of the line the last record came from;
  // and whether the file ended inside a record (bytes other than blanks and
  // tabs after the last line end).
  std::int64_t linesEnded = 0;
  bool endedInsideRecord = false;
  // A carriage return ended the last line as the block's last byte: a line
  // feed opening the next block is the second half of that line end.
  bool lineFeedEndsNothing = false;
  FailureCode lastCode = 0;
  UnitConnection* next = nullptr;
};

// Connections in order of creation; lookups take the first match from the head.
struct UnitTable {
  UnitConnection* head = nullptr;
};

// The record being read or built (first statement work buffer).
struct RecordText {
  char* bytes = nullptr;
  std::size_t fill = 0;
  std::size_t position = 0;
  std::size_t capacity = 0;
};

// Characters of the value being converted, zero-terminated (second work buffer).
struct ValueText {
  char* chars = nullptr;
  std::size_t count = 0;
  std::size_t capacity = 0;
};

struct IoControl {
  // Statement fields, filled by the caller.
  StatementOptions options;
  ItemDescriptor item;
  std::int32_t unit = 0;
  const char* fileName = nullptr;
  std::size_t fileNameLength = 0;
  const char* statusText = nullptr;
  std::size_t statusTextLength = 0;
  const std::uint8_t* format = nullptr;  // a compiled format (writer/compiled_format.h)

  // The layer's own state; callers never write it.
  StatementKind statementKind = StatementKind::None;
  UnitConnection* current = nullptr;
  UnitTable units;
  // The two statement work buffers: the record being read or built, and the
  // text of the value being converted.
  RecordText record;
  ValueText value;
  // The failure last given back as Error, and the kind of its statement: a
  // caller that handles errors tells bad data from a failing system by it.
  FailureCode handledCode = 0;
  StatementKind handledKind = StatementKind::None;
  // A physical write that failed while every unit was being closed; reported
  // once the closing is complete.
  FailureCode closingFailure = 0;
  // The reader's and the writer's own state (reader/reader_state.h,
  // writer/writer_state.h), kept here for them and never looked into by the
  // layers below: zeroed bytes in which each state lives, all zeros at first.
  alignas(16) std::byte readerState[kReaderStateBytes]{};
  alignas(16) std::byte writerState[kWriterStateBytes]{};
};

// Clears the statement fields before the caller fills them for a new statement.
void prepareStatement(IoControl& control, std::int32_t unit);

}  // namespace recio
