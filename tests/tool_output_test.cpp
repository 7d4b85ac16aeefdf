// The output writer and gnuplot's run with their system calls failing one at a time: the message names
// the failed call's error, the old file stays byte for byte, no temporary is left.
#include <gtest/gtest.h>

#include <dirent.h>

#include <cerrno>
#include <csignal>
#include <string>
#include <string_view>
#include <vector>

#include "figure/gnuplot_run.h"
#include "figure/table_map.h"
#include "figure/text_size.h"
#include "process/messages.h"
#include "process/output_file.h"
#include "process/system_calls.h"
#include "process/tool_process.h"
#include "support/work_dir.h"

namespace {

// The nth call named `call` and the times - 1 after it fail with `error` (0: that write writes nothing);
// every write is short.
struct Fault {
  std::string call;
  int nth = 0;
  int error = 0;
  int times = 1;
  int seen = 0;
};
Fault gFault;
Fault gAlso;     // a second fault in the same run
int gSyncs = 0;  // fsync calls

bool failsNow(const char* call) {
  for (Fault* fault : {&gFault, &gAlso}) {
    if (fault->call != call || ++fault->seen < fault->nth || fault->seen >= fault->nth + fault->times) continue;
    errno = fault->error;
    return true;
  }
  return false;
}

const process::SystemCalls& real() { return process::realSystemCalls(); }

const process::SystemCalls kFaulty = {
    [](const char* p, int f, mode_t m) { return failsNow("open") ? -1 : real().open(p, f, m); },
    [](int d, void* b, std::size_t n) -> ssize_t { return failsNow("read") ? -1 : real().read(d, b, n); },
    [](int d, const void* b, std::size_t n) -> ssize_t {
      if (failsNow("write")) return gFault.error == 0 ? 0 : -1;
      return real().write(d, b, n < 7 ? n : 7);
    },
    [](int d) {
      ++gSyncs;
      return failsNow("fsync") ? -1 : real().fsync(d);
    },
    [](int d) { return failsNow("close") ? real().close(d) * 0 - 1 : real().close(d); },
    [](const char* a, const char* b) { return failsNow("rename") ? -1 : real().rename(a, b); },
    real().unlink,
    [](int d[2]) { return failsNow("pipe") ? -1 : real().pipe(d); },
    [] { return failsNow("fork") ? -1 : real().fork(); },
    [](pid_t c, int* s, int o) { return failsNow("waitpid") ? -1 : real().waitpid(c, s, o); },
    [](const char* n, unsigned f) { return failsNow("memfd") ? -1 : real().memfd(n, f); },
    [](int d, off_t o, int w) -> off_t { return failsNow("lseek") ? -1 : real().lseek(d, o, w); },
    [](const char* p, struct stat* s) { return failsNow("stat") ? -1 : real().stat(p, s); },
    [](int d, struct stat* s) { return failsNow("fstat") ? -1 : real().fstat(d, s); },
    [](const char* p, char* l, std::size_t n) -> ssize_t { return failsNow("readlink") ? -1 : real().readlink(p, l, n); },
    [](const char* p, char* r) { return failsNow("realpath") ? nullptr : real().realpath(p, r); },
    [](const char* p, int m) { return failsNow(std::string_view(p).ends_with(".csv") ? "file access" : "access") ? -1 : real().access(p, m); },
    [](int d, mode_t m) { return failsNow("fchmod") ? -1 : real().fchmod(d, m); },
    real().isatty,
};

std::vector<std::string> namesIn(const std::string& folder) {
  std::vector<std::string> names;
  DIR* dir = opendir(folder.c_str());
  while (const dirent* entry = readdir(dir))
    if (entry->d_name[0] != '.' || entry->d_name[1] > '.') names.emplace_back(entry->d_name);
  closedir(dir);
  return names;
}

// Each lead byte's first and last character kept; each edge of a character
// one byte past, and every control, shown as escapes.
TEST(Messages, NamesShownAsUtf8) {
  const std::string kept = "\u00a0\u07ff\u0800\ud7ff\ue000\uffff\U00010000\U0010ffff";
  const std::pair<std::string, std::string> cases[] = {
      {kept, kept},
      {"a\tb\n\r\x7f\x1b", "a\\tb\\n\\r\\x7F\\x1B"},
      {"\xc1\xbf|\xc2\x9f|\xe0\x9f\xbf|\xed\xa0\x80", "\\xC1\\xBF|\\xC2\\x9F|\\xE0\\x9F\\xBF|\\xED\\xA0\\x80"},
      {"\xf0\x8f\xbf\xbf|\xf4\x90\x80\x80|\xf5\x80", "\\xF0\\x8F\\xBF\\xBF|\\xF4\\x90\\x80\\x80|\\xF5\\x80"},
      {"\xe2\x82\xc0|\xdf|\xe2\x82", "\\xE2\\x82\\xC0|\\xDF|\\xE2\\x82"},
  };
  for (const auto& [text, shown] : cases) EXPECT_EQ(process::visible(text), shown) << shown;
}

TEST(OutputFile, AFailedCallLeavesTheOldFileAndNoTemporary) {
  struct Row {
    Fault fault;
    const char* message;  // empty: the write succeeds
    Fault also = {};
  };
  const Row rows[] = {
      {.fault = {"open", 1, EACCES}, .message = "Permission denied"},
      {.fault = {"write", 1, ENOSPC}, .message = "No space left on device"},
      {.fault = {"write", 3, EFBIG}, .message = "File too large"},
      {.fault = {"write", 2, 0}, .message = "Input/output error"},
      {.fault = {"write", 2, EINTR}, .message = ""},
      {.fault = {"fsync", 1, EIO}, .message = "Input/output error"},
      {.fault = {"close", 1, EDQUOT}, .message = "Disk quota exceeded"},
      {.fault = {"rename", 1, EXDEV}, .message = "Invalid cross-device link"},
      // A temporary's name already taken: the next name is tried, a hundred in all.
      {.fault = {"open", 1, EEXIST, 99}, .message = ""},
      {.fault = {"open", 1, EEXIST, 100}, .message = "File exists"},
      // Of a failed write and a failed close, the write's is told.
      {.fault = {"write", 1, ENOSPC}, .message = "No space left on device", .also = {"close", 1, EIO}},
      {.fault = {"none", 1}, .message = "Disk quota exceeded", .also = {"close", 1, EDQUOT}},
      {.fault = {"none", 1}, .message = ""},
      // A link that cannot be read is not taken for the file; permissions that cannot be passed on (a file system without them) do not stop the write.
      {.fault = {"readlink", 1, EIO}, .message = "Input/output error"},
      {.fault = {"fchmod", 1, EPERM}, .message = ""},
  };
  const std::string fresh = "parameter,value,chi2\nT,100,50.25\n";
  for (const Row& row : rows) {
    SCOPED_TRACE(row.fault.call + " " + std::to_string(row.fault.nth));
    fake::WorkDir dir;
    fake::writeFile("old.csv", "old bytes\n");
    gFault = row.fault;
    gAlso = row.also;
    process::systemCalls() = kFaulty;
    const std::size_t open = namesIn("/proc/self/fd").size();
    std::string why;
    {
      process::Output output(dir.path() + "/old.csv");
      process::Failure failure = output.stage(fresh);
      if (!failure) failure = output.commit();
      why = failure.why();
    }
    process::systemCalls() = real();
    EXPECT_EQ(why, row.message);
    EXPECT_EQ(fake::readFile("old.csv"), why.empty() ? fresh : "old bytes\n");
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"old.csv"});
    EXPECT_EQ(namesIn("/proc/self/fd").size(), open);
  }
}

