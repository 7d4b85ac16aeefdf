#include "process/messages.h"

#include "process/system_calls.h"

namespace process {
namespace {

std::string gProgram;

// A line on standard error; one that cannot be written is lost, as there is
// nowhere left to say so.
void say(std::string_view kind, std::string_view text) {
  std::string line(gProgram);
  line.append(": ").append(kind).append(text).append("\n");
  (void)writeAll(2, line);
}

}  // namespace

void setProgram(std::string_view program) { gProgram = program; }

int report(const Failure& failure) {
  say("", failure.why());
  return failure.status();
}

void warn(std::string_view text) { say("warning: ", text); }

void note(std::string_view text) { say("note: ", text); }

std::string visible(std::string_view text) {
  std::string out;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte != 0x7f) {
      out += c;
    } else {
      const char* named = c == '\t' ? "\\t" : c == '\n' ? "\\n" : c == '\r' ? "\\r" : nullptr;
      const char* digits = "0123456789ABCDEF";
      out += named != nullptr ? std::string(named) : std::string{'\\', 'x', digits[byte >> 4], digits[byte & 15]};
    }
  }
  return out;
}

std::string shownName(std::string_view name) { return "'" + visible(name) + "'"; }

std::string shownInput(std::string_view name) {
  return name == kStandardStream ? std::string(kStandardInputName) : shownName(name);
}

}  // namespace process
