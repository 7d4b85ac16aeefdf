// What the companion tools share as processes: their standard descriptors,
// their signals, the temporaries and the gnuplot that a signal must not
// leave behind, and one-line failures.
#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>
#include <vector>

namespace fit {

// Called first thing: a standard descriptor the process started without is
// taken by /dev/null opened read-only, so that no file the tool opens lands
// there and a write meant for standard output or error fails (EBADF) and is
// reported instead of going into that file. SIGXFSZ is ignored, so a write
// past the file-size limit fails (EFBIG) and is reported. SIGINT, SIGTERM and
// SIGHUP (unless ignored from the start) then end gnuplot and remove every
// temporary before the process ends by the signal.
void startTool();

// A temporary that a signal removes while it is held: a slot for
// releaseTemporary, or -1 when every slot is taken.
[[nodiscard]] int holdTemporary(const std::string& path);
void releaseTemporary(int slot);

// The gnuplot that a signal ends (0: none runs).
void setRunningChild(pid_t child);

// The gnuplot that PATH names, as a path to run; empty when there is none.
[[nodiscard]] std::string gnuplotPath();

// "PROGRAM: MESSAGE\n" on standard error; returns 1, the exit status of a failure.
int fail(std::string_view program, std::string_view message);

// The text with its control characters shown as escapes (\t, \n, \r, \xHH),
// so that a name or a line of input is one visible line.
[[nodiscard]] std::string visible(std::string_view text);
// A name for a message: 'NAME', made visible.
[[nodiscard]] std::string shownName(std::string_view name);

// A list of positive numbers ("2.30,6.18,11.83"); false when an item is no
// positive finite number.
[[nodiscard]] bool positiveNumbers(std::string_view text, std::vector<double>& values, std::vector<std::string>& texts);

}  // namespace fit