// A file replaced is synced, and so is its folder once the rename is made, so that a crash after the run
// leaves the new file, not the old one or none.
TEST(OutputFile, ItsRenameIsSynced) {
  fake::WorkDir dir;
  fake::writeFile("old.csv", "old bytes\n");
  gFault = gAlso = {};
  gSyncs = 0;
  process::systemCalls() = kFaulty;
  process::Failure failure;
  {
    process::Output output(dir.path() + "/old.csv");
    failure = output.stage("new bytes\n");
    if (!failure) failure = output.commit();
  }
  process::systemCalls() = real();
  EXPECT_EQ(failure.why(), "");
  EXPECT_EQ(gSyncs, 2);
  EXPECT_EQ(fake::readFile("old.csv"), "new bytes\n");
}

// A device is written in place: its failed open or close is told as well.
TEST(OutputFile, ADeviceWrittenInPlace) {
  for (const auto& [fault, message] : {std::pair<Fault, std::string>{{"close", 1, EIO}, "Input/output error"}, {{"open", 1, EACCES}, "Permission denied"}}) {
    gFault = fault;
    gAlso = {};
    process::systemCalls() = kFaulty;
    process::Output output("/dev/null");
    process::Failure failure = output.stage("bytes\n");
    if (!failure) failure = output.commit();
    process::systemCalls() = real();
    EXPECT_EQ(failure.why(), message);
  }
}

