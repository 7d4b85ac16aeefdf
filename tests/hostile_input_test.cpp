// Hostile inputs for the real chi2map binary: garbage, huge lines, numbers
// and repeat counts, exponents beyond 32 bits, NaN axis values at and past
// the capacity, and a "quorvi.res" that is no regular file. Most cases must
// end exactly as a small equivalent input does; the others have their own
// outcome. Each run's peak memory must stay within twice the longest record
// (record text and value text) plus a few megabytes; the times are printed.
// Every generated input is read in one pass, and the lines and values grow
// by appending, so each case costs time linear in its size.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <malloc.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <functional>
#include <iostream>
#include <optional>
#include <string>
#include <thread>

#include "recio/connect.h"
#include "recio/disconnect.h"
#include "recio/run.h"
#include "support/fake_platform.h"
#include "support/statements.h"
#include "support/expected_texts.h"
#include "support/work_dir.h"

#ifndef CHI2MAP_BINARY
#error "CHI2MAP_BINARY must name the chi2map executable"
#endif

#if defined(__SANITIZE_ADDRESS__)
#define CHI2MAP_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define CHI2MAP_SANITIZED 1
#endif
#endif

namespace {

#ifdef CHI2MAP_SANITIZED
// The sanitizers' allocator keeps freed blocks and copies on every growth:
// smaller inputs, and no memory bound.
constexpr std::size_t kScale = 16;
constexpr bool kCheckMemory = false;
#else
constexpr std::size_t kScale = 1;
constexpr bool kCheckMemory = true;
#endif

constexpr std::size_t kMegabyte = 1 << 20;
constexpr long kSlackKb = 16 * 1024;

struct Outcome {
  int status = -1;  // exit status, or 1000 + the signal that ended the process
  std::string out;
  std::string err;
  std::optional<std::string> table;
  long peakKb = 0;
  double seconds = 0;
};

std::string drain(int fd) {
  std::string bytes;
  ::lseek(fd, 0, SEEK_SET);
  char block[4096];
  for (ssize_t n; (n = ::read(fd, block, sizeof block)) > 0;) bytes.append(block, static_cast<std::size_t>(n));
  ::close(fd);
  return bytes;
}

// Resident memory of this process.
long residentKb() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0;
  long resident = 0;
  statm >> pages >> resident;
  return resident * (::sysconf(_SC_PAGESIZE) / 1024);
}

