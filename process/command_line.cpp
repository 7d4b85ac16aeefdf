#include "process/command_line.h"

#include <charconv>
#include <cmath>
#include <new>

#include "process/messages.h"
#include "process/system_calls.h"
#include "process/tool_process.h"

namespace process {

namespace {

// A check that refuses an empty text as `what`; `name` stands for the text in CLI11's messages.
CLI::Validator refusingEmpty(const std::string& what, const std::string& name) {
  return {[what](const std::string& text) { return text.empty() ? what : std::string(); }, name};
}

}  // namespace

const CLI::Validator& outputName() {
  static const CLI::Validator validator = refusingEmpty("an empty file name", "FILE");
  return validator;
}

const CLI::Validator& givenValue() {
  static const CLI::Validator validator = refusingEmpty("an empty value", "VALUE");
  return validator;
}

Failure usage(const CommandLine& line, const std::string& message) {
  return Failure(message + " (" + line.helpHint + ")", kUsage);
}

namespace {

Failure parseCommandLine(const CommandLine& line, CLI::App& app, int argc, char** argv, const std::string& input) {
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    std::string message = error.what();
    for (char& c : message) {
      if (c == '\n') c = ' ';
    }
    return usage(line, message);
  }
  for (const std::string& extra : app.remaining()) {
    if (extra == "--") continue;
    if (extra.size() > 1 && extra[0] == '-') return usage(line, "unknown option " + extra);
    return usage(line, std::string("more than one ") + line.inputs + " given ('" + input + "', '" + extra + "')");
  }
  return {};
}

Failure answer(const CommandLine& line, bool help) {
  const std::string text = help ? line.help : std::string(line.program) + " " CHI2MAP_VERSION "\n";
  return writeAll(1, text).after("cannot write to standard output: ");
}

Failure parseAndRun(const CommandLine& line, int argc, char** argv, const CommonOptions& common,
                    const std::function<void(CLI::App&)>& addOptions, const std::function<Failure()>& run) {
  CLI::App app;
  app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  app.set_help_flag();
  app.add_flag("-h,--help", common.help);
  app.add_flag("--version", common.version);
  addOptions(app);
  app.allow_extras();
  if (Failure failure = parseCommandLine(line, app, argc, argv, common.input)) return failure;
  if (common.help || common.version) return answer(line, common.help);
  return run();
}

}  // namespace

std::string filledIn(std::string_view text, std::initializer_list<std::pair<std::string_view, std::string>> values) {
  std::string out(text);
  for (const auto& [name, value] : values)
    for (std::size_t at; (at = out.find(name)) != std::string::npos;) out.replace(at, name.size(), value);
  return out;
}

int runTool(const CommandLine& line, int argc, char** argv, const CommonOptions& common,
            const std::function<void(CLI::App&)>& addOptions, const std::function<Failure()>& run) {
  startTool(line.program);
  try {
    const Failure failure = parseAndRun(line, argc, argv, common, addOptions, run);
    return failure ? report(failure) : 0;
  } catch (const std::bad_alloc&) {
    return report(Failure("not enough memory"));
  }
}

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

}  // namespace process
