// Runs the real chi2map binary in the current directory, as every test that
// runs it does: through launcher_helper, which measures the program alone.
#pragma once

#include <sys/resource.h>
#include <sys/types.h>

#include <optional>
#include <string>

namespace fake {

struct Launch {
  std::optional<std::string> reply = "1\n";  // standard input; nullopt: descriptor 0 closed
  bool closedOutput = false;                 // descriptor 1 closed: nothing is captured
  bool closedError = false;                  // descriptor 2 closed
  mode_t umask = 022;
  bool unprivileged = false;  // as uid/gid 65534 when the tests run as root
  rlim_t fileSizeLimit = RLIM_INFINITY;
  int timeoutSeconds = 30;
};

struct Outcome {
  int status = -1;  // exit status, or 1000 + the number of the signal that ended it
  std::string out, err;
  long peakKb = 0;  // the program's own peak resident memory
  double seconds = 0;
  bool timedOut = false;  // killed at the end of its time
};

Outcome runChi2map(const Launch& launch);

}  // namespace fake
