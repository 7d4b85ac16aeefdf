#include "process/command_line.h"

#include <cstring>
#include <new>

#include "process/system_calls.h"
#include "process/tool_process.h"

namespace fit {

int usageError(const CommandLine& line, const std::string& message) {
  (void)fail(line.program, message + " (" + line.helpHint + ")");
  return kUsage;
}

void prepareApp(CLI::App& app, bool& help, bool& version) {
  app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  app.set_help_flag();
  app.add_flag("-h,--help", help);
  app.add_flag("--version", version);
}

int parseCommandLine(const CommandLine& line, CLI::App& app, int argc, char** argv, const std::string& input,
                     const bool& help, const bool& version) {
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    std::string message = error.what();
    for (char& c : message) {
      if (c == '\n') c = ' ';
    }
    return usageError(line, message);
  }
  for (const std::string& extra : app.remaining()) {
    if (extra == "--") continue;
    if (extra.size() > 1 && extra[0] == '-') return usageError(line, "unknown option " + extra);
    return usageError(line, std::string("more than one ") + line.inputs + " given ('" + input + "', '" + extra + "')");
  }
  if (!help && !version) return -1;
  const std::string text = help ? std::string(line.help) : std::string(line.program) + " " CHI2MAP_VERSION "\n";
  if (const int error = writeAll(1, text); error != 0) {
    return fail(line.program, std::string("cannot write to standard output: ") + std::strerror(error));
  }
  return 0;
}

int runTool(const char* program, const std::function<int()>& body) {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return fail(program, "not enough memory");
  }
}

}  // namespace fit
