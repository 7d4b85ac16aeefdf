// What the tools say on standard error, one line each, apart by kind: the
// failure that ends a run, and warnings and notes that do not. Names and
// lines of input in them are made visible first.
#pragma once

#include <string>
#include <string_view>

#include "process/failure.h"

namespace process {

// An output or input named "-": standard output, or standard input.
inline constexpr std::string_view kStandardStream = "-";
// What messages and titles call an input named "-".
inline constexpr std::string_view kStandardInputName = "standard input";

// The name that begins every line ("chi2map-fit"); set by startTool.
void setProgram(std::string_view program);

// "PROGRAM: WHY"; the failure's exit status.
[[nodiscard]] int report(const Failure& failure);

// "PROGRAM: warning: TEXT": something the result leaves out or may get wrong.
void warn(std::string_view text);

// "PROGRAM: note: TEXT": how to read the result.
void note(std::string_view text);

// The text with its control characters, and the bytes that are no part of
// a UTF-8 character, shown as escapes (\t, \n, \r, \xHH), so that a name or a
// line of input is one visible line, and a figure with it valid UTF-8 (an
// SVG that is not would not be drawn at all).
[[nodiscard]] std::string visible(std::string_view text);
// A name for a message: 'NAME', made visible.
[[nodiscard]] std::string shownName(std::string_view name);
// An input for a message: standard input for "-", else shownName.
[[nodiscard]] std::string shownInput(std::string_view name);

}  // namespace process
