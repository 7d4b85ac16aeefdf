#include "process/tool_process.h"

#include <fcntl.h>
#include <malloc.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "process/messages.h"

namespace process {
namespace {

// What a signal handler must clean up: gnuplot while it runs, and the
// temporaries that exist (an empty slot holds ""). Changed only with the
// signals blocked.
constexpr int kMostTemporaries = 8;
constexpr std::size_t kLongestPath = 4096;
char gTemporaries[kMostTemporaries][kLongestPath];
volatile sig_atomic_t gChild = 0;

// SIGPIPE still ends the process, as it ends command-line tools, but only
// once the temporaries are gone: a reader of standard output that quits
// early (| head) meets a tool with its files staged.
constexpr int kCleanupSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};

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

void startTool(std::string_view program) {
  setProgram(program);
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

}  // namespace process
