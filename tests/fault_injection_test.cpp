// Every call of typical runs failed in turn, in a fresh run, with every error number of the list (writes also accept 0
// or 1 byte, allocations give nothing); the phase and kind of the call decide the outcome (kRules). No run leaves
// memory or a descriptor behind; "table.dat" is as it was or a prefix of the new table. A call that a fault removes is
// never failed: rules that depend on a call being made need fixed-outcome rows as well.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cfenv>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "analysis/driver.h"
#include "recio/core/io_control.h"
#include "recio/run.h"
#include "support/fake_platform.h"
#include "support/fixtures.h"
#include "support/work_dir.h"

namespace {

using fake::Call;

constexpr int kErrorNumbers[] = {ENOENT, EACCES, EISDIR, ENOSPC, EIO, EBADF, EINTR};
constexpr std::size_t kBlock = recio::kFileBufferSize;

// ---------------------------------------------------------------- phases and their rules

enum class Phase { OpenInput, ReadInput, CloseInput, Console, ReadChoice, OpenTable, WriteTable, Stop };

const char* const kPhaseNames[] = {"open input", "read input", "close input", "console", "read choice", "open table", "write table", "stop"};
// The statement line of a report in each phase; none at the stop.
const char* const kStatementLines[] = {"OPEN(UNIT=1,...", "READ(UNIT=1,...", "CLOSE(UNIT=1,...", "WRITE(UNIT=*,...", "READ(UNIT=*,...", "OPEN(UNIT=1,...", "WRITE(UNIT=1,...", ""};

enum class Effect {
  Runs,          // the clean outcome: the failure is survivable
  Reports,       // the report of the failure, status 255
  TableRefused,  // "table.dat" opened for reading only: its first write fails with EBADF
};

struct Rule {
  Phase phase;
  Call call;
  Effect effect;
};

constexpr Rule kRules[] = {
    {Phase::OpenInput, Call::Allocate, Effect::Reports},
    {Phase::OpenInput, Call::CheckReadWrite, Effect::Runs},  // opened for reading only
    {Phase::OpenInput, Call::QueryPath, Effect::Runs},       // taken as no FIFO
    {Phase::OpenInput, Call::Open, Effect::Reports},
    {Phase::OpenInput, Call::QueryDescriptor, Effect::Runs},
    {Phase::ReadInput, Call::Read, Effect::Reports},  // no partial map from a failing read
    {Phase::ReadInput, Call::Allocate, Effect::Reports},
    {Phase::CloseInput, Call::Close, Effect::Reports},
    {Phase::Console, Call::Allocate, Effect::Reports},
    {Phase::Console, Call::Write, Effect::Reports},
    {Phase::ReadChoice, Call::Read, Effect::Reports},
    {Phase::OpenTable, Call::Allocate, Effect::Reports},
    {Phase::OpenTable, Call::QueryPath, Effect::Runs},  // taken as new: created and truncated
    {Phase::OpenTable, Call::CheckReadWrite, Effect::TableRefused},
    {Phase::OpenTable, Call::Open, Effect::Reports},
    {Phase::OpenTable, Call::QueryDescriptor, Effect::Runs},
    {Phase::WriteTable, Call::Write, Effect::Reports},
    {Phase::WriteTable, Call::QueryDescriptor, Effect::Runs},
    {Phase::WriteTable, Call::Truncate, Effect::Reports},
    {Phase::Stop, Call::Write, Effect::Reports},
    {Phase::Stop, Call::QueryDescriptor, Effect::Runs},
    {Phase::Stop, Call::Truncate, Effect::Reports},
    {Phase::Stop, Call::Close, Effect::Reports},
};

// The phase of each call of a clean run, from the files the calls work on.
std::vector<Phase> phasesOf(const std::vector<fake::CallRecord>& calls) {
  std::vector<std::string> files(calls.size());
  std::map<int, std::string> open;
  std::size_t lastTableWrite = calls.size();
  for (std::size_t i = 0; i < calls.size(); ++i) {
    const fake::CallRecord& c = calls[i];
    files[i] = !c.path.empty() ? c.path : open.count(c.descriptor) != 0 ? open[c.descriptor] : "";
    if (c.call == Call::Open && c.descriptor >= 0) open[c.descriptor] = c.path;
    if (c.call == Call::Close) open.erase(c.descriptor);
    if (c.call == Call::Write && files[i] == "table.dat") lastTableWrite = i;
  }
  std::vector<Phase> phases;
  Phase phase = Phase::OpenInput;
  for (std::size_t i = 0; i < calls.size(); ++i) {
    const fake::CallRecord& c = calls[i];
    if (c.call == Call::Read && files[i] == "quorvi.res") {
      phase = Phase::ReadInput;
    } else if (c.call == Call::Close && files[i] == "quorvi.res") {
      phase = Phase::CloseInput;
    } else if (c.call == Call::Read && c.descriptor == 0) {
      phase = Phase::ReadChoice;
    } else if (phase == Phase::CloseInput) {
      phase = Phase::Console;
    } else if (phase == Phase::ReadChoice) {
      phase = Phase::OpenTable;
    }
    if (c.call == Call::Write && files[i] == "table.dat") phase = i >= lastTableWrite ? Phase::Stop : Phase::WriteTable;
    if (c.call == Call::Close && files[i] == "table.dat") phase = Phase::Stop;
    phases.push_back(phase);
  }
  return phases;
}

// ---------------------------------------------------------------- runs

struct Scenario {
  const char* name;
  std::string input;
  std::optional<std::string> oldTable;
  std::string reply;
};

void PrintTo(const Scenario& s, std::ostream* os) { *os << s.name; }

struct Outcome {
  int status = 0;
  std::string out, err;
  std::optional<std::string> table;
  std::vector<fake::CallRecord> calls;
};

Outcome runProgram(const Scenario& s, const std::string& input, const std::vector<fake::Fault>& faults, analysis::WorkingStorage& storage) {
  fake::writeFile("quorvi.res", input);
  std::remove("table.dat");
  if (s.oldTable) fake::writeFile("table.dat", *s.oldTable);
  Outcome outcome;
  fake::FakePlatform platform;
  for (const fake::Fault& fault : faults) platform.addFault(fault);
  platform.setStandardInput(s.reply);
  auto control = std::make_unique<recio::IoControl>();
  outcome.status = platform.run([&] { analysis::runChi2map(*control, storage); });
  EXPECT_EQ(platform.liveAllocations(), 0U) << "layer memory left behind";
  EXPECT_EQ(platform.openDescriptors(), 0) << "descriptors left open";
  outcome.out = platform.standardOutput();
  outcome.err = platform.standardError();
  outcome.calls = platform.callRecords();
  if (fake::fileExists("table.dat")) outcome.table = fake::readFile("table.dat");
  return outcome;
}

std::string report(int code, const std::string& statement) {
  if (code == 10004) return fixtures::layerReport("Buffer allocation failed", statement);
  if (code == 10027) return fixtures::layerReport("Unable to truncate file after rewind, backspace, or endfile", statement);
  return fixtures::systemReport(code, statement);
}

std::size_t sameStart(const std::string& a, const std::string& b) {
  return static_cast<std::size_t>(std::mismatch(a.begin(), a.begin() + static_cast<std::ptrdiff_t>(std::min(a.size(), b.size())), b.begin()).first - a.begin());
}

// "" when both are the same file content, else a short account of the difference.
std::string difference(const std::optional<std::string>& got, const std::optional<std::string>& expected) {
  if (got == expected) return "";
  if (!got || !expected) return got ? "file present" : "file missing";
  return std::to_string(got->size()) + " bytes instead of " + std::to_string(expected->size()) + ", first difference at byte " + std::to_string(sameStart(*got, *expected));
}

// Only the clean text, cut at a line end, may be on standard output.
bool isLinePrefix(const std::string& part, const std::string& whole) { return whole.compare(0, part.size(), part) == 0 && (part.empty() || part.back() == '\n'); }

// "table.dat" as before the run, or a prefix of the new table.
bool isUnchangedOrNewPrefix(const std::optional<std::string>& after, const std::optional<std::string>& before, const std::string& fresh) {
  return after == before || (after && after->size() <= fresh.size() && fresh.compare(0, after->size(), *after) == 0);
}

// A failed cut leaves new bytes over the start of the old table and the old rest behind them.
bool isNewOverOld(const std::optional<std::string>& after, const std::string& before, const std::string& fresh) {
  const std::size_t same = after ? sameStart(*after, fresh) : 0;
  return after && after->size() == before.size() && same > 0 && after->compare(same, std::string::npos, before, same) == 0;
}

std::vector<fake::Fault> faultsFor(Call call, int nth) {
  if (call == Call::Allocate) return {fake::Fault{call, nth, 0}};
  std::vector<fake::Fault> faults;
  for (int errorNumber : kErrorNumbers) faults.push_back(fake::Fault{call, nth, errorNumber});
  if (call == Call::Write) faults.insert(faults.end(), {fake::Fault{call, nth, 0, 0}, fake::Fault{call, nth, 0, 1}});
  return faults;
}

class FaultInjection : public ::testing::TestWithParam<Scenario> {};

TEST_P(FaultInjection, EveryFailingCallEndsAsSpecified) {
  const Scenario& s = GetParam();
  fake::WorkDir dir;
  auto storage = std::make_unique<analysis::WorkingStorage>();
  const Outcome clean = runProgram(s, s.input, {}, *storage);
  ASSERT_EQ(clean.status, 0) << clean.err;
  ASSERT_TRUE(clean.table.has_value());
  const std::string& fresh = *clean.table;
  const std::vector<Phase> phases = phasesOf(clean.calls);
  // A table refused for writing shows only when something is written to it.
  const bool tableWritten = fresh != s.oldTable.value_or("");

  std::map<Call, int> seen;
  for (std::size_t n = 0; n < clean.calls.size(); ++n) {
    const Call call = clean.calls[n].call;
    const Phase phase = phases[n];
    const int nth = ++seen[call];
    const Rule* rule = std::find_if(std::begin(kRules), std::end(kRules), [&](const Rule& r) { return r.phase == phase && r.call == call; });
    if (rule == std::end(kRules)) {
      ADD_FAILURE() << "no rule for " << fake::callName(call) << " in phase " << kPhaseNames[static_cast<int>(phase)];
      continue;
    }
    for (const fake::Fault& fault : faultsFor(call, nth)) {
      const std::string what = std::string(fake::callName(call)) + " #" + std::to_string(nth) + " (" + kPhaseNames[static_cast<int>(phase)] + ") " +
                               (call == Call::Allocate  ? "no memory"
                                : fault.shortCount >= 0 ? "accepting " + std::to_string(fault.shortCount) + " bytes"
                                                        : std::strerror(fault.errorNumber));
      const Outcome got = runProgram(s, s.input, {fault}, *storage);
      const bool retried = (fault.errorNumber == EINTR && (call == Call::Read || call == Call::Write || call == Call::Open)) || fault.shortCount > 0;
      Effect effect = retried ? Effect::Runs : rule->effect;
      if (effect == Effect::TableRefused && !tableWritten) effect = Effect::Runs;
      int code = call == Call::Allocate ? 10004 : call == Call::Truncate ? 10027 : fault.errorNumber;
      if (fault.shortCount == 0) code = EIO;  // a write that accepts nothing

      switch (effect) {
        case Effect::Runs:
          EXPECT_EQ(got.status, 0) << what;
          EXPECT_EQ(got.err, "") << what;
          EXPECT_EQ(got.out, clean.out) << what;
          EXPECT_EQ(difference(got.table, clean.table), "") << what;
          break;
        case Effect::Reports:
        case Effect::TableRefused: {
          std::string statement = kStatementLines[static_cast<int>(phase)];
          if (effect == Effect::TableRefused) {
            code = EBADF;
            statement = fresh.size() > kBlock ? "WRITE(UNIT=1,..." : "";
          }
          EXPECT_EQ(got.status, 255) << what;
          EXPECT_EQ(got.err, report(code, statement)) << what;
          if (phase < Phase::Console) {
            EXPECT_EQ(got.out, "") << what;
          } else if (phase == Phase::Console) {
            EXPECT_TRUE(isLinePrefix(got.out, clean.out)) << what << ": " << got.out;
          } else {
            EXPECT_EQ(got.out, clean.out) << what;
          }
          if (phase < Phase::OpenTable) {
            EXPECT_EQ(difference(got.table, s.oldTable), "") << what;
          } else if (call == Call::Truncate) {
            EXPECT_TRUE(isNewOverOld(got.table, s.oldTable.value_or(""), fresh)) << what << ": " << difference(got.table, s.oldTable);
          } else {
            EXPECT_TRUE(isUnchangedOrNewPrefix(got.table, s.oldTable, fresh)) << what << ": " << difference(got.table, s.oldTable);
          }
          break;
        }
      }
    }
  }
}

// ---------------------------------------------------------------- scenarios

using fixtures::kWorked;
using fixtures::oldTable;

// 60 T x 25 YORP x 3 f_KE values: 14 input blocks; the T vs YORP table spans five 8192-byte blocks.
const std::string kGrid = fixtures::grid(60, 25, 3);

INSTANTIATE_TEST_SUITE_P(Runs, FaultInjection,
                         ::testing::Values(Scenario{"worked_1", kWorked, std::nullopt, "1\n"}, Scenario{"worked_2_shorter_old", kWorked, "old\n", "2\n"},
                                           Scenario{"worked_3_longer_old", kWorked, oldTable(10000), "3\n"}, Scenario{"grid_1_longer_old", kGrid, oldTable(50000), "1\n"},
                                           Scenario{"grid_3", kGrid, std::nullopt, "3\n"}, Scenario{"empty_input_old_table", "", "old\n", "1\n"},
                                           Scenario{"long_record", std::string(20000, ' ') + "\n" + kWorked, std::nullopt, "2\n"}),
                         [](const auto& testInfo) { return std::string(testInfo.param.name); });

// The run sets its own floating-point mode: a rounding direction or exception traps left by whoever
// started it change no byte.
TEST(FloatingPointMode, InheritedModesChangeNothing) {
  // Decimals that no double holds (read in another direction, the summary's last digits move), and a
  // single f_KE value, whose labels are 0 / 0.
  const Scenario s{"decimals", "50 0.02 0.3 0.1 822.859364\n50 0.04 0.3 0.1 812.1\n100 0.02 0.3 0.1 830.7\n100 0.04 0.3 0.1 801.3\n", std::nullopt, "2\n"};
  fake::WorkDir dir;
  auto storage = std::make_unique<analysis::WorkingStorage>();
  const Outcome plain = runProgram(s, s.input, {}, *storage);
  for (const int rounding : {FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO}) {
    std::fesetround(rounding);
    feenableexcept(FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW);
    const Outcome got = runProgram(s, s.input, {}, *storage);
    fedisableexcept(FE_ALL_EXCEPT);
    std::fesetround(FE_TONEAREST);
    EXPECT_EQ(got.out + got.err, plain.out + plain.err) << rounding;
    EXPECT_EQ(got.table, plain.table) << rounding;
  }
}

}  // namespace
