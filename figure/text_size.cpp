#include "figure/text_size.h"

#include <algorithm>
#include <array>

namespace figure {
namespace {

// DejaVu Sans's advances of the characters ' ' to '~', in thousandths of an em.
constexpr std::array<short, 95> kAdvances = {
    318, 401, 460, 838, 636, 950, 780, 275, 390, 390, 500, 838, 318, 361,  318, 337, 636, 636, 636,
    636, 636, 636, 636, 636, 636, 636, 337, 337, 838, 838, 838, 531, 1000, 684, 686, 698, 770, 632,
    575, 775, 752, 295, 295, 656, 557, 863, 748, 787, 603, 787, 695, 635,  611, 732, 684, 989, 685,
    611, 685, 390, 337, 390, 838, 500, 500, 613, 635, 550, 635, 615, 352,  635, 634, 278, 278, 579,
    278, 974, 634, 612, 635, 635, 411, 521, 392, 634, 592, 818, 592, 592,  525, 636, 337, 636, 838};

constexpr std::string_view kEllipsis = "...";

bool continuesCharacter(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// Whether the blank at `at` joins a name to its value ("T = 575").
bool joins(std::string_view text, std::size_t at) {
  const std::size_t next = text.find_first_not_of(' ', at);
  return (at > 0 && text[at - 1] == '=') || (next != std::string_view::npos && text[next] == '=');
}

// The words of `text`, a text in parentheses or a name with its value kept
// as one ("(1 sigma)", "T = 575").
std::vector<std::string_view> groupsOf(std::string_view text) {
  std::vector<std::string_view> groups;
  std::size_t start = std::string_view::npos;
  int depth = 0;
  for (std::size_t at = 0; at <= text.size(); ++at) {
    const char c = at < text.size() ? text[at] : ' ';
    if (c == ' ' && depth == 0 && start != std::string_view::npos && (at == text.size() || !joins(text, at))) {
      groups.push_back(text.substr(start, at - start));
      start = std::string_view::npos;
    } else if (c != ' ' && start == std::string_view::npos) {
      start = at;
    }
    // A ")" with no "(" before it (the end of a unit cut from its start)
    // closes nothing.
    depth = std::max(0, depth + (c == '(' ? 1 : c == ')' ? -1 : 0));
  }
  return groups;
}

}  // namespace

double widthOf(std::string_view text) {
  double width = 0;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= ' ' && byte <= '~')
      width += kAdvances[byte - ' '] / 1000.0;
    else if (!continuesCharacter(c))
      width += 1;
  }
  return width;
}

std::string shortened(std::string_view text, double width) {
  if (widthOf(text) <= width) return std::string(text);
  std::size_t keep = text.size();
  while (keep > 0 && (keep == text.size() || continuesCharacter(text[keep]) ||
                      widthOf(text.substr(0, keep)) + widthOf(kEllipsis) > width))
    --keep;
  return std::string(text.substr(0, keep)) + std::string(kEllipsis);
}

std::vector<std::string> wrapped(std::string_view text, double width) {
  std::vector<std::string> lines;
  std::string line;
  const auto add = [&](std::string_view word) {
    if (!line.empty() && widthOf(line) + widthOf(" ") + widthOf(word) <= width) {
      line += " " + std::string(word);
      return;
    }
    if (!line.empty()) lines.push_back(line);
    line = shortened(word, width);
  };
  for (const std::string_view group : groupsOf(text)) {
    if (widthOf(group) <= width) {
      add(group);
      continue;
    }
    for (std::size_t at = 0; at < group.size();) {
      const std::size_t end = std::min(group.find(' ', at), group.size());
      add(group.substr(at, end - at));
      at = end + 1;
    }
  }
  if (!line.empty() || lines.empty()) lines.push_back(line);
  return lines;
}

}  // namespace figure
