// Fuzz target for the free-form reader: arbitrary bytes as a file, read by
// five-double statements that handle end of file and errors, until one gives
// back a status that is not Ok. Besides the sanitizers it checks that
//  - every statement that ends Ok took at least one line, and the last one
//    given back is end of file or an error, after which nothing of the
//    record is kept, the unit stays connected, and after end of file the
//    next statement meets it again;
//  - the values do not depend on how the file arrives: in reads of one to
//    sixteen bytes (the first byte chooses) the same as in whole blocks;
//  - carriage returns dropped and each tab written as one blank change nothing;
//  - the stop frees every buffer and closes the file.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "analysis/loader.h"
#include "fuzz/memory_platform.h"
#include "recio/reader/read_statement.h"
#include "recio/statements.h"
#include "recio/connect.h"
#include "recio/disconnect.h"
#include "recio/run.h"

namespace {

void require(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "reader invariant broken: %s\n", what);
  std::abort();
}

constexpr char kName[] = "fuzz.in";
constexpr int kItems = 5;

struct Statement {
  recio::IoStatus status;
  int itemsDone;  // items that returned Ok
  bool assigned[kItems];
  std::uint64_t bits[kItems];
};

bool operator==(const Statement& a, const Statement& b) {
  if (a.status != b.status || a.itemsDone != b.itemsDone) return false;
  for (int i = 0; i < a.itemsDone; ++i) {
    if (a.assigned[i] != b.assigned[i] || (a.assigned[i] && a.bits[i] != b.bits[i])) return false;
  }
  return true;
}

Statement readStatement(recio::IoControl& control) {
  Statement s{};
  recio::prepareRead(control, 1, recio::ItemType::Real64, {.errors = true, .endOfFile = true});
  s.status = recio::beginRead(control);
  while (s.status == recio::IoStatus::Ok && s.itemsDone < kItems) {
    double value = 0.0;
    s.status = recio::readItem(control, &value);
    if (s.status != recio::IoStatus::Ok) break;
    s.assigned[s.itemsDone] = control.itemAssigned;
    s.bits[s.itemsDone] = control.itemAssigned ? std::bit_cast<std::uint64_t>(value) : 0;
    s.itemsDone += 1;
  }
  if (s.status == recio::IoStatus::Ok) s.status = recio::endRead(control);
  return s;
}

std::vector<Statement> readAll(const std::uint8_t* data, std::size_t size, std::size_t chunk) {
  std::size_t lines = 0;
  for (std::size_t i = 0; i < size; ++i) lines += data[i] == '\n' ? 1 : 0;

  std::vector<Statement> statements;
  fuzzing::MemoryPlatform platform(kName, data, size, chunk);
  auto control = std::make_unique<recio::IoControl>();
  try {
    recio::prepareStatement(*control, 1);
    control->options.fileNameGiven = true;
    control->options.statusGiven = true;
    control->fileName = kName;
    control->fileNameLength = sizeof kName - 1;
    control->statusText = "old";
    control->statusTextLength = 3;
    require(recio::openUnit(*control) == recio::IoStatus::Ok, "connect");
    for (;;) {
      statements.push_back(readStatement(*control));
      if (statements.back().status != recio::IoStatus::Ok) break;
      require(statements.size() <= lines, "a statement that ends Ok takes at least one line");
    }
    require(control->record.fill == 0 && control->record.position == 0, "nothing of the record is kept");
    require(control->statementKind == recio::StatementKind::None, "the statement is over");
    require(control->units.head != nullptr && control->units.head->unit == 1, "the unit stays connected");
    if (statements.back().status == recio::IoStatus::EndOfFile) {
      require(readStatement(*control).status == recio::IoStatus::EndOfFile, "end of file is met again");
    }
    recio::stopRun(*control);
  } catch (const fuzzing::MemoryPlatform::Exit& exit) {
    require(exit.status == 0, "only the stop ends the run");
  }
  require(platform.liveBlocks() == 0, "the stop frees every buffer");
  require(platform.openDescriptors() == 0, "the stop closes the file");
  return statements;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t chunk = 1 + data[0] % 16;
  const std::uint8_t* text = data + 1;
  const std::size_t length = size - 1;

  const std::vector<Statement> whole = readAll(text, length, recio::kFileBufferSize);
  require(readAll(text, length, chunk) == whole, "the values do not depend on the read sizes");

  std::vector<std::uint8_t> plain;
  for (std::size_t i = 0; i < length; ++i) {
    if (text[i] == '\r') continue;
    plain.push_back(text[i] == '\t' ? ' ' : text[i]);
  }
  require(readAll(plain.data(), plain.size(), recio::kFileBufferSize) == whole,
          "carriage returns and tabs as blanks change nothing");
  return 0;
}
