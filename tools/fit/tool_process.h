// What the companion tools share as processes: their standard descriptors,
// their output files (written whole or not at all, even when interrupted),
// gnuplot run with its output captured, and one-line failures.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace fit {

// Called first thing: a standard descriptor the process started without is
// taken by /dev/null opened read-only, so that no file the tool opens lands
// there and a write meant for standard output or error fails (EBADF) and is
// reported instead of going into that file. SIGINT, SIGTERM and SIGHUP (unless
// ignored from the start) then end gnuplot and remove every partial file
// before the process ends by the signal.
void startTool();

// Whether PATH has a gnuplot to run, so that a figure is refused before
// anything is read or printed.
[[nodiscard]] bool gnuplotFound();

// All of `text` to the descriptor; 0 or the error number.
[[nodiscard]] int writeAll(int descriptor, std::string_view text);

// "PROGRAM: MESSAGE\n" on standard error; returns 1, the exit status of a failure.
int fail(std::string_view program, std::string_view message);

// The text with its control characters shown as escapes (\t, \n, \r, \xHH),
// so that a name or a line of input is one visible line.
[[nodiscard]] std::string visible(std::string_view text);
// A name for a message: 'NAME', made visible.
[[nodiscard]] std::string shownName(std::string_view name);

// Why `path` cannot be written as a new file (its folder missing, not a
// folder, not writable, or the path a folder); empty when it can.
[[nodiscard]] std::string unwritable(const std::string& path);

// Whether the two paths name one existing file.
[[nodiscard]] bool sameFile(const std::string& a, const std::string& b);

// Writes `text` to `path` through a partial file beside it, renamed into
// place when complete; empty, or why not.
[[nodiscard]] std::string writeFileWhole(const std::string& path, std::string_view text);

// Runs gnuplot on `script`, which writes its figure to `partial`, then moves
// that into `output`. Empty, or one line on why there is no figure (gnuplot's
// own messages summed up, never passed on raw); nothing is left at `output`'s
// partial name either way.
[[nodiscard]] std::string drawWithGnuplot(const std::string& script, const std::string& partial,
                                          const std::string& output);

// The partial name of an output: a hidden name beside it.
[[nodiscard]] std::string partialName(const std::string& output);

// A list of positive numbers ("2.30,6.18,11.83"); false when an item is no
// positive finite number.
[[nodiscard]] bool positiveNumbers(std::string_view text, std::vector<double>& values, std::vector<std::string>& texts);

}  // namespace fit