// Before any work, an output is refused for what a look at its name or its folder finds wrong.
TEST(OutputFile, RefusedForWhatItsNameShows) {
  const struct {
    Fault fault;
    const char* why;
  } rows[] = {
      {{"none", 1}, ""},
      {{"stat", 1, EACCES}, ""},  // the name itself: the folder decides
      {{"readlink", 1, EACCES}, "Permission denied"},
      {{"readlink", 1, EINVAL}, ""},  // not a link
      {{"stat", 2, EIO}, "Input/output error"},
      {{"access", 1, EROFS}, "Read-only file system"},
      {{"file access", 1, EACCES}, "Permission denied"},  // the file itself, not its folder
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.fault.call);
    fake::WorkDir dir;
    fake::writeFile("old.csv", "old bytes\n");
    gFault = row.fault;
    gAlso = {};
    process::systemCalls() = kFaulty;
    const std::string why = process::unwritable(dir.path() + "/old.csv").why();
    process::systemCalls() = real();
    EXPECT_EQ(why, row.why);
  }
}

// A signal removes the temporaries still held, not one released (whose slot is taken again), then ends the process.
TEST(ToolProcess, ASignalRemovesTheTemporariesHeld) {
  const fake::WorkDir dir;
  fake::writeFile("held", "x");
  fake::writeFile("released", "x");
  EXPECT_EXIT(
      {
        process::startTool("test");
        process::releaseTemporary(process::holdTemporary(dir.path() + "/released"));
        (void)process::holdTemporary(dir.path() + "/held");
        std::raise(SIGTERM);
      },
      testing::KilledBySignal(SIGTERM), "");
  EXPECT_FALSE(fake::fileExists("held"));
  EXPECT_TRUE(fake::fileExists("released"));
}

// A read interrupted by a signal is read again; a failed one is told.
TEST(TableFile, InterruptedAndFailedReads) {
  fake::WorkDir dir;
  fake::writeFile("t.dat", " 100.0 0.1000     20.0\n 100.0 0.2000     21.0\n\n 200.0 0.1000     22.0\n 200.0 0.2000     19.0\n\n");
  for (const int error : {EINTR, EIO}) {
    gFault = {"read", 1, error};
    gAlso = {};
    process::systemCalls() = kFaulty;
    figure::TableMap map;
    const process::Failure failure = figure::readTableFile(dir.path() + "/t.dat", nullptr, map);
    process::systemCalls() = real();
    EXPECT_EQ(failure.why(), error == EINTR ? "" : "cannot read '" + dir.path() + "/t.dat': Input/output error");
    EXPECT_EQ(map.chiSquareText, error == EINTR ? "19.0" : "");
  }
}

