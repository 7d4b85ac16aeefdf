// Failures met while every unit is being closed, at the stop or inside a
// report: no recursion, no buffer written twice, every other connection
// still written and closed, and a two-line report.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "analysis/driver.h"
#include "recio/connect.h"
#include "recio/disconnect.h"
#include "recio/run.h"
#include "recio/writer/write_statement.h"
#include "support/fake_platform.h"
#include "support/statements.h"
#include "support/work_dir.h"

namespace {

using fake::Call;

const char* const kFiles[] = {"a.dat", "b.dat", "c.dat"};
const std::string kOld(100, 'o');

std::string systemLines(int errorNumber) {
  return "? System Error:\n? " + std::string(std::strerror(errorNumber)) + "\n";
}
const std::string kCutFailed =
    "? FORTRAN Runtime Error:\n? Unable to truncate file after rewind, backspace, or endfile\n";
const std::string kEndOfInput =
    "? FORTRAN Runtime Error:\n? Attempt to read past end of file\n? READ(UNIT=*,...\n";

// Writes per file, from the calls on the descriptor each file was opened as.
std::map<std::string, int> writesPerFile(const fake::FakePlatform& platform) {
  std::map<std::string, int> writes;
  std::map<int, std::string> open;
  for (const fake::CallRecord& c : platform.callRecords()) {
    if (c.call == Call::Open && c.descriptor >= 0) open[c.descriptor] = c.path;
    if (c.call == Call::Write && open.count(c.descriptor) != 0) writes[open[c.descriptor]] += 1;
    if (c.call == Call::Close) open.erase(c.descriptor);
  }
  return writes;
}

void writeRecord(recio::IoControl& control, std::int32_t unit, const std::string& text) {
  recio::prepareStatement(control, unit);
  control.options.freeForm = true;
  (void)recio::beginWrite(control);
  control.item.type = recio::ItemType::Character;
  control.item.size = text.size();
  (void)recio::writeItem(control, text.data());
  (void)recio::endWrite(control);
}

enum class Trigger { Stop, Report };

// Units 1 to 3 hold one buffered record each over old, longer files; the
// closing writes them in table order, so the n-th write, cut or close of
// the closing is the one of the n-th file.
struct ClosingCase {
  const char* name;
  Trigger trigger;
  std::vector<fake::Fault> faults;
  int status;
  std::string err;
  std::vector<std::string> after;  // a.dat, b.dat, c.dat
  std::vector<int> writes;         // write calls per file
};

void PrintTo(const ClosingCase& c, std::ostream* os) { *os << c.name; }

class ClosingFailure : public ::testing::TestWithParam<ClosingCase> {};

TEST_P(ClosingFailure, ClosesEverythingOnceAndReportsOnce) {
  const ClosingCase& c = GetParam();
  fake::WorkDir dir;
  for (const char* file : kFiles) fake::writeFile(file, kOld);
  fake::FakePlatform platform;
  auto control = std::make_unique<recio::IoControl>();
  for (std::int32_t unit = 1; unit <= 3; ++unit) {
    ASSERT_EQ(recio::connectUnit(*control, unit, kFiles[unit - 1], "unknown", {}), recio::IoStatus::Ok);
    writeRecord(*control, unit, kFiles[unit - 1]);
  }
  // The connects' own status queries come first; faults count from here.
  for (fake::Fault fault : c.faults) {
    if (fault.call == Call::QueryDescriptor) fault.nth += platform.calls(Call::QueryDescriptor);
    platform.addFault(fault);
  }
  int status = platform.run([&] {
    if (c.trigger == Trigger::Stop) recio::stopRun(*control);
    (void)fake::readIntegers(*control, recio::kDefaultUnit, 1, false);
  });
  EXPECT_EQ(status, c.status);
  EXPECT_EQ(platform.standardError(), c.err);
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(fake::readFile(kFiles[i]), c.after[i]) << kFiles[i];
    EXPECT_EQ(writesPerFile(platform)[kFiles[i]], c.writes[i]) << kFiles[i];
  }
  EXPECT_EQ(platform.openDescriptors(), 0);
  EXPECT_EQ(platform.liveAllocations(), 0U);
}

const std::string kA = " a.dat\n";
const std::string kB = " b.dat\n";
const std::string kC = " c.dat\n";
const std::string kBOverOld = kB + kOld.substr(kB.size());

