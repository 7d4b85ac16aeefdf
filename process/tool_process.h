// What the companion tools take care of as processes: their standard
// descriptors, their signals, and the temporaries and the gnuplot that a
// signal must not leave behind.
#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>

namespace process {

// Called first thing, with the tool's name for its messages: a standard
// descriptor the process started without is taken by /dev/null opened
// read-only, so that no file the tool opens lands there and a write meant
// for standard output or error fails (EBADF) and is reported instead of
// going into that file. SIGXFSZ is ignored, so a write past the file-size
// limit fails (EFBIG) and is reported. SIGINT, SIGTERM, SIGHUP and SIGPIPE
// (unless ignored from the start) then end gnuplot and remove every
// temporary before the process ends by the signal.
void startTool(std::string_view program);

// A temporary that a signal removes while it is held: a slot for
// releaseTemporary, or -1 when every slot is taken.
[[nodiscard]] int holdTemporary(const std::string& path);
void releaseTemporary(int slot);

// The gnuplot that a signal ends (0: none runs).
void setRunningChild(pid_t child);

}  // namespace process
