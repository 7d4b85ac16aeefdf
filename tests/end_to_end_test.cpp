// The real chi2map binary in a fresh working directory per case: standard output, standard error, the exit status and
// "table.dat", byte for byte. With CHI2MAP_LONG_INPUTS (label long): inputs of 10 to 100 MB, within a memory bound of
// the program's own.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <iostream>
#include <optional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "support/fixtures.h"
#include "support/launcher.h"
#include "support/work_dir.h"

namespace {

using namespace fixtures;
constexpr auto none = std::nullopt;

enum class Input { File, Missing, Fifo, Directory };
enum class Old { Text, ReadOnly, FullDevice, DanglingLink };

struct Case {
  std::string name = "";
  std::string input = "";  // the bytes of "quorvi.res"
  Input kind = Input::File;
  std::optional<std::string> before = none;  // "table.dat" before the run; none: absent
  Old old = Old::Text;
  std::optional<std::string> reply = "1\n";  // none: descriptor 0 closed
  bool closedOutput = false;                 // descriptor 1 closed: nothing captured
  bool closedError = false;                  // descriptor 2 closed: nothing captured
  mode_t umask = 022;
  bool unprivileged = false;
  rlim_t fileSizeLimit = RLIM_INFINITY;
  int status = 0;
  std::string out = "";
  std::string err = "";
  std::optional<std::string> after = none;  // "table.dat" after the run; none: must not exist
  unsigned mode = 0;                        // when not 0, the permission bits of the file table.dat leads to
  long peakKb = 0;                          // when not 0, the program's peak memory at most
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

// Writes `bytes` into the FIFO once chi2map has opened it, then closes it. Opens without blocking and retries, so that
// a program that never opens the FIFO cannot hang the test.
void feedFifo(const std::string& bytes, const std::atomic<bool>& finished) {
  int fd = -1;
  while (!finished && (fd = ::open("quorvi.res", O_WRONLY | O_NONBLOCK | O_CLOEXEC)) < 0 && errno == ENXIO) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  if (fd < 0) return;
  ::fcntl(fd, F_SETFL, 0);
  for (std::size_t done = 0; done < bytes.size();) {
    const ssize_t put = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (put <= 0) break;
    done += static_cast<std::size_t>(put);
  }
  ::close(fd);
}

class EndToEnd : public ::testing::TestWithParam<Case> {};

TEST_P(EndToEnd, MatchesConsoleReportStatusAndTable) {
  const Case& c = GetParam();
  fake::WorkDir dir;
  switch (c.kind) {
    case Input::File: fake::writeFile("quorvi.res", c.input); break;
    case Input::Missing: break;
    case Input::Fifo: ASSERT_EQ(::mkfifo("quorvi.res", 0644), 0); break;
    case Input::Directory: ASSERT_EQ(::mkdir("quorvi.res", c.unprivileged ? 0555 : 0755), 0); break;
  }
  if (c.before && (c.old == Old::Text || c.old == Old::ReadOnly)) fake::writeFile("table.dat", *c.before);
  if (c.before && c.old != Old::Text) {
    ASSERT_EQ(c.old == Old::ReadOnly ? ::chmod("table.dat", 0444) : ::symlink(c.old == Old::FullDevice ? "/dev/full" : "target.dat", "table.dat"), 0);
  }
  if (c.unprivileged) {
    ASSERT_EQ(::chmod(dir.path().c_str(), 0777), 0);  // the program's user writes here
  }
  std::atomic<bool> finished{false};
  std::thread writer;
  if (c.kind == Input::Fifo) writer = std::thread(feedFifo, std::cref(c.input), std::cref(finished));
  const fake::Outcome got = fake::runChi2map({c.reply, c.closedOutput, c.closedError, c.umask, c.unprivileged, c.fileSizeLimit, c.peakKb != 0 ? 120 : 30});
  finished = true;
  if (writer.joinable()) writer.join();
  if (c.peakKb != 0) {
    EXPECT_LE(got.peakKb, c.peakKb);
    std::cout << "[ long     ] " << c.name << ": " << c.input.size() << " bytes in " << got.seconds << " s, peak " << got.peakKb / 1024 << " MB\n";
  }

  EXPECT_FALSE(got.timedOut);
  EXPECT_TRUE(c.kind != Input::File || fake::readFile("quorvi.res") == c.input) << "quorvi.res was written";
  EXPECT_EQ(got.status, c.status);
  EXPECT_EQ(got.out, c.out);
  EXPECT_EQ(got.err, c.err);
  if (!c.after) {
    EXPECT_FALSE(fake::fileExists("table.dat"));
    return;
  }
  struct stat link {};
  ASSERT_EQ(::lstat("table.dat", &link), 0) << "table.dat is missing";
  if (c.old == Old::FullDevice || c.old == Old::DanglingLink) {
    EXPECT_TRUE(S_ISLNK(link.st_mode)) << "the link stays";
  }
  if (c.old == Old::FullDevice) return;  // reading /dev/full never ends
  EXPECT_EQ(fake::readFile("table.dat"), *c.after);
  struct stat target {};
  ASSERT_EQ(::stat("table.dat", &target), 0);
  if (c.mode != 0) {
    EXPECT_EQ(target.st_mode & 07777, c.mode);
  }
}

std::string caseName(const ::testing::TestParamInfo<Case>& info) { return info.param.name; }

#ifndef CHI2MAP_LONG_INPUTS

const std::string kOld = "an older table\nwith two lines\n";

const std::vector<Case> kReplies = {
    {.name = "one", .input = kWorked, .reply = "1\n", .out = kWorkedOut, .after = kWorkedTable[1]},
    {.name = "two", .input = kWorked, .reply = "2\n", .out = kWorkedOut, .after = kWorkedTable[2]},
    {.name = "three", .input = kWorked, .reply = "3\n", .out = kWorkedOut, .after = kWorkedTable[3]},
    {.name = "zero", .input = kWorked, .reply = "0\n", .out = kWorkedOut, .after = kWorkedTable[1]},
    {.name = "seven", .input = kWorked, .reply = "7\n", .out = kWorkedOut, .after = kWorkedTable[1]},
    {.name = "lone_comma", .input = kWorked, .reply = ",\n", .out = kWorkedOut, .after = kWorkedTable[1]},
    {.name = "end_of_input_keeps_old", .input = kWorked, .before = kOld, .reply = "", .status = 255, .out = kWorkedOut, .err = kEndOfInput, .after = kOld},
    {.name = "real_number_keeps_old", .input = kWorked, .before = kOld, .reply = "\n2.0\n", .status = 255, .out = kWorkedOut, .err = kIllegal, .after = kOld},
    {.name = "closed_stdin", .input = kWorked, .reply = none, .status = 255, .out = kWorkedOut, .err = systemReport(EBADF, "READ(UNIT=*,...")},
    // quorvi.res opens as descriptor 0 and moves above 2, never to the free 2
    // (where the warning of its last line would go).
    {.name = "closed_stdin_and_stderr_leave_the_input", .input = kWorked + "x\n", .reply = none, .closedError = true, .status = 255, .out = kWorkedOut},
};
INSTANTIATE_TEST_SUITE_P(Replies, EndToEnd, ::testing::ValuesIn(kReplies), caseName);

const std::string kWorkedMissingLast = replaceAll(kWorked, "1.0 35.0\n", "1.0 35.0");
// The worked example with a CR line end, tab and comma separators, records
// over several lines and a line of six values (the sixth is lost).
const std::string kFreeSpacing =
    "\n  100.0,0.2,0.0,0.5,40.0,999.0\n100.0 0.2\n\n   \n0.0 1.0 30.0\r\n100.0 , 0.1 , 0.0 , 0.5 , 20.0\n"
    "1.0E2 1.0D-1 0 1 25\n\t200.0\t0.2\t0.0\t0.5\t15.0\n200 .2 0 1. 12.5\n200.0 0.1 0.0 0.5 50.0\n200.0 0.1 0.0 1.0 35.0\n";
const std::string kSingle = "100.0 0.2 0.0 0.5 40.0\n";
const std::string kSingleOut =
    summary("1", "  100.000000000000  100.000000000000", "1", "  0.400000000000000  0.400000000000000", "1", "  0.500000000000000  0.500000000000000", "  40.0000000000000  40.0000000000000");
const std::string kGap = "100.0 0.2 0.0 0.5 40.0\n200.0 0.1 0.0 0.5 20.0\n";
const std::string kGapOut =
    summary("2", "  100.000000000000  200.000000000000", "2", "  0.200000000000000  0.400000000000000", "1", "  0.500000000000000  0.500000000000000", "  20.0000000000000  40.0000000000000");
// Loading stops at the third record: one T, one YORP and two f_KE values.
std::string cutAtThird(const std::string& third) { return "100.0 0.2 0.0 0.5 40.0\n100.0 0.2 0.0 1.0 30.0\n" + third + "\n200.0 0.2 0.0 0.5 15.0\n"; }
const std::string kCutOut =
    summary("1", "  100.000000000000  100.000000000000", "1", "  0.400000000000000  0.400000000000000", "2", "  0.500000000000000  1.00000000000000", "  30.0000000000000  40.0000000000000");
const std::string kCutWarnings = stoppedAtLine(3) + singleValue("T");
const std::string kCutTable2 = "  -NaN   0.5     40.0\n  -NaN   1.0     30.0\n\n";
// The worked example listed backwards, and sorted with YORP ascending.
const std::string kReversed =
    "200.0 0.1 0.0 1.0 35.0\n200.0 0.1 0.0 0.5 50.0\n200.0 0.2 0.0 1.0 12.5\n200.0 0.2 0.0 0.5 15.0\n"
    "100.0 0.1 0.0 1.0 25.0\n100.0 0.1 0.0 0.5 20.0\n100.0 0.2 0.0 1.0 30.0\n100.0 0.2 0.0 0.5 40.0\n";
const std::string kYorpAscending =
    "100.0 0.1 0.0 0.5 20.0\n100.0 0.1 0.0 1.0 25.0\n200.0 0.1 0.0 0.5 50.0\n200.0 0.1 0.0 1.0 35.0\n"
    "100.0 0.2 0.0 0.5 40.0\n100.0 0.2 0.0 1.0 30.0\n200.0 0.2 0.0 0.5 15.0\n200.0 0.2 0.0 1.0 12.5\n";
const std::string kMissingRowOut =
    summary("3", "  100.000000000000  400.000000000000", "2", "  0.200000000000000  0.400000000000000", "2", "  0.500000000000000  1.00000000000000", "  10.0000000000000  50.0000000000000");
const std::string kRoundedOut =
    summary("3", "  0.100000000000000  0.300000000000000", "1", "  0.200000000000000  0.200000000000000", "1", "  1.00000000000000  1.00000000000000", "  5.00000000000000  7.00000000000000");

std::string whole(int value) { return std::to_string(value) + ".0"; }
// Records "T YORP unused f_KE chi-square", one per line.
std::string linesOf(int count, std::string (*line)(int)) {
  std::string text;
  for (int r = 1; r <= count; ++r) text += line(r) + "\n";
  return text;
}
// 85 distinct T values 1..85, one YORP (0.2) and one f_KE value, chi-square = T.
std::string fullT(int r) { return whole(r) + " 0.1 0.0 0.5 " + whole(r); }
std::string fullTTable() {
  std::string table;
  for (int i = 1; i <= 85; ++i) table += std::string(i < 10 ? 3 : 2, ' ') + whole(i) + "   -NaN " + std::string(i < 10 ? 5 : 4, ' ') + whole(i) + "\n\n";
  return table;
}
const std::string kFullTOut =
    summary("85", "  1.00000000000000  85.0000000000000", "1", "  0.200000000000000  0.200000000000000", "1", "  0.500000000000000  0.500000000000000", "  1.00000000000000  85.0000000000000");
// 20 T x 20 YORP values: the table (9220 bytes) is longer than one 8192-byte block.
const std::string kGrid = grid(20, 20, 1);
const std::string kGridOut =
    summary("20", "  1.00000000000000  20.0000000000000", "20", "  1.00000000000000  20.0000000000000", "1", "  0.500000000000000  0.500000000000000", "  101.000000000000  2020.00000000000");

// clang-format off
const std::vector<Case> kInputs = {
    {.name = "empty_creates_empty_table", .out = kEmptyOut, .after = ""},
    {.name = "empty_keeps_old_table", .before = kOld, .reply = "2\n", .out = kEmptyOut, .after = kOld},
    {.name = "header_line_ends_loading", .input = "T YORP unused f_KE chi2\n" + kWorked, .out = kEmptyOut, .err = stoppedAtLine(1), .after = ""},
    {.name = "free_spacing", .input = kFreeSpacing, .reply = "3\n", .out = kWorkedOut, .err = moreThanRecord(2), .after = kWorkedTable[3]},
    {.name = "last_line_without_line_feed", .input = kWorkedMissingLast, .out = kWorkedOut, .err = kEndsInsideRecord, .after = replaceAll(kWorkedTable[1], "35.0", "50.0")},
    {.name = "too_few_values_at_the_end", .input = kWorked + "300.0 0.1 0.0\n", .out = kWorkedOut, .err = kEndsInsideRecord, .after = kWorkedTable[1]},
    {.name = "blanks_after_the_last_line_feed", .input = kWorked + " \t\r \t", .out = kWorkedOut, .after = kWorkedTable[1]},
    {.name = "tabs_without_a_line_end_after_the_last_line_feed", .input = kWorked + "\t\t", .out = kWorkedOut, .after = kWorkedTable[1]},
    {.name = "old_table_one_byte_longer", .input = kWorked, .before = kWorkedTable[2] + "x", .reply = "2\n", .out = kWorkedOut, .after = kWorkedTable[2]},
    {.name = "single_record_1", .input = kSingle, .out = kSingleOut, .err = singleValue("T") + singleValue("YORP"), .after = "  -NaN   -NaN     40.0\n\n"},
    {.name = "single_record_2", .input = kSingle, .reply = "2\n", .out = kSingleOut, .err = singleValue("T") + singleValue("f_KE"), .after = "  -NaN  -NaN     40.0\n\n"},
    {.name = "single_record_3", .input = kSingle, .reply = "3\n", .out = kSingleOut, .err = singleValue("YORP") + singleValue("f_KE"), .after = "  -NaN  -NaN     40.0\n\n"},
    {.name = "unreached_cells", .input = kGap, .out = kGapOut, .after = " 100.0 0.2000 ********\n 100.0 0.4000     40.0\n\n 200.0 0.2000     20.0\n 200.0 0.4000 ********\n\n"},
    {.name = "null_item_ends_loading", .input = cutAtThird("100.0,,0.0,0.5,20.0"), .reply = "2\n", .out = kCutOut, .err = kCutWarnings, .after = kCutTable2},
    {.name = "unreadable_unused_column", .input = cutAtThird("100.0 0.1 x 0.5 20.0"), .reply = "2\n", .out = kCutOut, .err = kCutWarnings, .after = kCutTable2},
    {.name = "word_on_a_later_line_of_a_record", .input = "100.0 0.2\n\n0.0 x 40.0\n", .out = kEmptyOut, .err = stoppedAtLine(3), .after = ""},
    {.name = "empty_line_then_a_word", .input = kWorked + "\n word\n", .out = kWorkedOut, .err = stoppedAtLine(10), .after = kWorkedTable[1]},
    {.name = "null_value_on_the_next_line", .input = "100.0 0.2 0.0 \n,0.5 40.0\n", .out = kEmptyOut, .err = stoppedAtLine(2), .after = ""},
    {.name = "reversed_file", .input = kReversed, .reply = "2\n", .out = kWorkedOut, .err = labelsMismatch("T") + labelsMismatch("f_KE"),
     .after = " 100.0   0.5     12.5\n 100.0   1.0     15.0\n\n 200.0   0.5     25.0\n 200.0   1.0     20.0\n\n"},
    {.name = "yorp_ascending", .input = kYorpAscending, .reply = "3\n", .out = kWorkedOut, .err = labelsMismatch("YORP"),
     .after = "0.2000   0.5     15.0\n0.2000   1.0     12.5\n\n0.4000   0.5     20.0\n0.4000   1.0     25.0\n\n"},
    {.name = "missing_grid_row", .input = kWorked + "400.0 0.2 0.0 0.5 10.0\n", .out = kMissingRowOut, .err = labelsMismatch("T"),
     .after = replaceAll(kWorkedTable[1], "200.0", "250.0") + " 400.0 0.2000 ********\n 400.0 0.4000     10.0\n\n"},
    {.name = "labels_equal_once_rounded", .input = "0.1 0.1 0 1 5\n0.2 0.1 0 1 6\n0.3 0.1 0 1 7\n", .out = kRoundedOut, .err = singleValue("YORP"),
     .after = "   0.1   -NaN      5.0\n\n   0.2   -NaN      6.0\n\n   0.3   -NaN      7.0\n\n"},
    {.name = "full_T_list", .input = linesOf(85, fullT), .out = kFullTOut, .err = singleValue("YORP"), .after = fullTTable()},
    {.name = "zero_after_other_values", .input = replaceAll(replaceAll(kWorked, " 0.1 ", " 0.0 "), " 0.2 ", " 0.1 "),
     .out = replaceAll(kWorkedOut, "0.200000000000000  0.400000000000000", "0.000000000000000  0.200000000000000"),
     .after = replaceAll(replaceAll(kWorkedTable[1], "0.2000", "0.0000"), "0.4000", "0.2000")},
    {.name = "NaN_chi_square_in_the_range_and_the_plane", .input = replaceAll(kWorked, "12.5", "NaN"), .out = replaceAll(kWorkedOut, "12.5000000000000", "35.0000000000000"),
     .after = replaceAll(kWorkedTable[1], "    12.5", "     NaN")},
    {.name = "single_value_after_the_last_record", .input = kWorked + "300.0\n", .out = kWorkedOut, .err = kEndsInsideRecord, .after = kWorkedTable[1]},
    {.name = "exponents_in_records_of_one_shape", .input = replaceAll(replaceAll(kWorked, "100.0 ", "1.0E2 "), "200.0 ", "2.0E2 "), .out = kWorkedOut, .after = kWorkedTable[1]},
    {.name = "table_over_one_block", .input = kGrid, .before = kOld, .out = kGridOut, .after = gridTable(20, 20)},
    {.name = "missing_input_keeps_old", .kind = Input::Missing, .before = kOld, .status = 255, .err = systemReport(ENOENT, "OPEN(UNIT=1,..."), .after = kOld},
    {.name = "input_is_a_fifo", .input = kWorked, .kind = Input::Fifo, .reply = "2\n", .out = kWorkedOut, .after = kWorkedTable[2]},
    {.name = "input_is_a_directory", .kind = Input::Directory, .status = 255, .err = systemReport(EISDIR, "OPEN(UNIT=1,...")},
};
// clang-format on
INSTANTIATE_TEST_SUITE_P(Inputs, EndToEnd, ::testing::ValuesIn(kInputs), caseName);

std::string tooManyFke(int r) { return "1.0 0.1 0.0 " + whole(r) + " 1.0"; }
std::string tooManyNaNT(int r) { return "nan 0.1 0.0 0.5 " + whole(r); }
std::string yorpAndFke(int r) { return "1.0 " + whole(r) + " 0.0 " + whole(r) + " 1.0"; }
std::string tAndYorp(int r) { return whole(r) + " " + whole(r <= 85 ? (r - 1) % 25 + 1 : 26) + " 0.0 0.5 1.0"; }
// Two empty lines, and the first record over two lines: the report names the line of the 86th T.
const std::string kTOverLines = "\n\n1.0 0.1\n0.0 0.5 1.0\n" + linesOf(86, fullT).substr(fullT(1).size() + 1);

const std::vector<Case> kCapacity = {
    {.name = "T_names_the_line_of_the_fifth_value", .input = kTOverLines, .before = kOld, .status = 255, .err = capacityReport("T", 85, 89), .after = kOld},
    {.name = "f_KE", .input = linesOf(26, tooManyFke), .status = 255, .err = capacityReport("f_KE", 25, 26)},
    {.name = "YORP_before_f_KE", .input = linesOf(26, yorpAndFke), .status = 255, .err = capacityReport("YORP", 25, 26)},
    {.name = "T_before_YORP", .input = linesOf(86, tAndYorp), .status = 255, .err = capacityReport("T", 85, 86)},
    {.name = "NaN_T_beyond_capacity", .input = linesOf(86, tooManyNaNT), .status = 255, .err = capacityReport("T", 85, 86)},
};
INSTANTIATE_TEST_SUITE_P(Capacity, EndToEnd, ::testing::ValuesIn(kCapacity), caseName);

// Line ends: a line feed, a carriage return, or the two as a pair each end
// one line, for the records and for the line numbers of the warnings.
std::string withLineEnds(std::string_view end) { return replaceAll(kWorked, "\n", end); }
const std::string kMixedLineEnds =
    "100.0 0.2 0.0 0.5 40.0\r\n100.0 0.2 0.0 1.0 30.0\r\r\n100.0 0.1 0.0 0.5 20.0\n\r100.0 0.1 0.0 1.0 25.0\r"
    "200.0 0.2 0.0 0.5 15.0\n200.0 0.2 0.0 1.0 12.5\r\n\n200.0 0.1 0.0 0.5 50.0\r200.0 0.1 0.0 1.0 35.0\r\nword\r\n";
// The carriage return of line 4097 is the last byte of the first 8192-byte read, its line feed the first of the next.
std::string pairSplitByARead() {
  std::string text = "\n";
  for (int i = 0; i < 4096; ++i) text += "\r\n";
  return text + kWorked + "word\n";
}

const std::vector<Case> kLineEnds = {
    {.name = "carriage_returns_alone", .input = withLineEnds("\r"), .out = kWorkedOut, .after = kWorkedTable[1]},
    {.name = "carriage_return_line_feed_pairs", .input = withLineEnds("\r\n"), .reply = "2\r\n", .out = kWorkedOut, .after = kWorkedTable[2]},
    {.name = "mixed_line_ends_counted_once_each", .input = kMixedLineEnds, .out = kWorkedOut, .err = stoppedAtLine(12), .after = kWorkedTable[1]},
    {.name = "pair_split_between_two_reads", .input = pairSplitByARead(), .out = kWorkedOut, .err = stoppedAtLine(4106), .after = kWorkedTable[1]},
    {.name = "last_line_cut_after_carriage_returns", .input = withLineEnds("\r") + "300.0 0.1", .out = kWorkedOut, .err = kEndsInsideRecord, .after = kWorkedTable[1]},
};
INSTANTIATE_TEST_SUITE_P(LineEnds, EndToEnd, ::testing::ValuesIn(kLineEnds), caseName);

// A value left out on a line of its own pulls the first value of the next
// line into the record and drops the rest of that line.
const std::string kLeftOut = replaceAll(replaceAll(kWorked, "1.0 30.0\n", "1.0\n"), "0.5 15.0\n", "0.5\n");
// Records T 100, 200 and the T values given, each at f_KE 0.5 and 1.0 (chi-square 1 and 2), and their T vs f_KE table.
std::string tRecords(const std::vector<std::string>& ts) {
  std::string text;
  for (const std::string& t : ts) text += t + " 0.1 0 0.5 1\n" + t + " 0.1 0 1.0 2\n";
  return text;
}
std::string tTable(const std::vector<std::string>& labels) {
  std::string text;
  for (const std::string& label : labels) text += label + "   0.5      1.0\n" + label + "   1.0      2.0\n\n";
  return text;
}
const std::string kTwoRecordsOut =
    summary("3", "  100.000000000000  300.000000000000", "1", "  0.200000000000000  0.200000000000000", "2", "  0.500000000000000  1.00000000000000", "  1.00000000000000  2.00000000000000");
// f_KE 0.05 to 1.25: its rebuilt labels round 0.55 down where the listed 0.55 rounds up.
const char* const kFkeLabels[] = {"0.1", "0.1", "0.2", "0.2", "0.3", "0.3", "0.4", "0.4", "0.5", "0.5", "0.5", "0.6", "0.7",
                                  "0.7", "0.8", "0.8", "0.9", "0.9", "1.0", "1.0", "1.0", "1.1", "1.1", "1.2", "1.3"};
std::string fkeSteps(bool table) {
  std::string text;
  for (int t = 100; t <= 200; t += 100) {
    for (int k = 1; k <= 25; ++k) {
      const std::string chi = std::to_string(t / 10 + k) + ".0";
      text += table ? " " + whole(t) + "   " + kFkeLabels[k - 1] + "     " + chi + "\n"
                    : whole(t) + " 0.1 0 " + std::to_string(k / 20) + "." + (k % 20 < 2 ? "0" : "") + std::to_string(k % 20 * 5) + " " + chi + "\n";
    }
    if (table) text += "\n";
  }
  return text;
}
const std::string kFkeStepsOut =
    summary("2", "  100.000000000000  200.000000000000", "1", "  0.200000000000000  0.200000000000000", "25", "  5.000000000000000E-002  1.25000000000000", "  11.0000000000000  45.0000000000000");

// Warnings: where a record was read only in part, when a label does not name
// its value, and that none of them lands in a file when standard error is closed.
// clang-format off
const std::vector<Case> kWarnings = {
    {.name = "value_left_out_once_warned_once", .input = kLeftOut + "word\n", .out = summary("2", "  100.000000000000  200.000000000000", "2", "  0.200000000000000  0.400000000000000", "2", "  0.500000000000000  1.00000000000000", "  25.0000000000000  200.000000000000"),
     .err = partRead(3) + stoppedAtLine(9), .after = " 100.0 0.2000     25.0\n 100.0 0.4000     40.0\n\n 200.0 0.2000     35.0\n 200.0 0.4000    200.0\n\n"},
    {.name = "record_over_lines_ending_in_a_slash", .input = replaceAll(kWorked, "0.0 0.5 40.0\n", "0.0\n0.5 40.0/\n"), .out = kWorkedOut, .err = partRead(2), .after = kWorkedTable[1]},
    {.name = "record_over_lines_ending_in_a_separator", .input = replaceAll(kWorked, "0.0 0.5 40.0\n", "0.0\n0.5 40.0 , \n"), .out = kWorkedOut, .after = kWorkedTable[1]},
    {.name = "empty_lines_before_a_record_of_six_values", .input = "\n\n" + replaceAll(kWorked, "0.5 40.0\n", "0.5 40.0 7\n"), .out = kWorkedOut, .err = moreThanRecord(3), .after = kWorkedTable[1]},
    {.name = "f_KE_grid_of_steps_of_0_05", .input = fkeSteps(false), .reply = "2\n", .out = kFkeStepsOut, .after = fkeSteps(true)},
    {.name = "label_off_in_its_last_digit", .input = tRecords({"100", "200", "300.2"}), .reply = "2\n", .out = replaceAll(kTwoRecordsOut, "  300.000000000000", "  300.200000000000"),
     .err = labelsMismatch("T"), .after = tTable({" 100.0", " 200.1", " 300.2"})},
    {.name = "label_half_a_unit_from_its_value", .input = tRecords({"100", "199.95", "300"}), .reply = "2\n", .out = kTwoRecordsOut, .after = tTable({" 100.0", " 200.0", " 300.0"})},
    {.name = "label_just_over_half_a_unit", .input = tRecords({"100", "199.9499", "300"}), .reply = "2\n", .out = kTwoRecordsOut, .err = labelsMismatch("T"), .after = tTable({" 100.0", " 200.0", " 300.0"})},
    // 0.05 + 7e-11 from its value: past the relative slack of 1e-9 (5e-11 here), within one of 2e-9.
    {.name = "label_just_past_the_slack", .input = tRecords({"100", "199.94999999993", "300"}), .reply = "2\n", .out = kTwoRecordsOut, .err = labelsMismatch("T"), .after = tTable({" 100.0", " 200.0", " 300.0"})},
    {.name = "negative_axis_whose_last_label_alone_is_off", .input = tRecords({"-300", "-200"}), .reply = "2\n", .out = summary("2", " -300.000000000000  0.000000000000000", "1", "  0.200000000000000  0.200000000000000", "2", "  0.500000000000000  1.00000000000000", "  1.00000000000000  2.00000000000000"), .err = labelsMismatch("T"), .after = tTable({"-300.0", "   0.0"})},
    {.name = "NaN_axis_labels_name_their_values", .input = tRecords({"nan"}), .reply = "2\n", .out = summary("2", "  NaN  NaN", "1", "  0.200000000000000  0.200000000000000", "2", "  0.500000000000000  1.00000000000000", "  1.00000000000000  2.00000000000000"),
     .after = "   NaN   0.5      1.0\n   NaN   1.0 ********\n\n   NaN   0.5 ********\n   NaN   1.0      2.0\n\n"},
    {.name = "labels_of_asterisks_name_asterisks", .input = tRecords({"10000", "20000"}), .reply = "2\n", .out = summary("2", "  10000.0000000000  20000.0000000000", "1", "  0.200000000000000  0.200000000000000", "2", "  0.500000000000000  1.00000000000000", "  1.00000000000000  2.00000000000000"),
     .after = tTable({"******", "******"})},
    {.name = "a_label_of_asterisks_names_no_number", .input = tRecords({"0", "0.01", "30000"}), .reply = "2\n", .out = summary("3", "  0.000000000000000  30000.0000000000", "1", "  0.200000000000000  0.200000000000000", "2", "  0.500000000000000  1.00000000000000", "  1.00000000000000  2.00000000000000"),
     .err = labelsMismatch("T"), .after = tTable({"   0.0", "******", "******"})},
    {.name = "NaN_labels_name_only_NaN", .input = tRecords({"100", "200", "nan"}), .reply = "2\n", .out = summary("4", "  NaN  NaN", "1", "  0.200000000000000  0.200000000000000", "2", "  0.500000000000000  1.00000000000000", "  1.00000000000000  2.00000000000000"),
     .err = labelsMismatch("T"), .after = tTable({"   NaN", "   NaN"}) + "   NaN   0.5      1.0\n   NaN   1.0 ********\n\n   NaN   0.5 ********\n   NaN   1.0      2.0\n\n"},
    {.name = "closed_standard_error_writes_into_no_file", .input = "100 0.1 0 0.5 10\n100 0.1 0 1.0 11\nT YORP x f_KE chi2\n", .closedError = true,
     .out = summary("1", "  100.000000000000  100.000000000000", "1", "  0.200000000000000  0.200000000000000", "2", "  0.500000000000000  1.00000000000000", "  10.0000000000000  11.0000000000000"),
     .after = "  -NaN   -NaN     10.0\n\n"},
    {.name = "closed_standard_output_reported", .input = kWorked, .closedOutput = true, .status = 255, .err = systemReport(EBADF, "WRITE(UNIT=*,...")},
};
// clang-format on
INSTANTIATE_TEST_SUITE_P(Warnings, EndToEnd, ::testing::ValuesIn(kWarnings), caseName);

// More than a record on a line: named once, after a record read in part, before where loading ended.
const std::string kOrdered = "100.0 0.2 0.0 0.5 40.0\n100.0 0.2 0.0 1.0 30.0 9\n100.0 0.1 0.0\n0.5 20.0 7\n" + kWorked.substr(kWorked.find("100.0 0.1 0.0 1.0"));

// clang-format off
const std::vector<Case> kMoreThanARecord = {
    {.name = "two_records_on_one_line", .input = replaceAll(kWorked, "40.0\n", "40.0 "), .out = kWorkedOut, .err = moreThanRecord(1), .after = replaceAll(kWorkedTable[1], "0.4000     30.0", "0.4000     40.0")},
    {.name = "a_word_after_the_record", .input = replaceAll(kWorked, "12.5\n", "12.5 chi2\n"), .out = kWorkedOut, .err = moreThanRecord(6), .after = kWorkedTable[1]},
    {.name = "trailing_commas_warn_nothing", .input = replaceAll(replaceAll(kWorked, "40.0\n", "40.0,\n"), "30.0\n", "30.0 ,\t \n"), .out = kWorkedOut, .after = kWorkedTable[1]},
    {.name = "a_second_comma", .input = replaceAll(replaceAll(kWorked, "20.0\n", "20.0,,\n"), "40.0\n", "40.0,\n"), .out = kWorkedOut, .err = moreThanRecord(3), .after = kWorkedTable[1]},
    {.name = "a_slash", .input = replaceAll(kWorked, "25.0\n", "25.0/\n"), .out = kWorkedOut, .err = moreThanRecord(4), .after = kWorkedTable[1]},
    {.name = "carriage_returns", .input = replaceAll(withLineEnds("\r"), "50.0\r", "50.0 8\r"), .out = kWorkedOut, .err = moreThanRecord(7), .after = kWorkedTable[1]},
    {.name = "every_line_crlf", .input = replaceAll(withLineEnds("\r\n"), "\r\n", " 1\r\n"), .out = kWorkedOut, .err = moreThanRecord(1), .after = kWorkedTable[1]},
    {.name = "after_a_record_read_in_part_before_where_loading_stopped", .input = kOrdered + "word\n", .out = kWorkedOut, .err = partRead(4) + moreThanRecord(2) + stoppedAtLine(10), .after = kWorkedTable[1]},
    {.name = "before_a_record_cut_off", .input = kOrdered + "300.0 0.1", .out = kWorkedOut, .err = partRead(4) + moreThanRecord(2) + kEndsInsideRecord, .after = kWorkedTable[1]},
    {.name = "closed_standard_error", .input = replaceAll(kWorked, "40.0\n", "40.0 7\n"), .closedError = true, .out = kWorkedOut, .after = kWorkedTable[1]},
};
// clang-format on
INSTANTIATE_TEST_SUITE_P(MoreThanARecord, EndToEnd, ::testing::ValuesIn(kMoreThanARecord), caseName);

const std::string kBadDescriptor = systemReport(EBADF);

// clang-format off
const std::vector<Case> kFileSystem = {
    {.name = "created_umask_000", .input = kWorked, .umask = 0, .out = kWorkedOut, .after = kWorkedTable[1], .mode = 0664},
    {.name = "dangling_link_creates_target", .input = kWorked, .before = "", .old = Old::DanglingLink, .reply = "2\n", .out = kWorkedOut, .after = kWorkedTable[2], .mode = 0644},
    {.name = "read_only_nothing_written", .before = kOld, .old = Old::ReadOnly, .unprivileged = true, .out = kEmptyOut, .after = kOld, .mode = 0444},
    {.name = "read_only_fails_in_write", .input = kGrid, .before = kOld, .old = Old::ReadOnly, .unprivileged = true, .status = 255, .out = kGridOut,
     .err = kBadDescriptor + "? WRITE(UNIT=1,...\n", .after = kOld, .mode = 0444},
    {.name = "full_device", .input = kWorked, .before = "", .old = Old::FullDevice, .status = 255, .out = kWorkedOut,
     .err = systemReport(ENOSPC, "WRITE(UNIT=1,..."), .after = ""},
    // A write past the file-size limit fails and is reported; the table is
    // then a prefix of the new one, never new bytes followed by old ones.
    {.name = "write_past_the_file_size_limit", .input = kGrid, .before = std::string(10000, 'x'), .fileSizeLimit = 4096, .status = 255, .out = kGridOut,
     .err = systemReport(EFBIG, "WRITE(UNIT=1,..."), .after = gridTable(20, 20).substr(0, 4096)},
    // A directory the user may not write is opened for reading; its read fails.
    {.name = "read_of_a_directory", .kind = Input::Directory, .unprivileged = true, .status = 255, .err = systemReport(EISDIR, "READ(UNIT=1,...")},
};
// clang-format on
INSTANTIATE_TEST_SUITE_P(FileSystem, EndToEnd, ::testing::ValuesIn(kFileSystem), caseName);

#else

constexpr std::size_t kMegabyte = 1 << 20;
// Bytes that no number may hold, 0x80..0xFF and NUL, between line feeds.
const std::string kGarbage = [] {
  std::string text(kMegabyte, '\0');
  for (std::size_t i = 0; i < text.size(); ++i) text[i] = i % 61 == 60 ? '\n' : i % 7 == 3 ? '\0' : static_cast<char>(0x80 | (i * 37 % 128));
  return text;
}();
// 10^N written with N zeros and scaled back, 100.0; and 0.5 after N zeros.
const std::string kZeros(10 * kMegabyte, '0');
const std::string kHugeRecord = "1" + kZeros + "E-" + std::to_string(kZeros.size() - 2) + " 0.2 0 0." + kZeros + "5E" + std::to_string(kZeros.size()) + " 45.0\n";
constexpr long kSlackKb = 16 * 1024;

// Each ends as its small equivalent does, the program's peak memory within twice the longest record plus a few
// megabytes, while this process holds every input.
// clang-format off
const std::vector<Case> kLongInputs = {
    {.name = "line_of_100_MB_without_line_feed", .input = kWorked + std::string(100 * kMegabyte, '7'), .out = kWorkedOut, .err = kEndsInsideRecord, .after = kWorkedTable[1], .peakKb = 200 * 1024 + kSlackKb},
    {.name = "numbers_of_10_MB", .input = kWorked + kHugeRecord, .reply = "2\n", .out = kWorkedOut, .after = kWorkedTable[2], .peakKb = 40 * 1024 + kSlackKb},
    {.name = "ten_million_empty_lines", .input = std::string(10'000'000, '\n') + kWorked + std::string(1000, '\n'), .reply = std::string(10'000'000, '\n') + "3\n", .out = kWorkedOut, .after = kWorkedTable[3], .peakKb = kSlackKb},
    {.name = "binary_garbage_after_records", .input = kWorked + kGarbage, .reply = "2\n", .out = kWorkedOut,
     .err = stoppedAtLine(9 + static_cast<long>(kGarbage.find_first_not_of('\n'))), .after = kWorkedTable[2], .peakKb = kSlackKb},
};
// clang-format on
INSTANTIATE_TEST_SUITE_P(Long, EndToEnd, ::testing::ValuesIn(kLongInputs), caseName);

#endif

}  // namespace