INSTANTIATE_TEST_SUITE_P(
    Units, ClosingFailure,
    ::testing::Values(
        ClosingCase{"clean_stop", Trigger::Stop, {}, 0, "", {kA, kB, kC}, {1, 1, 1}},
        ClosingCase{"stop_write_fails", Trigger::Stop, {{Call::Write, 2, ENOSPC}}, 255, systemLines(ENOSPC),
                    {kA, kOld, kC}, {1, 1, 1}},
        ClosingCase{"stop_two_writes_fail_first_reported", Trigger::Stop,
                    {{Call::Write, 1, EIO}, {Call::Write, 3, ENOSPC}}, 255, systemLines(EIO), {kOld, kB, kOld},
                    {1, 1, 1}},
        ClosingCase{"stop_cut_fails", Trigger::Stop, {{Call::Truncate, 2, EIO}}, 255, kCutFailed,
                    {kA, kBOverOld, kC}, {1, 1, 1}},
        ClosingCase{"stop_close_fails", Trigger::Stop, {{Call::Close, 2, EIO}}, 255, systemLines(EIO),
                    {kA, kB, kC}, {1, 1, 1}},
        ClosingCase{"stop_first_of_close_and_write_failure", Trigger::Stop,
                    {{Call::Close, 1, EBADF}, {Call::Write, 3, ENOSPC}}, 255, systemLines(EBADF), {kA, kB, kOld},
                    {1, 1, 1}},
        ClosingCase{"stop_size_unknown_still_cut", Trigger::Stop, {{Call::QueryDescriptor, 2, EIO}}, 0, "",
                    {kA, kB, kC}, {1, 1, 1}},
        ClosingCase{"stop_short_write_completed", Trigger::Stop, {{Call::Write, 2, 0, 3}}, 0, "", {kA, kB, kC},
                    {1, 2, 1}},
        ClosingCase{"report_clean", Trigger::Report, {}, 255, kEndOfInput, {kA, kB, kC}, {1, 1, 1}},
        ClosingCase{"report_write_fails", Trigger::Report, {{Call::Write, 2, ENOSPC}}, 255, systemLines(ENOSPC),
                    {kA, kOld, kC}, {1, 1, 1}},
        ClosingCase{"report_cut_fails", Trigger::Report, {{Call::Truncate, 3, EIO}}, 255, kCutFailed,
                    {kA, kB, kC + kOld.substr(kC.size())}, {1, 1, 1}},
        ClosingCase{"report_close_fails_unreported", Trigger::Report, {{Call::Close, 1, EBADF}}, 255, kEndOfInput,
                    {kA, kB, kC}, {1, 1, 1}},
        ClosingCase{"report_every_write_fails", Trigger::Report, {{Call::Write, 1, EIO, -1, true}}, 255, "",
                    {kOld, kOld, kOld}, {1, 1, 1}}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

// ---------------------------------------------------------------- the same inside whole runs

// 40 T x 20 YORP values: the T vs YORP table fills two blocks and part of a third.
std::string grid() {
  std::string text;
  for (int t = 1; t <= 40; ++t) {
    for (int y = 20; y >= 1; --y) text += std::to_string(t) + " " + std::to_string(y) + " 0 1 " + std::to_string(t + y) + "\n";
  }
  return text;
}

struct RunCase {
  const char* name;
  std::vector<fake::Fault> faults;  // on the calls of "table.dat", counted from its open
  std::string err;
  int tableWrites;
  std::size_t tableBytes;  // bytes of the new table in the file; the rest, if any, old
};

TEST(ClosingFailureInRuns, FailedBufferIsNeverWrittenAgain) {
  const RunCase cases[] = {
      {"write fails, then the close", {{Call::Write, 13, ENOSPC}, {Call::Close, 2, EIO}},
       systemLines(ENOSPC) + "? WRITE(UNIT=1,...\n", 2, 8192},
      {"cut fails in a statement", {{Call::Truncate, 1, EIO}}, kCutFailed + "? WRITE(UNIT=1,...\n", 1, 8192},
      {"cut fails, then the close", {{Call::Truncate, 1, EIO}, {Call::Close, 2, EBADF}},
       kCutFailed + "? WRITE(UNIT=1,...\n", 1, 8192},
  };
  const std::string old(30000, 'o');
  fake::WorkDir dir;
  fake::writeFile("quorvi.res", grid());
  auto storage = std::make_unique<analysis::WorkingStorage>();
  auto run = [&](const std::vector<fake::Fault>& faults) {
    fake::writeFile("table.dat", old);
    auto platform = std::make_unique<fake::FakePlatform>();
    for (const fake::Fault& fault : faults) platform->addFault(fault);
    platform->setStandardInput("1\n");
    auto control = std::make_unique<recio::IoControl>();
    int status = platform->run([&] { analysis::runChi2map(*control, *storage); });
    EXPECT_EQ(platform->openDescriptors(), 0);
    EXPECT_EQ(platform->liveAllocations(), 0U);
    return std::make_pair(status, std::move(platform));
  };
  ASSERT_EQ(run({}).first, 0);
  const std::string fresh = fake::readFile("table.dat");
  ASSERT_GT(fresh.size(), 2 * recio::kFileBufferSize);
  for (const RunCase& c : cases) {
    auto [status, platform] = run(c.faults);
    EXPECT_EQ(status, 255) << c.name;
    EXPECT_EQ(platform->standardError(), c.err) << c.name;
    EXPECT_EQ(writesPerFile(*platform)["table.dat"], c.tableWrites) << c.name;
    std::string table = fake::readFile("table.dat");
    EXPECT_EQ(table.substr(0, c.tableBytes), fresh.substr(0, c.tableBytes)) << c.name;
    EXPECT_EQ(table.substr(c.tableBytes), old.substr(table.size() > c.tableBytes ? c.tableBytes : old.size()))
        << c.name;
  }
}

}  // namespace