// One run in the working directory, "reply.txt" as standard input.
Outcome run() {
  Outcome outcome;
  const int in = ::open("reply.txt", O_RDONLY | O_CLOEXEC);
  const int out = ::memfd_create("stdout", MFD_CLOEXEC);
  const int err = ::memfd_create("stderr", MFD_CLOEXEC);
  if (in < 0 || out < 0 || err < 0) ADD_FAILURE() << "cannot set up the standard streams";
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(in, 0);
    ::dup2(out, 1);
    ::dup2(err, 2);
    ::execl(CHI2MAP_BINARY, CHI2MAP_BINARY, static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(in);
  int wait = 0;
  struct rusage usage {};
  const auto deadline = start + std::chrono::seconds(60);
  while (::wait4(pid, &wait, WNOHANG, &usage) != pid) {
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(pid, SIGKILL);
      ::wait4(pid, &wait, 0, &usage);
      ADD_FAILURE() << "chi2map did not end within 60 s";
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  outcome.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  outcome.status = WIFEXITED(wait) ? WEXITSTATUS(wait) : 1000 + WTERMSIG(wait);
  outcome.peakKb = usage.ru_maxrss;
  outcome.out = drain(out);
  outcome.err = drain(err);
  if (fake::fileExists("table.dat")) outcome.table = fake::readFile("table.dat");
  return outcome;
}

// ---------------------------------------------------------------- inputs

using fake::kWorked;

// Bytes that no number may hold: 0x80..0xFF and NUL, with line feeds.
std::string garbage(std::size_t bytes) {
  std::string text(bytes, '\0');
  std::uint32_t state = 12345;
  for (char& c : text) {
    state = state * 1103515245U + 12345U;
    const std::uint32_t pick = (state >> 16) % 64;
    c = pick == 0 ? '\n' : pick == 1 ? '\0' : static_cast<char>(0x80 | ((state >> 8) & 0x7F));
  }
  return text;
}

std::string lines(int count, const std::function<std::string(int)>& line) {
  std::string text;
  for (int r = 1; r <= count; ++r) text += line(r) + "\n";
  return text;
}

// A 400-digit reply whose value modulo 2^32 is 2 (10^399 is a multiple of 2^32).
std::string longReply() { return "1" + std::string(396, '0') + "002\n"; }

// ---------------------------------------------------------------- cases

enum class Kind { File, Directory, Fifo, DevNull };

struct Reference {
  std::string input;
  std::string reply;
  std::string warning = "";  // where loading stopped, before the reference's own standard error
};

struct Expected {
  int status;
  std::string out;
  std::string err;
  std::optional<std::string> table;  // none: "table.dat" must not exist
};

struct HostileCase {
  const char* name;
  Kind kind;
  std::function<std::string()> input;  // the file's bytes (written by a writer for the FIFO)
  std::function<std::string()> reply;
  std::optional<Reference> sameAs;     // ends exactly as this input and reply do
  std::optional<Expected> expected;    // otherwise this outcome
};

void PrintTo(const HostileCase& c, std::ostream* os) { *os << c.name; }

std::size_t longestLine(const std::string& text) {
  std::size_t longest = 0;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    longest = std::max(longest, end - start);
  }
  return std::max(longest, text.size() - start);
}

// Writes `bytes` into the FIFO once chi2map has opened it, then closes it.
// Opens without blocking and retries, so a program that never opens the
// FIFO cannot hang the test.
void feedFifo(const std::string& bytes, const std::atomic<bool>& finished) {
  int fd = -1;
  while (!finished && (fd = ::open("quorvi.res", O_WRONLY | O_NONBLOCK | O_CLOEXEC)) < 0 && errno == ENXIO) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  if (fd < 0) return;
  ::fcntl(fd, F_SETFL, 0);
  for (std::size_t done = 0; done < bytes.size();) {
    ssize_t put = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (put <= 0) break;
    done += static_cast<std::size_t>(put);
  }
  ::close(fd);
}

class HostileInput : public ::testing::TestWithParam<HostileCase> {};

TEST_P(HostileInput, EndsAsChosenInLinearTimeAndBoundedMemory) {
  const HostileCase& c = GetParam();
  Expected expected{};
  if (c.sameAs) {
    fake::WorkDir reference;
    fake::writeFile("quorvi.res", c.sameAs->input);
    fake::writeFile("reply.txt", c.sameAs->reply);
    Outcome r = run();
    expected = Expected{r.status, r.out, c.sameAs->warning + r.err, r.table};
  } else {
    expected = *c.expected;
  }

  fake::WorkDir dir;
  // A child's peak memory includes what this process holds when it forks:
  // the big inputs go to their files and are released first.
  std::size_t bytes = 0;
  std::size_t longest = 0;
  std::string input = c.input ? c.input() : "";
  {
    const std::string reply = c.reply();
    fake::writeFile("reply.txt", reply);
    if (c.kind == Kind::File) fake::writeFile("quorvi.res", input);
    bytes = input.size() + reply.size();
    longest = std::max(longestLine(input), longestLine(reply));
  }
  if (c.kind != Kind::Fifo) std::string().swap(input);
  ::malloc_trim(0);
  if (kCheckMemory) {
    ASSERT_LT(residentKb(), kSlackKb / 2) << "this process is too big to measure its children";
  }

  std::atomic<bool> finished{false};
  std::thread writer;
  switch (c.kind) {
    case Kind::File: break;
    case Kind::Directory: ASSERT_EQ(::mkdir("quorvi.res", 0755), 0); break;
    case Kind::DevNull: ASSERT_EQ(::symlink("/dev/null", "quorvi.res"), 0); break;
    case Kind::Fifo:
      ASSERT_EQ(::mkfifo("quorvi.res", 0644), 0);
      writer = std::thread(feedFifo, std::cref(input), std::cref(finished));
      break;
  }
  const Outcome got = run();
  finished = true;
  if (writer.joinable()) writer.join();

  EXPECT_EQ(got.status, expected.status);
  EXPECT_EQ(got.out, expected.out);
  EXPECT_EQ(got.err, expected.err);
  EXPECT_EQ(got.table.has_value(), expected.table.has_value());
  if (got.table && expected.table) {
    EXPECT_EQ(*got.table, *expected.table);
  }

  const long boundKb = static_cast<long>(2 * longest / 1024) + kSlackKb;
  if (kCheckMemory) {
    EXPECT_LE(got.peakKb, boundKb) << "longest record " << longest << " bytes";
  }
  std::cout << "[ hostile  ] " << c.name << ": " << bytes << " bytes in "
            << got.seconds << " s, peak " << got.peakKb / 1024 << " MB\n";
  RecordProperty("seconds", std::to_string(got.seconds));
  RecordProperty("peak_kb", std::to_string(got.peakKb));
}

std::string worked() { return kWorked; }
std::string one() { return "1\n"; }
std::string two() { return "2\n"; }
Reference workedWith(const std::string& reply) { return Reference{kWorked, reply}; }

constexpr char kNulRecord[] = "1.0\0 0.1 0 0.5 1\n";
const std::string kAtOpen = "? OPEN(UNIT=1,...\n";

using fake::capacityReport;
using fake::summary;

// The line that loading stops at: the first after `before` that holds more
// than line feeds.
std::string stoppedInside(const std::string& before, const std::string& after) {
  const auto lines = static_cast<long>(std::count(before.begin(), before.end(), '\n'));
  return fake::stoppedAtLine(lines + 1 + static_cast<long>(after.find_first_not_of('\n')));
}

INSTANTIATE_TEST_SUITE_P(
    Matrix, HostileInput,
    ::testing::Values(
        HostileCase{"binary_garbage_after_records", Kind::File,
                    [] { return kWorked + garbage(kMegabyte / kScale); }, two,
                    Reference{kWorked, "2\n", stoppedInside(kWorked, garbage(kMegabyte / kScale))}, {}},
        HostileCase{"nul_bytes_in_a_record", Kind::File,
                    [] { return kWorked.substr(0, 46) + std::string(kNulRecord, sizeof kNulRecord - 1) + kWorked; },
                    one,
                    Reference{kWorked.substr(0, 46), "1\n", fake::stoppedAtLine(3)}, {}},
        HostileCase{"line_of_100_MB_without_line_feed", Kind::File,
                    [] { return kWorked + std::string(100 * kMegabyte / kScale, '7'); }, one,
                    Reference{kWorked, "1\n", fake::kEndsInsideRecord}, {}},
        HostileCase{"numbers_of_10_MB", Kind::File,
                    [] {
                      return kWorked + "1" + std::string(10 * kMegabyte / kScale, '0') + " 0.1 0 0." +
                             std::string(10 * kMegabyte / kScale, '0') + "1 1.0\n";
                    },
                    two, Reference{kWorked + "1E400 0.1 0 0.0 1.0\n", "2\n"}, {}},
        HostileCase{"ten_million_empty_lines", Kind::File,
                    [] { return std::string(10'000'000 / kScale, '\n') + kWorked + std::string(1000, '\n'); },
                    [] { return std::string(10'000'000 / kScale, '\n') + "3\n"; }, workedWith("3\n"), {}},
        HostileCase{"repeat_counts_at_and_beyond_32_bits", Kind::File,
                    [] {
                      return std::string("2147483647*1.0\n4294967296*2.0 3 4 5 6\n4294967297*3.0 4 5 6 7\n") +
                             "2147483648*4.0 5 6 7 8\n99999999999*5.0\n";
                    },
                    [] { return std::string("2147483647*3\n"); },
                    Reference{"1.0 1.0 1.0 1.0 1.0\n2.0 3 4 5 6\n3.0 4 5 6 7\n4.0 5 6 7 8\n5.0 5.0 5.0 5.0 5.0\n", "3\n"},
                    {}},
        HostileCase{"numbers_of_400_digits", Kind::File,
                    [] {
                      return "1" + std::string(399, '0') + "E-390 " + std::string(400, '9') + " 0 0." +
                             std::string(399, '0') + "5 " + std::string(400, '3') + "E-398\n";
                    },
                    longReply, Reference{"1E9 1E400 0 0.0 3333333333333333333E-17\n", "2\n"}, {}},
        HostileCase{"exponents_beyond_32_bits", Kind::File,
                    [] {
                      return std::string("1E2147483648 1E-2147483649 0 1D4294967296 -1E99999999999999999999\n") +
                             "0E99999999999 2.5e-4294967297 0 -1e+4294967295 1E-99999999999999999999\n";
                    },
                    one, Reference{"1E400 0.0 0 1E400 -1E400\n0.0 0.0 0 -1E400 0.0\n", "1\n"}, {}},
        HostileCase{"nan_t_values_to_capacity", Kind::File,
                    [] { return lines(85, [](int r) { return "NaN 0.1 0 0.5 " + std::to_string(r); }); }, one,
                    {}, Expected{0,
                                 summary("85", "  NaN  NaN", "1", "  0.200000000000000  0.200000000000000", "1",
                                         "  0.500000000000000  0.500000000000000",
                                         "  1.00000000000000  85.0000000000000"),
                                 fake::singleValue("YORP"), lines(85, [](int r) {
                                   std::string chi = std::to_string(r) + ".0";
                                   return "   NaN   -NaN " + std::string(8 - chi.size(), ' ') + chi + "\n";
                                 })}},
        HostileCase{"nan_t_values_beyond_capacity", Kind::File,
                    [] { return lines(86, [](int r) { return "nan 0.1 0 0.5 " + std::to_string(r); }); }, one,
                    {}, Expected{255, "", capacityReport("T", 85, 86), std::nullopt}},
        HostileCase{"nan_yorp_values_beyond_capacity", Kind::File,
                    [] { return lines(26, [](int r) { return "1 NaN 0 0.5 " + std::to_string(r); }); }, one,
                    {}, Expected{255, "", capacityReport("YORP", 25, 26), std::nullopt}},
        HostileCase{"nan_f_ke_values_beyond_capacity", Kind::File,
                    [] { return lines(26, [](int r) { return "1 0.1 0 NaN " + std::to_string(r); }); }, one,
                    {}, Expected{255, "", capacityReport("f_KE", 25, 26), std::nullopt}},
        HostileCase{"input_is_a_directory", Kind::Directory, {}, one, {},
                    Expected{255, "", "? System Error:\n? Is a directory\n" + kAtOpen, std::nullopt}},
        HostileCase{"input_is_dev_null", Kind::DevNull, {}, one, Reference{"", "1\n"}, {}},
        HostileCase{"input_is_a_fifo", Kind::Fifo, worked, two, workedWith("2\n"), {}}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

// ---------------------------------------------------------------- fuzzing findings

// Inputs the reader fuzz target found, read by one five-double statement.
TEST(FuzzFindings, ValueBeginningWithAnAsteriskIsNoRepeatCount) {
  struct Case {
    std::string input;
    recio::IoStatus status;
    std::size_t values;  // items that received a value before the status
  };
  const std::string found = "*" + std::string(127, '\t') + ".0  * 3 *0.21.25\n";
  const Case cases[] = {
      {"* 1 2 3 4 5\n", recio::IoStatus::Error, 0},
      {"*5 1 2 3 4\n", recio::IoStatus::Error, 0},
      {"1 ** 2 3 4\n", recio::IoStatus::Error, 1},
      {found, recio::IoStatus::Error, 0},
      {"*" + std::string(127, ' ') + ".0  * 3 *0.21.25\n", recio::IoStatus::Error, 0},
      {"2* 1 2 3 4\n", recio::IoStatus::Ok, 5},  // an empty value after a count is the next one
  };
  for (const Case& c : cases) {
    fake::WorkDir dir;
    fake::writeFile("input.txt", c.input);
    fake::FakePlatform platform;
    recio::IoControl control;
    ASSERT_EQ(recio::connectUnit(control, 1, "input.txt", "old", {}), recio::IoStatus::Ok);
    fake::ReadOutcome outcome = fake::readDoubles(control, 1, 5);
    EXPECT_EQ(outcome.status, c.status) << c.input.substr(0, 12);
    EXPECT_EQ(outcome.values.size(), c.values) << c.input.substr(0, 12);
    EXPECT_EQ(platform.run([&] { recio::stopRun(control); }), 0);
  }
}

}  // namespace
