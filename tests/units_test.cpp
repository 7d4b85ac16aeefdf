// Units: the connect rules (status keywords, file names, refused connects), and failures met while every unit is being
// closed, at the stop or inside a report: no recursion, no buffer written twice, every other connection still written
// and closed, and a two-line report.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "recio/connect.h"
#include "recio/core/failure.h"
#include "recio/disconnect.h"
#include "recio/run.h"
#include "recio/writer/write_statement.h"
#include "support/fake_platform.h"
#include "support/fixtures.h"
#include "support/statements.h"
#include "support/work_dir.h"

namespace {

using fake::Call;
using fixtures::layerReport;
using fixtures::systemReport;
using recio::IoStatus;

// A status keyword is matched without regard to case or trailing blanks; a file name without its surrounding blanks. A
// refused connect that the statement does not handle ends the run with its report.
TEST(Connect, StatusKeywordsAndFileNames) {
  const struct {
    std::string name;
    std::string status;
    std::string report;  // "" when the unit is connected
  } cases[] = {
      // clang-format off
      {"data.txt", "old", ""},                                                       {"data.txt", "OLD", ""},
      {"data.txt", "Old  ", ""},                                                     {"  data.txt  ", "old", ""},
      {"fresh.txt", "UnKnown ", ""},                                                 {"data.txt", " old", layerReport("Bad iolist specifier", "OPEN(UNIT=1,...")},
      {"data.txt", "new", layerReport("Bad iolist specifier", "OPEN(UNIT=1,...")},   {"   ", "old", layerReport("Bad file specification", "OPEN(UNIT=1,...")},
      {"missing.txt", "old", systemReport(ENOENT, "OPEN(UNIT=1,...")},
      // clang-format on
  };
  for (const auto& c : cases) {
    fake::FakePlatform platform;
    fake::WorkDir dir;
    fake::writeFile("data.txt", "1\n");
    recio::IoControl handled;
    EXPECT_EQ(recio::connectUnit(handled, 1, c.name, c.status, {.errors = true}), c.report.empty() ? IoStatus::Ok : IoStatus::Error);
    EXPECT_TRUE((handled.units.head != nullptr) == c.report.empty() && (fake::readDoubles(handled, 1, 1).status != IoStatus::Error) == c.report.empty()) << "a failed connect leaves no unit to read";
    EXPECT_EQ(platform.run([&] { recio::stopRun(handled); }), 0);
    recio::IoControl unhandled;
    EXPECT_EQ(platform.run([&] { (void)recio::connectUnit(unhandled, 1, c.name, c.status, {}); }), c.report.empty() ? -1 : 255);
    EXPECT_EQ(platform.standardError(), c.report) << c.name << "/" << c.status;
    if (c.report.empty()) {
      EXPECT_EQ(recio::connectUnit(unhandled, 1, "data.txt", "old", {.errors = true}), IoStatus::Error) << "a connected unit is not connected again";
      EXPECT_EQ(platform.run([&] { recio::stopRun(unhandled); }), 0);
    }
    EXPECT_EQ(platform.liveAllocations(), 0U);
  }
  // Unit 0 is connected and closed like any other; a negative unit, the console's -1 (shown as *) among them, is refused.
  for (const std::int32_t unit : {0, -1, -7}) {
    fake::FakePlatform platform;
    fake::WorkDir dir;
    fake::writeFile("data.txt", "1\n");
    recio::IoControl control;
    const auto report = [unit](std::string s) { return unit ? layerReport("Unconnected or illegal unit specified", s + "(UNIT=" + (unit == -1 ? "*" : std::to_string(unit)) + ",...") : ""; };
    EXPECT_EQ(platform.run([&] { (void)recio::connectUnit(control, unit, "data.txt", "old", {}); }), unit == 0 ? -1 : 255);
    EXPECT_EQ(platform.run([&] { recio::disconnectUnit(control, unit); }), unit == 0 ? -1 : 255) << unit;
    EXPECT_EQ(platform.standardError(), report("OPEN") + report("CLOSE")) << unit;
    EXPECT_EQ(platform.run([&] { recio::stopRun(control); }), 0) << unit;
  }
}

// A file opened while standard input is closed would get its descriptor: it is moved above the three standard ones, and
// the low one closed again. A move that fails is the open's failure.
TEST(Connect, FileNeverKeepsAStandardDescriptor) {
  const int savedInput = ::dup(0);
  for (const bool moveFails : {false, true}) {
    fake::FakePlatform platform;
    fake::WorkDir dir;
    fake::writeFile("data.txt", "1\n");
    if (moveFails) platform.addFault({Call::Duplicate, 1, EMFILE});
    ::close(0);
    recio::IoControl control;
    const int status = platform.run([&] { (void)recio::connectUnit(control, 1, "data.txt", "old", {}); });
    EXPECT_EQ(::fcntl(0, F_GETFD), -1) << "descriptor 0 is closed again";
    EXPECT_EQ(platform.calls(Call::Duplicate), 1);
    if (moveFails) {
      EXPECT_EQ(status, 255);
      EXPECT_EQ(platform.standardError(), systemReport(EMFILE, "OPEN(UNIT=1,..."));
    } else {
      EXPECT_EQ(status, -1);
      ASSERT_NE(control.units.head, nullptr);
      EXPECT_GT(control.units.head->descriptor, 2);
      EXPECT_EQ(fake::readDoubles(control, 1, 1).values, std::vector<std::optional<double>>{1.0});
      EXPECT_EQ(platform.run([&] { recio::stopRun(control); }), 0);
    }
    EXPECT_EQ(platform.openDescriptors(), 0);
    EXPECT_EQ(platform.liveAllocations(), 0U);
  }
  if (savedInput >= 0) {
    ::dup2(savedInput, 0);
    ::close(savedInput);
  }
}

// A closing that deletes its file removes it even after a failed close, and
// reports the first of the close's and the removal's failures.
TEST(Disconnect, DeletingReportsTheFirstFailure) {
  const struct {
    std::vector<fake::Fault> faults;
    int code;  // 0: the closing succeeds
    bool removed;
  } cases[] = {
      {{}, 0, true},
      {{{Call::Close, 1, EIO}}, EIO, true},
      {{{Call::Unlink, 1, EACCES}}, EACCES, false},
      {{{Call::Close, 1, EIO}, {Call::Unlink, 1, EACCES}}, EIO, false},
  };
  for (const auto& c : cases) {
    fake::FakePlatform platform;
    fake::WorkDir dir;
    recio::IoControl control;
    ASSERT_EQ(recio::connectUnit(control, 1, "out.txt", "unknown", {}), IoStatus::Ok);
    recio::writeLine(control, 1, "x");
    for (fake::Fault fault : c.faults) platform.addFault(fault);
    recio::prepareStatement(control, 1);
    control.options.handlesErrors = true;
    control.options.statusGiven = true;
    control.statusText = "Delete ";
    control.statusTextLength = 7;
    EXPECT_EQ(recio::closeUnit(control), c.code == 0 ? IoStatus::Ok : IoStatus::Error);
    EXPECT_EQ(control.handledCode, c.code);
    EXPECT_EQ(fake::fileExists("out.txt"), !c.removed) << c.faults.size();
    EXPECT_EQ(control.units.head, nullptr);
    EXPECT_EQ(platform.run([&] { recio::stopRun(control); }), 0);
    EXPECT_EQ(platform.openDescriptors(), 0);
    EXPECT_EQ(platform.liveAllocations(), 0U);
  }
}

// The header tells the layer's own codes (10000 to 10073) from the platform's error numbers, at both ends of the range.
TEST(Reports, HeaderByCode) {
  for (const auto& row : {std::pair{9999, systemReport(9999, "READ(UNIT=1,...")},
                          {10000, layerReport("File not open for read", "READ(UNIT=1,...")},
                          {10073, layerReport("", "READ(UNIT=1,...")},
                          {10074, systemReport(10074, "READ(UNIT=1,...")}}) {
    const auto& [code, report] = row;
    fake::FakePlatform platform;
    recio::IoControl control;
    control.unit = 1;
    control.statementKind = recio::StatementKind::Read;
    EXPECT_EQ(platform.run([&] { (void)recio::failStatement(control, row.first); }), 255);
    EXPECT_EQ(platform.standardError(), report) << code;
  }
}

const char* const kFiles[] = {"a.dat", "b.dat", "c.dat"};
const std::string kOld(100, 'o');

const std::string kCutFailed = layerReport("Unable to truncate file after rewind, backspace, or endfile");

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

enum class Trigger { Stop, Report };

// Units 1 to 3 hold one buffered record each over old, longer files; the closing writes them in table order, so the
// n-th write, cut or close of the closing is the one of the n-th file.
struct ClosingCase {
  const char* name;
  Trigger trigger;
  std::vector<fake::Fault> faults;
  int status;
  std::string err;
  std::vector<std::string> after;  // a.dat, b.dat, c.dat
  std::vector<int> writes;         // write calls per file
  const char* readOnly = nullptr;  // a file the user may read but not write
};

void PrintTo(const ClosingCase& c, std::ostream* os) { *os << c.name; }

class ClosingFailure : public ::testing::TestWithParam<ClosingCase> {};

TEST_P(ClosingFailure, ClosesEverythingOnceAndReportsOnce) {
  const ClosingCase& c = GetParam();
  fake::WorkDir dir;
  for (const char* file : kFiles) fake::writeFile(file, kOld);
  fake::FakePlatform platform;
  if (c.readOnly != nullptr) platform.readOnly(c.readOnly);
  auto control = std::make_unique<recio::IoControl>();
  for (std::int32_t unit = 1; unit <= 3; ++unit) {
    ASSERT_EQ(recio::connectUnit(*control, unit, kFiles[unit - 1], "unknown", {}), recio::IoStatus::Ok);
    recio::writeLine(*control, unit, kFiles[unit - 1]);
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

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Units, ClosingFailure,
    ::testing::Values(
        ClosingCase{"stop_write_fails", Trigger::Stop, {{Call::Write, 2, ENOSPC}}, 255, systemReport(ENOSPC), {kA, kOld, kC}, {1, 1, 1}},
        ClosingCase{"stop_two_writes_fail_first_reported", Trigger::Stop, {{Call::Write, 1, EIO}, {Call::Write, 3, ENOSPC}}, 255, systemReport(EIO), {kOld, kB, kOld}, {1, 1, 1}},
        ClosingCase{"stop_cut_fails", Trigger::Stop, {{Call::Truncate, 2, EIO}}, 255, kCutFailed, {kA, kBOverOld, kC}, {1, 1, 1}},
        ClosingCase{"stop_close_fails", Trigger::Stop, {{Call::Close, 2, EIO}}, 255, systemReport(EIO), {kA, kB, kC}, {1, 1, 1}},
        ClosingCase{"stop_first_of_close_and_write_failure", Trigger::Stop, {{Call::Close, 1, EBADF}, {Call::Write, 3, ENOSPC}}, 255, systemReport(EBADF), {kA, kB, kOld}, {1, 1, 1}},
        ClosingCase{"stop_close_failing_after_its_write_failed", Trigger::Stop, {{Call::Write, 2, ENOSPC}, {Call::Close, 2, EIO}}, 255, systemReport(ENOSPC), {kA, kOld, kC}, {1, 1, 1}},
        ClosingCase{"stop_size_unknown_still_cut", Trigger::Stop, {{Call::QueryDescriptor, 2, EIO}}, 0, "", {kA, kB, kC}, {1, 1, 1}},
        ClosingCase{"stop_read_only_file_fails_at_its_first_write", Trigger::Stop, {}, 255, systemReport(EBADF), {kA, kOld, kC}, {1, 1, 1}, "b.dat"},
        ClosingCase{"stop_short_write_completed", Trigger::Stop, {{Call::Write, 2, 0, 3}}, 0, "", {kA, kB, kC}, {1, 2, 1}},
        ClosingCase{"report_write_fails", Trigger::Report, {{Call::Write, 2, ENOSPC}}, 255, systemReport(ENOSPC), {kA, kOld, kC}, {1, 1, 1}},
        ClosingCase{"report_cut_fails", Trigger::Report, {{Call::Truncate, 3, EIO}}, 255, kCutFailed, {kA, kB, kC + kOld.substr(kC.size())}, {1, 1, 1}},
        ClosingCase{"report_close_fails_unreported", Trigger::Report, {{Call::Close, 1, EBADF}}, 255, fixtures::kEndOfInput, {kA, kB, kC}, {1, 1, 1}},
        ClosingCase{"report_every_write_fails", Trigger::Report, {{Call::Write, 1, EIO, -1, true}}, 255, "", {kOld, kOld, kOld}, {1, 1, 1}}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });
// clang-format on

}  // namespace