// A failed start names its own error and leaves no descriptor open; an interrupted wait is waited again, so gnuplot's exit is seen.
TEST(GnuplotRun, FailedAndInterruptedCalls) {
  const struct {
    Fault fault;
    const char* failure;
  } rows[] = {
      {.fault = {"pipe", 1, EMFILE}, .failure = "it could not be started: Too many open files"},
      {.fault = {"fork", 1, EMFILE}, .failure = "it could not be started: Too many open files"},
      {.fault = {"waitpid", 1, EINTR}, .failure = "exit status 1"},
      {.fault = {"memfd", 1, EMFILE}, .failure = "it could not be started: Too many open files"},
      {.fault = {"memfd", 2, ENOMEM}, .failure = "it could not be started: Cannot allocate memory"},
      {.fault = {"lseek", 1, EIO}, .failure = "it could not be started: Input/output error"},
  };
  for (const auto& row : rows) {
    gFault = row.fault;
    gAlso = {};
    process::systemCalls() = kFaulty;
    std::string image;
    const std::size_t open = namesIn("/proc/self/fd").size();
    const process::Failure failure = figure::drawWithGnuplot("/bin/false", "plot x\n", figure::ImageFormat::Svg, image);
    process::systemCalls() = real();
    EXPECT_EQ(failure.why(), row.failure) << row.fault.call;
    EXPECT_EQ(namesIn("/proc/self/fd").size(), open) << row.fault.call;
  }
}

// An image is whole when it begins and ends as its format's files do, with room for a PNG's header.
TEST(GnuplotRun, WholeImages) {
  using figure::ImageFormat;
  const std::string pngEnd("\0\0\0\0IEND\xAE\x42\x60\x82", 12);
  const struct {
    std::string image;
    ImageFormat format;
    bool whole;
  } rows[] = {
      {"\x89PNG\r\n\x1A\n" + pngEnd, ImageFormat::Png, true},
      {"\x89PNG\r\n\x1A" + pngEnd, ImageFormat::Png, false},  // a byte short of a header and an end
      {"\x89PNH\r\n\x1A\n" + pngEnd, ImageFormat::Png, false},
      {"\x89PNG\r\n\x1A\n" + pngEnd.substr(0, 11), ImageFormat::Png, false},
      {"<svg>\n</svg>\n\n", ImageFormat::Svg, true},
      {" <svg></svg>", ImageFormat::Svg, false},
      {"<svg></svg> x", ImageFormat::Svg, false},
      {"<svg", ImageFormat::Svg, false},
      {"", ImageFormat::Svg, false},
      {"%PDF-1.5\n%%EOF\r\n", ImageFormat::Pdf, true},
      {"%PDF", ImageFormat::Pdf, false},  // shorter than its end mark
      {"%%EOF\n", ImageFormat::Pdf, false},
  };
  for (const auto& row : rows) EXPECT_EQ(figure::wholeImage(row.image, row.format), row.whole) << row.image;
}

