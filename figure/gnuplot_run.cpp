#include "figure/gnuplot_run.h"

#include <signal.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "process/messages.h"
#include "process/system_calls.h"
#include "process/tool_process.h"

namespace figure {
namespace {

using process::Failure;
using process::systemCalls;

std::string readAll(int descriptor) {
  std::string text;
  char buffer[65536];
  for (;;) {
    const ssize_t got = process::readSome(descriptor, buffer, sizeof buffer);
    if (got <= 0) return text;
    text.append(buffer, static_cast<std::size_t>(got));
  }
}

// gnuplot's complaint in one line: its last line that names a script line
// (or its last line), without the script's name, control characters shown.
std::string gnuplotComplaint(const std::string& output) {
  std::string chosen, last;
  std::size_t start = 0;
  while (start < output.size()) {
    std::size_t end = output.find('\n', start);
    if (end == std::string::npos) end = output.size();
    std::string line = output.substr(start, end - start);
    start = end + 1;
    if (line.find_first_not_of(" \t^") == std::string::npos) continue;
    if (const auto at = line.find("\" line "); at != std::string::npos && line[0] == '"') line = line.substr(at + 2);
    last = line;
    if (line.rfind("line ", 0) == 0) chosen = line;
  }
  std::string complaint = chosen.empty() ? last : chosen;
  if (complaint.size() > 160) complaint = complaint.substr(0, 160) + "...";
  return process::visible(complaint);
}

// Between fork and exec: only calls that are safe there. The death signal
// is set first, then the parent checked, so that a tool killed in between
// leaves no gnuplot either.
[[noreturn]] void becomeGnuplot(pid_t parent, const char* program, int script, int image, int messages) {
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (getppid() != parent) _exit(127);
  if (dup2(script, 0) < 0 || dup2(image, 1) < 0 || dup2(messages, 2) < 0) _exit(127);
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  // No start-up file of the user's: the figure is the script's alone.
  char* argv[] = {const_cast<char*>("gnuplot"), const_cast<char*>("--default-settings"),
                  const_cast<char*>("/dev/stdin"), nullptr};
  execv(program, argv);
  _exit(127);
}

std::string whyNotDrawn(int status, const std::string& image, ImageFormat format) {
  if (WIFSIGNALED(status)) return "it ended by signal " + std::to_string(WTERMSIG(status));
  if (WEXITSTATUS(status) == 127 && image.empty()) return "it could not be run";
  if (WEXITSTATUS(status) != 0) return "exit status " + std::to_string(WEXITSTATUS(status));
  if (image.empty()) return "it drew nothing";
  if (!wholeImage(image, format)) return "the image it drew is cut short (" + std::to_string(image.size()) + " bytes)";
  return {};
}

// The pipe's read end, with gnuplot running and writing to it.
Failure startGnuplot(const std::string& program, int script, int messages, pid_t& child, int& image) {
  int ends[2];
  if (systemCalls().pipe(ends) != 0) return Failure(std::strerror(errno)).after("it could not be started: ");
  const pid_t parent = getpid();
  child = systemCalls().fork();
  if (child == 0) becomeGnuplot(parent, program.c_str(), script, ends[1], messages);
  const int error = errno;
  (void)systemCalls().close(ends[1]);
  if (child > 0) {
    process::setRunningChild(child);
    image = ends[0];
    return {};
  }
  (void)systemCalls().close(ends[0]);
  return Failure(std::strerror(error)).after("it could not be started: ");
}

// The script in a memory file, read from its start, and one for gnuplot's
// messages.
Failure scriptFiles(const std::string& script, int& input, int& messages) {
  input = systemCalls().memfd("gnuplot-script", MFD_CLOEXEC);
  if (input < 0) return Failure(std::strerror(errno));
  if (Failure failure = process::writeAll(input, script)) return failure;
  if (systemCalls().lseek(input, 0, SEEK_SET) != 0) return Failure(std::strerror(errno));
  messages = systemCalls().memfd("gnuplot-messages", MFD_CLOEXEC);
  if (messages < 0) return Failure(std::strerror(errno));
  return {};
}

// What gnuplot drew once it has ended, or why it is no figure.
Failure collectImage(pid_t child, int pipe, int messages, ImageFormat format, std::string& image) {
  image = readAll(pipe);
  (void)systemCalls().close(pipe);
  int status = 0;
  (void)process::waitForChild(child, status);
  process::setRunningChild(0);
  const std::string why = whyNotDrawn(status, image, format);
  if (why.empty()) return {};
  image.clear();
  // Messages that cannot be read from their start leave the reason alone.
  const std::string complaint =
      systemCalls().lseek(messages, 0, SEEK_SET) == 0 ? gnuplotComplaint(readAll(messages)) : std::string();
  return Failure(why + (complaint.empty() ? "" : "; gnuplot said: " + complaint));
}

}  // namespace

std::string gnuplotPath() {
  const char* path = std::getenv("PATH");
  std::string_view folders = path != nullptr ? path : "/usr/bin:/bin";
  for (;;) {
    const auto colon = folders.find(':');
    const std::string folder(folders.substr(0, colon));
    const std::string program = (folder.empty() ? "." : folder) + "/gnuplot";
    if (systemCalls().access(program.c_str(), X_OK) == 0) return program;
    if (colon == std::string_view::npos) return {};
    folders.remove_prefix(colon + 1);
  }
}

Failure drawWithGnuplot(const std::string& program, const std::string& script, ImageFormat format, std::string& image) {
  int input = -1, messages = -1, pipe = -1;
  pid_t child = 0;
  Failure failure = scriptFiles(script, input, messages).after("it could not be started: ");
  if (!failure) failure = startGnuplot(program, input, messages, child, pipe);
  if (!failure) failure = collectImage(child, pipe, messages, format, image);
  if (input >= 0) (void)systemCalls().close(input);
  if (messages >= 0) (void)systemCalls().close(messages);
  return failure;
}

bool wholeImage(std::string_view image, ImageFormat format) {
  static constexpr char kPngEnd[] = "\0\0\0\0IEND\xAE\x42\x60\x82";
  const std::string_view pngEnd(kPngEnd, sizeof kPngEnd - 1);
  if (format == ImageFormat::Png)
    return image.size() >= 8 + pngEnd.size() && image.substr(0, 4) == "\x89PNG" &&
           image.substr(image.size() - pngEnd.size()) == pngEnd;
  const auto last = image.find_last_not_of(" \t\r\n");
  if (last == std::string_view::npos) return false;
  const std::string_view end = format == ImageFormat::Svg ? "</svg>" : "%%EOF";
  const std::string_view start = format == ImageFormat::Svg ? "<" : "%PDF";
  return image.substr(0, start.size()) == start && last + 1 >= end.size() &&
         image.substr(last + 1 - end.size(), end.size()) == end;
}

}  // namespace figure
