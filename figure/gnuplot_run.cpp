#include "figure/gnuplot_run.h"

#include <signal.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "process/system_calls.h"
#include "process/tool_process.h"

namespace fit {
namespace {

std::string readAll(int descriptor) {
  std::string text;
  char buffer[65536];
  for (;;) {
    const ssize_t got = readSome(descriptor, buffer, sizeof buffer);
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
  return visible(complaint);
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

// The pipe's read end, with gnuplot running and writing to it; -1 with the
// failure set.
int startGnuplot(const std::string& program, int script, int messages, pid_t& child, std::string& failure) {
  int image[2];
  if (toolSystem().pipe(image) != 0) {
    failure = std::string("it could not be started: ") + std::strerror(errno);
    return -1;
  }
  const pid_t parent = getpid();
  child = toolSystem().fork();
  if (child == 0) becomeGnuplot(parent, program.c_str(), script, image[1], messages);
  const int error = errno;
  (void)toolSystem().close(image[1]);
  if (child > 0) {
    setRunningChild(child);
    return image[0];
  }
  (void)toolSystem().close(image[0]);
  failure = std::string("it could not be started: ") + std::strerror(error);
  return -1;
}

}  // namespace

Drawing drawWithGnuplot(const std::string& program, const std::string& script, ImageFormat format) {
  Drawing drawing;
  const int input = memfd_create("gnuplot-script", MFD_CLOEXEC);
  int error = input < 0 ? errno : writeAll(input, script);
  if (error == 0 && lseek(input, 0, SEEK_SET) != 0) error = errno;
  const int messages = error != 0 ? -1 : memfd_create("gnuplot-messages", MFD_CLOEXEC);
  if (error == 0 && messages < 0) error = errno;
  pid_t child = 0;
  const int image = error != 0 ? -1 : startGnuplot(program, input, messages, child, drawing.failure);
  if (error != 0) drawing.failure = std::string("it could not be started: ") + std::strerror(error);
  if (image >= 0) {
    drawing.image = readAll(image);
    (void)toolSystem().close(image);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    setRunningChild(0);
    if (std::string why = whyNotDrawn(status, drawing.image, format); !why.empty()) {
      lseek(messages, 0, SEEK_SET);
      const std::string complaint = gnuplotComplaint(readAll(messages));
      drawing.failure = why + (complaint.empty() ? "" : "; gnuplot said: " + complaint);
      drawing.image.clear();
    }
  }
  if (input >= 0) (void)toolSystem().close(input);
  if (messages >= 0) (void)toolSystem().close(messages);
  return drawing;
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

}  // namespace fit
