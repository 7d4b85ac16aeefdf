// What both tools do with their command lines around CLI11: the words CLI11
// leaves ("--", an unknown option, a second input), the usage error as one
// line, and --help and --version answered on standard output.
#pragma once

#include <functional>
#include <string>

#include <CLI/CLI.hpp>

namespace fit {

struct CommandLine {
  const char* program;   // "chi2map-fit"
  const char* helpHint;  // how to list the options, for a usage error
  const char* inputs;    // what the positional argument is, plural: "inputs"
  const char* help;
};

// Exit status of a usage error.
inline constexpr int kUsage = 2;

// One line "PROGRAM: MESSAGE (HINT)" on standard error; kUsage.
int usageError(const CommandLine& line, const std::string& message);

// Before a tool adds its options: an option given twice takes the last
// value, as command-line tools go, and -h, --help and --version set the flags.
void prepareApp(CLI::App& app, bool& help, bool& version);

// Parses argv with `app`, prepared so, whose one positional option is `input`. -1 when the run goes on; otherwise the
// exit status, after a usage error or after the help or version was written.
int parseCommandLine(const CommandLine& line, CLI::App& app, int argc, char** argv, const std::string& input,
                     const bool& help, const bool& version);

// Runs the tool's body: a failure to allocate memory, anywhere, is one line
// and exit status 1.
int runTool(const char* program, const std::function<int()>& body);

}  // namespace fit
