#include "process/tool_process.h"

#include <fcntl.h>
#include <malloc.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "process/system_calls.h"

namespace fit {
namespace {

// What a signal handler must clean up: gnuplot while it runs, and the
// temporaries that exist (an empty slot holds ""). Changed only with the
// signals blocked.
constexpr int kMostTemporaries = 8;
constexpr std::size_t kLongestPath = 4096;
char gTemporaries[kMostTemporaries][kLongestPath];
volatile sig_atomic_t gChild = 0;

constexpr int kCleanupSignals[] = {SIGINT, SIGTERM, SIGHUP};

void onSignal(int signal) {
  const pid_t child = gChild;
  if (child > 0) {
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
  }
  for (const char* path : gTemporaries)
    if (path[0] != '\0') unlink(path);
  ::signal(signal, SIG_DFL);
  raise(signal);  // delivered once the handler returns: the process ends by the signal
}

class SignalsBlocked {
 public:
  SignalsBlocked() {
    sigset_t set;
    sigemptyset(&set);
    for (const int s : kCleanupSignals) sigaddset(&set, s);
    sigprocmask(SIG_BLOCK, &set, &previous_);
  }
  ~SignalsBlocked() { sigprocmask(SIG_SETMASK, &previous_, nullptr); }
  SignalsBlocked(const SignalsBlocked&) = delete;
  SignalsBlocked& operator=(const SignalsBlocked&) = delete;

 private:
  sigset_t previous_;
};

}  // namespace

void startTool() {
  // Large blocks (the chi-square cube) always in mappings of their own: freed
  // or shrunk, they go back to the system at once, and pages never touched
  // cost nothing. glibc would otherwise raise this threshold after the first
  // such free and serve later large blocks from the heap.
  mallopt(M_MMAP_THRESHOLD, 128 * 1024);
  for (int descriptor = 0; descriptor <= 2; ++descriptor) {
    if (fcntl(descriptor, F_GETFD) != -1 || errno != EBADF) continue;
    // The lowest free descriptor: this one, as the lower ones are taken.
    const int opened = open("/dev/null", O_RDONLY);
    if (opened > descriptor) {
      dup2(opened, descriptor);
      close(opened);
    }
  }
  signal(SIGXFSZ, SIG_IGN);
  struct sigaction action {};
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  for (const int s : kCleanupSignals) sigaddset(&action.sa_mask, s);
  // A signal ignored from the start (nohup) stays ignored.
  for (const int s : kCleanupSignals) {
    struct sigaction previous {};
    if (sigaction(s, nullptr, &previous) == 0 && previous.sa_handler != SIG_IGN) sigaction(s, &action, nullptr);
  }
}

int holdTemporary(const std::string& path) {
  SignalsBlocked blocked;
  if (path.size() >= kLongestPath) return -1;
  for (int slot = 0; slot < kMostTemporaries; ++slot) {
    if (gTemporaries[slot][0] != '\0') continue;
    std::memcpy(gTemporaries[slot], path.c_str(), path.size() + 1);
    return slot;
  }
  return -1;
}

void releaseTemporary(int slot) {
  SignalsBlocked blocked;
  if (slot >= 0 && slot < kMostTemporaries) gTemporaries[slot][0] = '\0';
}

void setRunningChild(pid_t child) {
  SignalsBlocked blocked;
  gChild = child;
}

std::string gnuplotPath() {
  const char* path = std::getenv("PATH");
  std::string_view folders = path != nullptr ? path : "/usr/bin:/bin";
  for (;;) {
    const auto colon = folders.find(':');
    const std::string folder(folders.substr(0, colon));
    const std::string program = (folder.empty() ? "." : folder) + "/gnuplot";
    if (access(program.c_str(), X_OK) == 0) return program;
    if (colon == std::string_view::npos) return {};
    folders.remove_prefix(colon + 1);
  }
}

int fail(std::string_view program, std::string_view message) {
  std::string line(program);
  line.append(": ").append(message).append("\n");
  (void)writeAll(2, line);
  return 1;
}

std::string visible(std::string_view text) {
  std::string out;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte != 0x7f) {
      out += c;
    } else {
      const char* named = c == '\t' ? "\\t" : c == '\n' ? "\\n" : c == '\r' ? "\\r" : nullptr;
      const char* digits = "0123456789ABCDEF";
      out += named != nullptr ? std::string(named) : std::string{'\\', 'x', digits[byte >> 4], digits[byte & 15]};
    }
  }
  return out;
}

std::string shownName(std::string_view name) { return "'" + visible(name) + "'"; }

bool positiveNumbers(std::string_view text, std::vector<double>& values, std::vector<std::string>& texts) {
  values.clear();
  texts.clear();
  for (;;) {
    const auto comma = text.find(',');
    std::string_view item = text.substr(0, comma);
    while (!item.empty() && item.front() == ' ') item.remove_prefix(1);
    while (!item.empty() && item.back() == ' ') item.remove_suffix(1);
    double value = 0;
    const auto [end, error] = std::from_chars(item.data(), item.data() + item.size(), value);
    if (item.empty() || error != std::errc{} || end != item.data() + item.size() || !std::isfinite(value) ||
        !(value > 0))
      return false;
    values.push_back(value);
    texts.emplace_back(item);
    if (comma == std::string_view::npos) return true;
    text.remove_prefix(comma + 1);
  }
}

}  // namespace fit
