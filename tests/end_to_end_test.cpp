// Runs the real chi2map binary in a fresh working directory per case, with
// given bytes on standard input, and compares standard output, standard error,
// the exit status and the resulting "table.dat" byte for byte.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "support/expected_texts.h"
#include "support/work_dir.h"

#ifndef CHI2MAP_BINARY
#error "CHI2MAP_BINARY must name the chi2map executable"
#endif

namespace {

constexpr auto none = std::nullopt;

// ---------------------------------------------------------------- running

struct Outcome {
  int status = -1;  // exit status, or 1000 + the number of the signal that ended it
  std::string out;
  std::string err;
};

struct Launch {
  std::optional<std::string> input;  // standard input; none: descriptor 0 closed
  mode_t mask = 022;
  bool unprivileged = false;  // run as uid/gid 65534 through setpriv
  rlim_t fileSizeLimit = RLIM_INFINITY;
};

const char* setprivPath() {
  for (const char* path : {"/usr/bin/setpriv", "/bin/setpriv"}) {
    if (::access(path, X_OK) == 0) return path;
  }
  return nullptr;
}

std::string drain(int fd) {
  std::string bytes;
  ::lseek(fd, 0, SEEK_SET);
  char block[4096];
  for (ssize_t n; (n = ::read(fd, block, sizeof block)) > 0;) {
    bytes.append(block, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return bytes;
}

Outcome run(const Launch& launch) {
  Outcome outcome;
  std::vector<std::string> args;
  if (launch.unprivileged) {
    const char* setpriv = setprivPath();
    if (setpriv == nullptr) {
      ADD_FAILURE() << "setpriv not found";
      return outcome;
    }
    args = {setpriv, "--reuid=65534", "--regid=65534", "--clear-groups"};
  }
  args.emplace_back(CHI2MAP_BINARY);
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);

  const int out = ::memfd_create("stdout", MFD_CLOEXEC);
  const int err = ::memfd_create("stderr", MFD_CLOEXEC);
  int in[2] = {-1, -1};
  if (out < 0 || err < 0) ADD_FAILURE() << "memfd_create failed";
  if (launch.input) {
    // The reply is small: it fits the pipe buffer, so it is written in full
    // and the write end closed before the child starts.
    if (::pipe2(in, O_CLOEXEC) != 0) ADD_FAILURE() << "pipe failed";
    const std::string& bytes = *launch.input;
    if (::write(in[1], bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
      ADD_FAILURE() << "cannot fill standard input";
    }
    ::close(in[1]);
  }
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::umask(launch.mask);
    const struct rlimit limit {launch.fileSizeLimit, launch.fileSizeLimit};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    if (launch.input) {
      ::dup2(in[0], 0);
    } else {
      ::close(0);
    }
    ::dup2(out, 1);
    ::dup2(err, 2);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  if (in[0] >= 0) ::close(in[0]);
  int wait = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (::waitpid(pid, &wait, WNOHANG) != pid) {
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &wait, 0);
      ADD_FAILURE() << "chi2map did not end within 30 s";
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  outcome.status = WIFEXITED(wait) ? WEXITSTATUS(wait) : 1000 + WTERMSIG(wait);
  outcome.out = drain(out);
  outcome.err = drain(err);
  return outcome;
}

// ---------------------------------------------------------------- expected texts

using fake::capacityReport;
using fake::kEndsInsideRecord;
using fake::kWorked;
using fake::kWorkedOut;
using fake::labelsMismatch;
using fake::singleValue;
using fake::stoppedAtLine;
using fake::summary;
const std::string kTable1 = fake::kWorkedTable[1];
const std::string kTable2 = fake::kWorkedTable[2];
const std::string kTable3 = fake::kWorkedTable[3];

const std::string kNoRange = "  10000000000.0000  0.000000000000000";
const std::string kEmptyOut = summary("0", kNoRange, "0", kNoRange, "0", kNoRange, kNoRange);

const std::string kMissingInput = "? System Error:\n? No such file or directory\n? OPEN(UNIT=1,...\n";
const std::string kEndOfInput =
    "? FORTRAN Runtime Error:\n? Attempt to read past end of file\n? READ(UNIT=*,...\n";
const std::string kIllegal =
    "? FORTRAN Runtime Error:\n? Illegal character in numeric input\n? READ(UNIT=*,...\n";
const std::string kOld = "an older table\nwith two lines\n";

std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size()) {
    text.replace(at, from.size(), to);
  }
  return text;
}

std::string rightAligned(const std::string& text, std::size_t width) {
  return std::string(width > text.size() ? width - text.size() : 0, ' ') + text;
}

std::string whole(int value) { return std::to_string(value) + ".0"; }

// Generated inputs: records "T YORP unused f_KE chi2", one per line; the
// program lists twice the YORP value written.
std::string linesOf(int count, std::string (*line)(int)) {
  std::string text;
  for (int r = 1; r <= count; ++r) text += line(r) + "\n";
  return text;
}

// 85 distinct T values 1..85, one YORP (0.2) and one f_KE value, chi-square = T.
std::string fullT(int r) { return whole(r) + " 0.1 0.0 0.5 " + whole(r); }
std::string fullTTable() {
  std::string table;
  for (int i = 1; i <= 85; ++i) table += rightAligned(whole(i), 6) + "   -NaN " + rightAligned(whole(i), 8) + "\n\n";
  return table;
}

// 20 T x 20 YORP values: the YORP values 20, 19, ..., 1 first appear in
// descending order, chi-square = 100 T + YORP, so every label names its cell;
// the table (9220 bytes) is longer than one 8192-byte block.
std::string grid() {
  std::string text;
  for (int t = 1; t <= 20; ++t) {
    for (int y = 20; y >= 1; --y) {
      text += whole(t) + " " + std::to_string(y / 2) + (y % 2 != 0 ? ".5" : ".0") + " 0.0 0.5 " +
              whole(100 * t + y) + "\n";
    }
  }
  return text;
}
std::string gridTable() {
  std::string table;
  for (int t = 1; t <= 20; ++t) {
    for (int y = 1; y <= 20; ++y) {
      table += rightAligned(whole(t), 6) + " " + (y <= 9 ? std::to_string(y) + ".0000" : "******") + " " +
               rightAligned(whole(100 * t + y), 8) + "\n";
    }
    table += "\n";
  }
  return table;
}
const std::string kGridOut = summary("20", "  1.00000000000000  20.0000000000000", "20",
                                     "  1.00000000000000  20.0000000000000", "1",
                                     "  0.500000000000000  0.500000000000000",
                                     "  101.000000000000  2020.00000000000");

// ---------------------------------------------------------------- plain runs

struct Case {
  std::string name;
  std::optional<std::string> input;   // "quorvi.res"; none: no such file
  std::optional<std::string> before;  // "table.dat" before the run; none: absent
  std::optional<std::string> reply;   // standard input; none: descriptor 0 closed
  int status;
  std::string out;
  std::string err;
  std::optional<std::string> after;  // "table.dat" after the run; none: must not exist
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class EndToEnd : public ::testing::TestWithParam<Case> {};

TEST_P(EndToEnd, MatchesConsoleReportStatusAndTable) {
  const Case& c = GetParam();
  fake::WorkDir dir;
  if (c.input) fake::writeFile("quorvi.res", *c.input);
  if (c.before) fake::writeFile("table.dat", *c.before);
  const Outcome got = run({c.reply, 022, false});
  EXPECT_EQ(got.status, c.status);
  EXPECT_EQ(got.out, c.out);
  EXPECT_EQ(got.err, c.err);
  if (c.after) {
    ASSERT_TRUE(fake::fileExists("table.dat"));
    EXPECT_EQ(fake::readFile("table.dat"), *c.after);
  } else {
    EXPECT_FALSE(fake::fileExists("table.dat"));
  }
}

std::string caseName(const ::testing::TestParamInfo<Case>& info) { return info.param.name; }

const std::string kWorkedMissingLast = replaceAll(kWorked, "1.0 35.0\n", "1.0 35.0");
const std::string kSingle = "100.0 0.2 0.0 0.5 40.0\n";
const std::string kSingleOut = summary(
    "1", "  100.000000000000  100.000000000000", "1", "  0.400000000000000  0.400000000000000", "1",
    "  0.500000000000000  0.500000000000000", "  40.0000000000000  40.0000000000000");
const std::string kGap = "100.0 0.2 0.0 0.5 40.0\n200.0 0.1 0.0 0.5 20.0\n";
const std::string kGapOut = summary(
    "2", "  100.000000000000  200.000000000000", "2", "  0.200000000000000  0.400000000000000", "1",
    "  0.500000000000000  0.500000000000000", "  20.0000000000000  40.0000000000000");
// Loading stops at the third record: one T, one YORP and two f_KE values.
std::string cutAtThird(const std::string& third) {
  return "100.0 0.2 0.0 0.5 40.0\n100.0 0.2 0.0 1.0 30.0\n" + third + "\n200.0 0.2 0.0 0.5 15.0\n";
}
const std::string kCutOut = summary(
    "1", "  100.000000000000  100.000000000000", "1", "  0.400000000000000  0.400000000000000", "2",
    "  0.500000000000000  1.00000000000000", "  30.0000000000000  40.0000000000000");
// The worked example listed backwards, and sorted with YORP ascending.
const std::string kReversed =
    "200.0 0.1 0.0 1.0 35.0\n200.0 0.1 0.0 0.5 50.0\n200.0 0.2 0.0 1.0 12.5\n200.0 0.2 0.0 0.5 15.0\n"
    "100.0 0.1 0.0 1.0 25.0\n100.0 0.1 0.0 0.5 20.0\n100.0 0.2 0.0 1.0 30.0\n100.0 0.2 0.0 0.5 40.0\n";
const std::string kYorpAscending =
    "100.0 0.1 0.0 0.5 20.0\n100.0 0.1 0.0 1.0 25.0\n200.0 0.1 0.0 0.5 50.0\n200.0 0.1 0.0 1.0 35.0\n"
    "100.0 0.2 0.0 0.5 40.0\n100.0 0.2 0.0 1.0 30.0\n200.0 0.2 0.0 0.5 15.0\n200.0 0.2 0.0 1.0 12.5\n";
const std::string kCutWarnings = stoppedAtLine(3) + singleValue("T");
const std::string kCutTable2 = "  -NaN   0.5     40.0\n  -NaN   1.0     30.0\n\n";
const std::string kFreeLayout =
    "\n  100.0,0.2,0.0,0.5,40.0,999.0\n"
    "100.0 0.2\n\n   \n0.0 1.0 30.0\n"
    "100.0 , 0.1 , 0.0 , 0.5 , 20.0\n"
    "1.0E2 1.0D-1 0 1 25\n"
    "200.0 0.2 0.0 0.5 15.0\n"
    "200 .2 0 1. 12.5\n"
    "200.0 0.1 0.0 0.5 50.0\n"
    "200.0 0.1 0.0 1.0 35.0\n";

const std::vector<Case> kReplies = {
    {"one", kWorked, none, "1\n", 0, kWorkedOut, "", kTable1},
    {"two", kWorked, none, "2\n", 0, kWorkedOut, "", kTable2},
    {"three", kWorked, none, "3\n", 0, kWorkedOut, "", kTable3},
    {"zero", kWorked, none, "0\n", 0, kWorkedOut, "", kTable1},
    {"minus_five", kWorked, none, "-5\n", 0, kWorkedOut, "", kTable1},
    {"seven", kWorked, none, "7\n", 0, kWorkedOut, "", kTable1},
    {"blanks_around_two", kWorked, none, "  2  \n", 0, kWorkedOut, "", kTable2},
    {"empty_lines_then_three", kWorked, none, "\n\n3\n", 0, kWorkedOut, "", kTable3},
    {"blank_and_tab_line_then_two", kWorked, none, " \t \n2\n", 0, kWorkedOut, "", kTable2},
    {"lone_comma", kWorked, none, ",\n", 0, kWorkedOut, "", kTable1},
    {"slash", kWorked, none, "/\n", 0, kWorkedOut, "", kTable1},
    {"two_then_three_on_one_line", kWorked, none, "2 3\n", 0, kWorkedOut, "", kTable2},
    {"two_comma_garbage", kWorked, none, "2,garbage\n", 0, kWorkedOut, "", kTable2},
    {"plus_three", kWorked, none, "+3\n", 0, kWorkedOut, "", kTable3},
    {"three_crlf", kWorked, none, "3\r\n", 0, kWorkedOut, "", kTable3},
    {"wraps_to_two", kWorked, none, "4294967298\n", 0, kWorkedOut, "", kTable2},
    {"repeat_count", kWorked, none, "2*3\n", 0, kWorkedOut, "", kTable3},
    {"only_first_line_read", kWorked, none, "3\n2\n", 0, kWorkedOut, "", kTable3},
    {"end_of_input", kWorked, none, "", 255, kWorkedOut, kEndOfInput, none},
    {"end_of_input_keeps_old", kWorked, kOld, "", 255, kWorkedOut, kEndOfInput, kOld},
    {"no_line_feed", kWorked, none, "2", 255, kWorkedOut, kEndOfInput, none},
    {"only_empty_lines", kWorked, none, "\n\n  \n", 255, kWorkedOut, kEndOfInput, none},
    {"real_number", kWorked, none, "2.0\n", 255, kWorkedOut, kIllegal, none},
    {"real_number_keeps_old", kWorked, kOld, "\n2.0\n", 255, kWorkedOut, kIllegal, kOld},
    {"word", kWorked, none, "seven\n", 255, kWorkedOut, kIllegal, none},
    {"exponent", kWorked, none, "7e0\n", 255, kWorkedOut, kIllegal, none},
    {"closed_stdin", kWorked, none, none, 255, kWorkedOut,
     "? System Error:\n? Bad file descriptor\n? READ(UNIT=*,...\n", none},
};
INSTANTIATE_TEST_SUITE_P(Replies, EndToEnd, ::testing::ValuesIn(kReplies), caseName);

const std::vector<Case> kInputs = {
    {"empty_creates_empty_table", "", none, "1\n", 0, kEmptyOut, "", ""},
    {"empty_keeps_old_table", "", kOld, "2\n", 0, kEmptyOut, "", kOld},
    {"header_line_ends_loading", "T YORP unused f_KE chi2\n" + kWorked, none, "1\n", 0, kEmptyOut, stoppedAtLine(1), ""},
    {"crlf", replaceAll(kWorked, "\n", "\r\n"), none, "1\n", 0, kWorkedOut, "", kTable1},
    {"tabs", "\t" + replaceAll(kWorked, " ", "\t"), none, "2\n", 0, kWorkedOut, "", kTable2},
    {"free_layout", kFreeLayout, none, "3\n", 0, kWorkedOut, "", kTable3},
    {"last_line_without_line_feed", kWorkedMissingLast, none, "1\n", 0, kWorkedOut, kEndsInsideRecord,
     replaceAll(kTable1, "35.0", "50.0")},
    {"longer_old_table_cut", kWorked, std::string(10000, 'x') + "\n", "1\n", 0, kWorkedOut, "", kTable1},
    {"shorter_old_table_replaced", kWorked, "x\n", "2\n", 0, kWorkedOut, "", kTable2},
    {"single_record_1", kSingle, none, "1\n", 0, kSingleOut, singleValue("T") + singleValue("YORP"), "  -NaN   -NaN     40.0\n\n"},
    {"single_record_2", kSingle, none, "2\n", 0, kSingleOut, singleValue("T") + singleValue("f_KE"), "  -NaN  -NaN     40.0\n\n"},
    {"single_record_3", kSingle, none, "3\n", 0, kSingleOut, singleValue("YORP") + singleValue("f_KE"), "  -NaN  -NaN     40.0\n\n"},
    {"unreached_cells_1", kGap, none, "1\n", 0, kGapOut, "",
     " 100.0 0.2000 ********\n 100.0 0.4000     40.0\n\n 200.0 0.2000     20.0\n 200.0 0.4000 ********\n\n"},
    {"unreached_cells_2", kGap, none, "2\n", 0, kGapOut, singleValue("f_KE"), " 100.0  -NaN     40.0\n\n 200.0  -NaN     20.0\n\n"},
    {"unreached_cells_3", kGap, none, "3\n", 0, kGapOut, singleValue("f_KE"), "0.2000  -NaN     20.0\n\n0.4000  -NaN     40.0\n\n"},
    {"null_item_ends_loading", cutAtThird("100.0,,0.0,0.5,20.0"), none, "2\n", 0, kCutOut, kCutWarnings, kCutTable2},
    {"leading_comma_ends_loading", cutAtThird(",100.0 0.1 0.0 0.5 20.0"), none, "2\n", 0, kCutOut, kCutWarnings,
     kCutTable2},
    {"slash_ends_loading", cutAtThird("100.0 0.1 / 0.5 20.0"), none, "2\n", 0, kCutOut, kCutWarnings, kCutTable2},
    {"unreadable_unused_column", cutAtThird("100.0 0.1 x 0.5 20.0"), none, "2\n", 0, kCutOut, kCutWarnings, kCutTable2},
    {"word_on_a_later_line_of_a_record", "100.0 0.2\n\n0.0 x 40.0\n", none, "1\n", 0, kEmptyOut, stoppedAtLine(3), ""},
    {"null_value_on_the_next_line", "100.0 0.2 0.0 \n,0.5 40.0\n", none, "1\n", 0, kEmptyOut, stoppedAtLine(2), ""},
    {"too_few_values_at_the_end", kWorked + "300.0 0.1 0.0\n", none, "1\n", 0, kWorkedOut, kEndsInsideRecord,
     kTable1},
    {"blanks_after_the_last_line_feed", kWorked + " \t\r", none, "1\n", 0, kWorkedOut, "", kTable1},
    {"reversed_file", kReversed, none, "2\n", 0, kWorkedOut, labelsMismatch("T") + labelsMismatch("f_KE"),
     " 100.0   0.5     12.5\n 100.0   1.0     15.0\n\n 200.0   0.5     25.0\n 200.0   1.0     20.0\n\n"},
    {"yorp_ascending", kYorpAscending, none, "3\n", 0, kWorkedOut, labelsMismatch("YORP"),
     "0.2000   0.5     15.0\n0.2000   1.0     12.5\n\n0.4000   0.5     20.0\n0.4000   1.0     25.0\n\n"},
    {"missing_grid_row", kWorked + "400.0 0.2 0.0 0.5 10.0\n", none, "1\n", 0,
     summary("3", "  100.000000000000  400.000000000000", "2", "  0.200000000000000  0.400000000000000", "2",
             "  0.500000000000000  1.00000000000000", "  10.0000000000000  50.0000000000000"),
     labelsMismatch("T"), replaceAll(kTable1, "200.0", "250.0") + " 400.0 0.2000 ********\n 400.0 0.4000     10.0\n\n"},
    {"labels_equal_once_rounded", "0.1 0.1 0 1 5\n0.2 0.1 0 1 6\n0.3 0.1 0 1 7\n", none, "1\n", 0,
     summary("3", "  0.100000000000000  0.300000000000000", "1", "  0.200000000000000  0.200000000000000", "1",
             "  1.00000000000000  1.00000000000000", "  5.00000000000000  7.00000000000000"),
     singleValue("YORP"), "   0.1   -NaN      5.0\n\n   0.2   -NaN      6.0\n\n   0.3   -NaN      7.0\n\n"},
    {"full_T_list", linesOf(85, fullT), none, "1\n", 0,
     summary("85", "  1.00000000000000  85.0000000000000", "1", "  0.200000000000000  0.200000000000000", "1",
             "  0.500000000000000  0.500000000000000", "  1.00000000000000  85.0000000000000"),
     singleValue("YORP"), fullTTable()},
    {"table_over_one_block", grid(), kOld, "1\n", 0, kGridOut, "", gridTable()},
    {"missing_input", none, none, "1\n", 255, "", kMissingInput, none},
    {"missing_input_keeps_old", none, kOld, "1\n", 255, "", kMissingInput, kOld},
};
INSTANTIATE_TEST_SUITE_P(Inputs, EndToEnd, ::testing::ValuesIn(kInputs), caseName);

std::string tooManyT(int r) { return whole(r) + " 0.1 0.0 0.5 1.0"; }
std::string tooManyYorp(int r) { return "1.0 " + whole(r) + " 0.0 0.5 1.0"; }
std::string tooManyFke(int r) { return "1.0 0.1 0.0 " + whole(r) + " 1.0"; }
std::string yorpAndFke(int r) { return "1.0 " + whole(r) + " 0.0 " + whole(r) + " 1.0"; }
std::string tAndYorp(int r) { return whole(r) + " " + whole(r <= 85 ? (r - 1) % 25 + 1 : 26) + " 0.0 0.5 1.0"; }

const std::vector<Case> kCapacity = {
    {"T", linesOf(86, tooManyT), kOld, "1\n", 255, "", capacityReport("T", 85, 86), kOld},
    {"T_names_the_line_of_the_fifth_value",
     "\n\n1.0 0.1\n0.0 0.5 1.0\n" + linesOf(86, tooManyT).substr(tooManyT(1).size() + 1), none, "1\n", 255, "",
     capacityReport("T", 85, 89), none},
    {"YORP", linesOf(26, tooManyYorp), kOld, "1\n", 255, "", capacityReport("YORP", 25, 26), kOld},
    {"f_KE", linesOf(26, tooManyFke), none, "1\n", 255, "", capacityReport("f_KE", 25, 26), none},
    {"YORP_before_f_KE", linesOf(26, yorpAndFke), none, "1\n", 255, "", capacityReport("YORP", 25, 26), none},
    {"T_before_YORP", linesOf(86, tAndYorp), none, "1\n", 255, "", capacityReport("T", 85, 86), none},
};
INSTANTIATE_TEST_SUITE_P(Capacity, EndToEnd, ::testing::ValuesIn(kCapacity), caseName);

// ---------------------------------------------------------------- file system situations

enum class Old { None, ReadOnly, FullDevice, DanglingLink };

struct FileCase {
  std::string name;
  std::string input;
  Old old;
  mode_t mask;
  bool unprivileged;
  std::string reply;
  int status;
  std::string out;
  std::string err;
  std::string after;  // "table.dat" (through its link) afterwards; unread for the full device
  unsigned mode;      // permission bits of the file "table.dat" leads to
};

void PrintTo(const FileCase& c, std::ostream* os) { *os << c.name; }

class TableFile : public ::testing::TestWithParam<FileCase> {};

TEST_P(TableFile, IsCreatedWrittenOrRefusedAsThePlatformAllows) {
  const FileCase& c = GetParam();
  if (c.unprivileged && (::geteuid() != 0 || setprivPath() == nullptr)) {
    GTEST_SKIP() << "needs root and setpriv to run the program as an unprivileged user";
  }
  fake::WorkDir dir;
  fake::writeFile("quorvi.res", c.input);
  switch (c.old) {
    case Old::None:
      break;
    case Old::ReadOnly:
      fake::writeFile("table.dat", kOld);
      ASSERT_EQ(::chmod("table.dat", 0444), 0);
      break;
    case Old::FullDevice:
      ASSERT_EQ(::symlink("/dev/full", "table.dat"), 0);
      break;
    case Old::DanglingLink:
      ASSERT_EQ(::symlink("target.dat", "table.dat"), 0);
      break;
  }
  if (c.unprivileged) {
    ASSERT_EQ(::chmod(dir.path().c_str(), 0777), 0);  // the child's user writes here
  }
  const Outcome got = run({c.reply, c.mask, c.unprivileged});
  EXPECT_EQ(got.status, c.status);
  EXPECT_EQ(got.out, c.out);
  EXPECT_EQ(got.err, c.err);
  struct stat link {};
  ASSERT_EQ(::lstat("table.dat", &link), 0) << "table.dat is missing";
  if (c.old == Old::FullDevice || c.old == Old::DanglingLink) {
    EXPECT_TRUE(S_ISLNK(link.st_mode)) << "the link itself must stay";
  }
  if (c.old == Old::FullDevice) return;  // reading /dev/full never ends
  EXPECT_EQ(fake::readFile("table.dat"), c.after);
  struct stat target {};
  ASSERT_EQ(::stat("table.dat", &target), 0);
  EXPECT_EQ(target.st_mode & 07777, c.mode);
}

std::string fileCaseName(const ::testing::TestParamInfo<FileCase>& info) { return info.param.name; }

const std::string kBadDescriptor = "? System Error:\n? Bad file descriptor\n";

const std::vector<FileCase> kFiles = {
    {"created_empty_umask_022", "", Old::None, 022, false, "1\n", 0, kEmptyOut, "", "", 0644},
    {"created_umask_000", kWorked, Old::None, 0, false, "1\n", 0, kWorkedOut, "", kTable1, 0664},
    {"created_umask_077", kWorked, Old::None, 077, false, "3\n", 0, kWorkedOut, "", kTable3, 0600},
    {"dangling_link_creates_target", kWorked, Old::DanglingLink, 022, false, "2\n", 0, kWorkedOut, "",
     kTable2, 0644},
    {"read_only_nothing_written", "", Old::ReadOnly, 022, true, "1\n", 0, kEmptyOut, "", kOld, 0444},
    {"read_only_fails_at_stop", kWorked, Old::ReadOnly, 022, true, "1\n", 255, kWorkedOut, kBadDescriptor,
     kOld, 0444},
    {"read_only_fails_in_write", grid(), Old::ReadOnly, 022, true, "1\n", 255, kGridOut,
     kBadDescriptor + "? WRITE(UNIT=1,...\n", kOld, 0444},
    {"full_device", kWorked, Old::FullDevice, 022, false, "1\n", 255, kWorkedOut,
     "? System Error:\n? No space left on device\n? WRITE(UNIT=1,...\n", "", 0},
};
INSTANTIATE_TEST_SUITE_P(Situations, TableFile, ::testing::ValuesIn(kFiles), fileCaseName);

// ---------------------------------------------------------------- failing system calls

// A write past the file-size limit fails and is reported; the table is then
// a prefix of the new one, never new bytes followed by old ones.
TEST(SystemFailure, WritePastTheFileSizeLimit) {
  fake::WorkDir dir;
  fake::writeFile("quorvi.res", grid());
  fake::writeFile("table.dat", std::string(10000, 'x'));
  const Outcome got = run({"1\n", 022, false, 4096});
  EXPECT_EQ(got.status, 255);
  EXPECT_EQ(got.out, kGridOut);
  EXPECT_EQ(got.err, "? System Error:\n? File too large\n? WRITE(UNIT=1,...\n");
  EXPECT_EQ(fake::readFile("table.dat"), gridTable().substr(0, 4096));
}

// A directory the user may not write is opened for reading; its read fails.
TEST(SystemFailure, ReadOfADirectory) {
  if (::geteuid() != 0 || setprivPath() == nullptr) GTEST_SKIP() << "needs root and setpriv";
  fake::WorkDir dir;
  ASSERT_EQ(::mkdir("quorvi.res", 0755), 0);
  ASSERT_EQ(::chmod(dir.path().c_str(), 0777), 0);
  const Outcome got = run({"1\n", 022, true});
  EXPECT_EQ(got.status, 255);
  EXPECT_EQ(got.out, "");
  EXPECT_EQ(got.err, "? System Error:\n? Is a directory\n? READ(UNIT=1,...\n");
  EXPECT_FALSE(fake::fileExists("table.dat"));
}

}  // namespace
