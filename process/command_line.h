// What both tools do with their command lines around CLI11: the words CLI11
// leaves ("--", an unknown option, a second input), the usage error as one
// line, --help and --version answered on standard output, and the run's
// failure, or memory running out anywhere, told as one line.
#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "process/failure.h"

namespace process {

struct CommandLine {
  const char* program;   // "chi2map-fit"
  const char* helpHint;  // how to list the options, for a usage error
  const char* inputs;    // what the positional argument is: "input"
  std::string help;
};

// "MESSAGE (HINT)", exit status kUsage.
Failure usage(const CommandLine& line, const std::string& message);

// The flags every tool has, and its one positional argument.
struct CommonOptions {
  bool& help;
  bool& version;
  const std::string& input;
};

// `text` with each {NAME} of `values` replaced by its value: a help text
// written once, with the defaults it names filled in.
[[nodiscard]] std::string filledIn(std::string_view text,
                                   std::initializer_list<std::pair<std::string_view, std::string>> values);

// A tool's whole life: startTool, its options added to those of every tool
// (an option given twice takes the last value, as command-line tools go;
// -h, --help and --version), the command line parsed (a usage error for what
// CLI11 refuses or leaves), the help or the version answered, or else the
// run. Its failure is told; a failure to allocate memory, anywhere, is one
// line and exit status 1. The exit status.
int runTool(const CommandLine& line, int argc, char** argv, const CommonOptions& common,
            const std::function<void(CLI::App&)>& addOptions, const std::function<Failure()>& run);

// For an option that names a file to write: an empty name (an unset shell
// variable, as in -o "$OUT") is a usage error, not the option left out.
[[nodiscard]] const CLI::Validator& outputName();

// For an option whose empty value would read as the option left out (such as
// --dof "$N" with N unset): a usage error.
[[nodiscard]] const CLI::Validator& givenValue();

// A list of positive numbers ("1,4,9"): the values and their texts
// as given, or false when an item is no positive finite number.
[[nodiscard]] bool positiveNumbers(std::string_view text, std::vector<double>& values, std::vector<std::string>& texts);

}  // namespace process
