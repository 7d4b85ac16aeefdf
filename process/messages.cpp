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

// The length of the UTF-8 character at the start of `text` (from 0x80 on:
// two to four bytes, none overlong, no surrogate, nothing past U+10FFFF);
// 0 for a byte that begins none, and for a C1 control (U+0080 to U+009F),
// which a terminal may take for the start of a command.
std::size_t characterLength(std::string_view text) {
  const auto byte = [&text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(0);
  std::size_t length = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
  }
  if (length == 0 || text.size() < length) return 0;
  const unsigned char low = lead == 0xC2 || lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
  const unsigned char high = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
  if (byte(1) < low || byte(1) > high) return 0;
  for (std::size_t i = 2; i < length; ++i)
    if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
  return length;
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
  for (std::size_t at = 0; at < text.size();) {
    const char c = text[at];
    const auto byte = static_cast<unsigned char>(c);
    const std::size_t length = byte < 0x80 ? 1 : characterLength(text.substr(at));
    if (length > 1 || (byte >= 0x20 && byte < 0x7f)) {
      out += text.substr(at, length);
      at += length;
      continue;
    }
    const char* named = c == '\t' ? "\\t" : c == '\n' ? "\\n" : c == '\r' ? "\\r" : nullptr;
    const char* digits = "0123456789ABCDEF";
    out += named != nullptr ? std::string(named) : std::string{'\\', 'x', digits[byte >> 4], digits[byte & 15]};
    ++at;
  }
  return out;
}

std::string shownName(std::string_view name) { return "'" + visible(name) + "'"; }

std::string shownInput(std::string_view name) {
  return name == kStandardStream ? std::string(kStandardInputName) : shownName(name);
}

}  // namespace process