// A map's cells are boxes between the midpoints of their neighbours: geometric ones on a logarithmic axis (each reaching
// 0.2 % of the range into the next), with tics at the powers of ten inside the range, as many as fit side by side.
TEST(MapScript, BoxesAndTicsOfALogarithmicAxis) {
  figure::MapLayer layer{"", {1, 100, 10000}, {0, 1}, {4, 3, 0, 1, 2, 5}, {100, 0}, {{1}, {"1"}}};
  const auto mapOf = [](const figure::MapLayer& of, std::size_t titleLines) { return figure::MapFigure{{"T", true}, {"YORP", false}, {of}, std::vector<std::string>(titleLines, "title"), 25}; };
  const figure::MapFigure map = mapOf(layer, 1);
  const std::string script = figure::mapScript(map, figure::screenPage(figure::ImageFormat::Svg, 1000, 750));
  // T, YORP, the edges of each and delta chi-square.
  EXPECT_NE(script.find("$B0 << EOD\n1 0 0.1 10.280162981264736 -0.5 0.504 4\n1 1 0.1 10.280162981264736 0.5 1.504 3\n100 0 10 1028.0162981264737 -0.5 0.504 0\n"), std::string::npos) << script;
  EXPECT_NE(script.find("set xrange [0.1:1e+05]\nset yrange [-0.5:1.5]"), std::string::npos);
  EXPECT_NE(script.find("set mxtics\nset mytics\nset logscale x\nset xtics (1, 10, 100, 1000, 10000)\nunset logscale y"), std::string::npos);
  EXPECT_NE(figure::mapScript(map, figure::screenPage(figure::ImageFormat::Png, 400, 750)).find("set xtics (10, 1000)\n"), std::string::npos) << "x labels need room side by side";
  // A small page shrinks the text (six times, from 11 points) until the map has room: for its width at 200x150, for the key and
  // the title under and over it at 400x150. A title of 20 lines leaves it 2 to 8 ems at the smallest text, one of 40 none.
  const figure::Page small = figure::screenPage(figure::ImageFormat::Png, 200, 150);
  for (const int width : {200, 400}) EXPECT_NE(figure::mapScript(map, figure::screenPage(figure::ImageFormat::Png, width, 150)).find("font 'DejaVu Sans,5.846'"), std::string::npos) << width;
  EXPECT_TRUE(figure::hasRoom(mapOf(layer, 20), small) && !figure::hasRoom(mapOf(layer, 40), small));
  EXPECT_EQ(script.find("no χ²"), std::string::npos) << "every cell has a chi-square: no key entry for missing ones";
  EXPECT_NE(figure::mapScript(mapOf({"", {1, 100, 10000}, {0, 1}, {4, std::stod("nan"), 0, 1, std::stod("nan"), 5}, {100, 0}, {}}, 1), small).find("\n|no χ² (2 cells)\n"), std::string::npos);
  // The key centred at the foot, off the page's edge; the bottom margin, in whole lines, holds it, a gap of
  // 0.8 em and the tick labels and axis title.
  const std::size_t from = script.find("set object 100 rectangle from screen ") + 37, key = script.find(" to screen ", from);
  const double emUp = figure::emUp(figure::screenPage(figure::ImageFormat::Svg, 1000, 750));
  EXPECT_NEAR(std::stod(script.substr(from)) + std::stod(script.substr(key + 11)), 1, 1e-9);
  EXPECT_NEAR(std::stod(script.substr(script.find(", screen ", from) + 9)) / emUp, 0.4, 1e-9);
  const double keyTop = std::stod(script.substr(script.find(", screen ", key) + 9)) / emUp;
  EXPECT_GE(std::stoi(script.substr(script.find("set bmargin ") + 12)) * figure::kLine, keyTop + 0.8 + 3 * figure::kLine);
  // The map's fifth level has the key's fifth dash, the sixth the first again.
  figure::MapLayer levels = layer;
  levels.contours = {{1, 2, 3, 4, 5, 6}, {"1", "2", "3", "4", "5", "6"}};
  const std::string dashed = figure::mapScript(mapOf(levels, 1), figure::screenPage(figure::ImageFormat::Svg, 1000, 750));
  EXPECT_NE(dashed.find("$C0_4 using 1:2 with lines lw 2 lc rgb \"white\" dt 5 "), std::string::npos) << dashed;
  EXPECT_NE(dashed.find("$C0_5 using 1:2 with lines lw 2 lc rgb \"white\" dt 1 "), std::string::npos);
  const auto heightOf = [&](const char* label) { return dashed.substr(dashed.find(", screen ", dashed.find(label)), 20); };
  EXPECT_EQ(heightOf("set label 605 "), heightOf("set label 601 ")) << "the key in three columns: its fifth entry heads the third";
}

}  // namespace
