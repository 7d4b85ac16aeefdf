// Failure reports and the connect rules, driven through the fake platform.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <string>
#include <vector>
#include <sys/stat.h>

#include "analysis/driver.h"
#include "recio/connect.h"
#include "recio/disconnect.h"
#include "recio/run.h"
#include "support/fake_platform.h"
#include "support/statements.h"
#include "support/expected_texts.h"
#include "support/work_dir.h"

namespace {

using fake::Call;
using recio::IoStatus;

std::string systemReport(int errorNumber, const std::string& statement) {
  std::string report = "? System Error:\n? " + std::string(std::strerror(errorNumber)) + "\n";
  if (!statement.empty()) report += "? " + statement + "\n";
  return report;
}

std::string layerReport(const std::string& text, const std::string& statement) {
  std::string report = "? FORTRAN Runtime Error:\n? " + text + "\n";
  if (!statement.empty()) report += "? " + statement + "\n";
  return report;
}

const char kWorkedExample[] =
    "100.0 0.2 0.0 0.5 40.0\n100.0 0.2 0.0 1.0 30.0\n100.0 0.1 0.0 0.5 20.0\n100.0 0.1 0.0 1.0 25.0\n"
    "200.0 0.2 0.0 0.5 15.0\n200.0 0.2 0.0 1.0 12.5\n200.0 0.1 0.0 0.5 50.0\n200.0 0.1 0.0 1.0 35.0\n";

// A grid whose T vs YORP table (22-character lines) is over one 8192-byte block.
std::string bigGrid() {
  std::string text;
  for (int t = 1; t <= 40; ++t) {
    for (int y = 10; y >= 1; --y) {
      text += std::to_string(t * 10) + " " + std::to_string(y) + "e-2 0 1 " + std::to_string(t + y) + "\n";
    }
  }
  return text;
}

struct RunResult {
  int status;
  std::string out;
  std::string err;
};

// The whole program in-process over the fake platform.
RunResult runProgram(fake::FakePlatform& platform, const std::string& reply) {
  platform.setStandardInput(reply);
  auto control = std::make_unique<recio::IoControl>();
  auto storage = std::make_unique<analysis::WorkingStorage>();
  int status = platform.run([&] { analysis::runChi2map(*control, *storage); });
  EXPECT_EQ(platform.liveAllocations(), 0U) << "layer memory left after the run";
  EXPECT_EQ(platform.openDescriptors(), 0) << "descriptors left open after the run";
  return RunResult{status, platform.standardOutput(), platform.standardError()};
}

struct ReportCase {
  const char* name;
  std::string input;  // quorvi.res; "-" for none
  std::string reply;
  fake::Fault fault;
  std::string expectedError;
  bool summaryShown;
};

void PrintTo(const ReportCase& c, std::ostream* os) { *os << c.name; }

class ReportTest : public ::testing::TestWithParam<ReportCase> {};

TEST_P(ReportTest, WritesTheExactReportAndExitsWith255) {
  const ReportCase& c = GetParam();
  fake::FakePlatform platform;
  fake::WorkDir dir;
  if (c.input != "-") fake::writeFile("quorvi.res", c.input);
  platform.addFault(c.fault);
  RunResult run = runProgram(platform, c.reply);
  EXPECT_EQ(run.status, 255);
  EXPECT_EQ(run.err, c.expectedError);
  EXPECT_EQ(!run.out.empty(), c.summaryShown);
}

constexpr fake::Fault kNoFault{Call::Count, 0, 0};

INSTANTIATE_TEST_SUITE_P(
    Reports, ReportTest,
    ::testing::Values(
        ReportCase{"missing input", "-", "1\n", kNoFault, systemReport(ENOENT, "OPEN(UNIT=1,..."), false},
        ReportCase{"unreadable input", kWorkedExample, "1\n", {Call::Open, 1, EACCES},
                   systemReport(EACCES, "OPEN(UNIT=1,..."), false},
        ReportCase{"no memory for the work buffers", kWorkedExample, "1\n", {Call::Allocate, 1, 0},
                   layerReport("Buffer allocation failed", "OPEN(UNIT=1,..."), false},
        ReportCase{"end of input at the menu", kWorkedExample, "", kNoFault,
                   layerReport("Attempt to read past end of file", "READ(UNIT=*,..."), true},
        ReportCase{"reply without its line feed", kWorkedExample, "2", kNoFault,
                   layerReport("Attempt to read past end of file", "READ(UNIT=*,..."), true},
        ReportCase{"reply not an integer", kWorkedExample, "2.0\n", kNoFault,
                   layerReport("Illegal character in numeric input", "READ(UNIT=*,..."), true},
        ReportCase{"console read fails", kWorkedExample, "1\n", {Call::Read, 3, EIO},
                   systemReport(EIO, "READ(UNIT=*,..."), true},
        ReportCase{"console write refused", kWorkedExample, "1\n", {Call::Write, 1, EIO},
                   systemReport(EIO, "WRITE(UNIT=*,..."), false},
        ReportCase{"close of the input fails", kWorkedExample, "1\n", {Call::Close, 1, EIO},
                   systemReport(EIO, "CLOSE(UNIT=1,..."), false},
        ReportCase{"table write fails at the stop", kWorkedExample, "1\n", {Call::Write, 12, ENOSPC},
                   systemReport(ENOSPC, ""), true},
        ReportCase{"table write fails in a statement", bigGrid(), "1\n", {Call::Write, 12, ENOSPC},
                   systemReport(ENOSPC, "WRITE(UNIT=1,..."), true},
        ReportCase{"table write fails later", bigGrid(), "1\n", {Call::Write, 13, EIO},
                   systemReport(EIO, ""), true},
        ReportCase{"table cannot be created", kWorkedExample, "1\n", {Call::Open, 2, EACCES},
                   systemReport(EACCES, "OPEN(UNIT=1,..."), true}),
    [](const auto& testInfo) { return "case" + std::to_string(testInfo.index); });

// The cut needs an old table longer than the new one; make the truncate case real.
TEST(ReportDetails, FailedCutLeavesTheNewDataWritten) {
  fake::FakePlatform platform;
  fake::WorkDir dir;
  fake::writeFile("quorvi.res", kWorkedExample);
  fake::writeFile("table.dat", std::string(10000, 'x'));
  platform.addFault({Call::Truncate, 1, EIO});
  RunResult run = runProgram(platform, "1\n");
  EXPECT_EQ(run.status, 255);
  EXPECT_EQ(run.err, layerReport("Unable to truncate file after rewind, backspace, or endfile", ""));
  EXPECT_EQ(fake::readFile("table.dat").substr(0, 23), " 100.0 0.2000     20.0\n");
}

// A table.dat that appears between the existence check and the open is
// taken as new, but only the first write cuts it: with nothing to write it
// stays as it was, with a table it holds exactly the table.
TEST(ReportDetails, TableAppearingAfterTheExistenceCheck) {
  for (const bool withData : {false, true}) {
    fake::FakePlatform platform;
    fake::WorkDir dir;
    fake::writeFile("quorvi.res", withData ? kWorkedExample : "");
    fake::writeFile("table.dat", std::string(10000, 'x'));
    platform.addFault({Call::QueryPath, 2, ENOENT});
    RunResult run = runProgram(platform, "1\n");
    std::vector<std::string> queried;
    for (const fake::CallRecord& c : platform.callRecords()) {
      if (c.call == Call::QueryPath) queried.push_back(c.path);
    }
    ASSERT_EQ(queried, (std::vector<std::string>{"quorvi.res", "table.dat"}));
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(fake::readFile("table.dat"), withData ? fake::kWorkedTable[1] : std::string(10000, 'x'));
  }
}

TEST(ReportDetails, ShortWritesAndInterruptionsAreCompleted) {
  fake::FakePlatform platform;
  fake::WorkDir dir;
  fake::writeFile("quorvi.res", kWorkedExample);
  platform.addFault({Call::Write, 1, 0, 3});           // console: three bytes accepted
  platform.addFault({Call::Write, 4, EINTR});          // interrupted, then retried
  platform.addFault({Call::Read, 1, EINTR});           // the input read too
  platform.addFault({Call::Write, 14, 0, 10});         // the table block, short
  RunResult run = runProgram(platform, "1\n");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(fake::readFile("table.dat"),
            " 100.0 0.2000     20.0\n 100.0 0.4000     30.0\n\n 200.0 0.2000     35.0\n 200.0 0.4000     12.5\n\n");
  EXPECT_EQ(run.out.substr(0, 22), "  values of T   :   2\n");
}

TEST(ReportDetails, WriteThatAcceptsNothingIsAnIoError) {
  fake::FakePlatform platform;
  fake::WorkDir dir;
  fake::writeFile("quorvi.res", kWorkedExample);
  platform.addFault({Call::Write, 1, 0, 0});
  RunResult run = runProgram(platform, "1\n");
  EXPECT_EQ(run.status, 255);
  EXPECT_EQ(run.err, systemReport(EIO, "WRITE(UNIT=*,..."));
}

TEST(ReportDetails, EachConsoleLineIsOneWrite) {
  fake::FakePlatform platform;
  fake::WorkDir dir;
  fake::writeFile("quorvi.res", kWorkedExample);
  RunResult run = runProgram(platform, "3\n");
  EXPECT_EQ(run.status, 0);
  ASSERT_EQ(platform.outputWrites().size(), 11U);
  EXPECT_EQ(platform.outputWrites()[0], std::strlen("  values of T   :   2\n"));
}

struct KeywordCase {
  std::string name;
  std::string status;
  IoStatus expected;
};

TEST(Connect, StatusKeywordsAndFileNames) {
  const KeywordCase cases[] = {
      {"data.txt", "old", IoStatus::Ok},      {"data.txt", "OLD", IoStatus::Ok},
      {"data.txt", "Old  ", IoStatus::Ok},    {"data.txt", " old", IoStatus::Error},
      {"data.txt", "new", IoStatus::Error},   {"  data.txt  ", "old", IoStatus::Ok},
      {"   ", "old", IoStatus::Error},        {"missing.txt", "old", IoStatus::Error},
      {"fresh.txt", "UnKnown ", IoStatus::Ok},
  };
  for (const KeywordCase& c : cases) {
    fake::FakePlatform platform;
    fake::WorkDir dir;
    fake::writeFile("data.txt", "1\n");
    recio::IoControl control;
    EXPECT_EQ(recio::connectUnit(control, 1, c.name, c.status, {.errors = true}), c.expected) << c.name << "/" << c.status;
    EXPECT_EQ(control.units.head != nullptr, c.expected == IoStatus::Ok) << "a failed connect leaves no unit";
    EXPECT_EQ(platform.run([&] { recio::stopRun(control); }), 0);
    EXPECT_EQ(platform.liveAllocations(), 0U);
  }
}

TEST(Connect, LayerCodesOfRefusedConnects) {
  struct Case {
    std::string name;
    std::string status;
    std::string report;
  };
  const Case cases[] = {
      {"data.txt", " old", layerReport("Bad iolist specifier", "OPEN(UNIT=1,...")},
      {"  ", "old", layerReport("Bad file specification", "OPEN(UNIT=1,...")},
  };
  for (const Case& c : cases) {
    fake::FakePlatform platform;
    fake::WorkDir dir;
    recio::IoControl control;
    EXPECT_EQ(platform.run([&] { (void)recio::connectUnit(control, 1, c.name, c.status, {}); }), 255);
    EXPECT_EQ(platform.standardError(), c.report);
  }
}

TEST(Connect, NewFileGetsMode664UnderTheMask) {
  fake::FakePlatform platform;
  fake::WorkDir dir;
  recio::IoControl control;
  ASSERT_EQ(recio::connectUnit(control, 1, "fresh.txt", "unknown", {}), IoStatus::Ok);
  EXPECT_EQ(platform.run([&] { recio::stopRun(control); }), 0);
  struct stat facts {};
  ASSERT_EQ(::stat("fresh.txt", &facts), 0);
  mode_t mask = ::umask(0);
  ::umask(mask);
  EXPECT_EQ(facts.st_mode & 0777U, 0664U & ~mask);
  EXPECT_EQ(facts.st_size, 0);
}

}  // namespace
