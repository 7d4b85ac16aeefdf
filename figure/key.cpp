#include "figure/key.h"

#include <algorithm>

#include "figure/text_size.h"
#include "fit/numbers.h"

namespace figure {
namespace {

// In ems: the room inside the box's edge, the length of a line's sample,
// the room after it and between columns.
constexpr double kPadding = 0.5;
constexpr double kSample = 2;
constexpr double kAfterSample = 0.6;
constexpr double kBetweenColumns = 1.2;

double columnWidth(const Key& key) { return kSample + kAfterSample + key.textWidth; }

std::size_t rowsOf(const Key& key) { return (key.entries.size() + key.columns - 1) / key.columns; }

std::string screen(double x, double y) { return "screen " + fit::exactText(x) + ", screen " + fit::exactText(y); }

// One entry's sample: a line (with a dot), or a square.
std::string sampleOf(const KeyEntry& entry, double left, double y, std::array<double, 2> em, int number) {
  const std::string n = std::to_string(number);
  const std::string colour = " lc rgb '" + entry.colour + "'";
  if (entry.patch)
    return "set object " + n + " rectangle from " + screen(left + 0.5 * em[0], y - 0.4 * em[1]) + " to " +
           screen(left + (kSample - 0.5) * em[0], y + 0.4 * em[1]) + " front fillcolor rgb '" + entry.colour +
           "' fillstyle solid noborder\n";
  std::string out;
  if (entry.dash > 0)
    out += "set arrow " + n + " from " + screen(left, y) + " to " + screen(left + kSample * em[0], y) +
           " nohead front lw " + fit::generalText(entry.width, 3) + " dt " + std::to_string(entry.dash) + colour + "\n";
  if (entry.mark)
    out += "set label " + n + " '' at " + screen(left + kSample / 2 * em[0], y) + " point pt 7 ps 1.2" + colour +
           " front\n";
  return out;
}

}  // namespace

Key contourKey(const std::vector<std::string>& names, const Contours& contours,
               const std::vector<std::string>& leftOut) {
  const bool several = names.size() > 1;
  Key key;
  key.dark = !several;
  for (std::size_t k = 0; several && k < names.size(); ++k)
    key.entries.push_back(
        {.text = names[k], .colour = parts::layerColour(k), .dash = 1, .width = parts::layerWidth(k), .mark = true});
  for (std::size_t l = 0; l < contours.levels.size(); ++l)
    if (std::find(leftOut.begin(), leftOut.end(), contours.texts[l]) == leftOut.end())
      key.entries.push_back({.text = "Δχ² = " + contours.texts[l],
                             .colour = several ? "#404040" : "white",
                             .dash = static_cast<int>(l % 5 + 1)});
  if (!several) key.entries.push_back({.text = "minimum", .colour = parts::kMinimumColour, .mark = true});
  return key;
}

std::array<double, 2> sizeOf(const Key& key) {
  const auto columns = static_cast<double>(key.columns);
  return {2 * kPadding + columns * columnWidth(key) + (columns - 1) * kBetweenColumns,
          2 * kPadding + static_cast<double>(rowsOf(key)) * kLine};
}

void fitTexts(Key& key, double width) {
  key.textWidth = 0;
  for (KeyEntry& entry : key.entries) {
    entry.text = shortened(entry.text, width);
    key.textWidth = std::max(key.textWidth, widthOf(entry.text));
  }
}

std::size_t columnsIn(const Key& key, double width, std::size_t most) {
  std::size_t columns = 1;
  while (columns < most && columns < key.entries.size() &&
         2 * kPadding + static_cast<double>(columns + 1) * (columnWidth(key) + kBetweenColumns) - kBetweenColumns <=
             width)
    ++columns;
  return columns;
}

std::string keyCommands(const Key& key, std::array<double, 2> at, std::array<double, 2> em, int first,
                        parts::Texts& texts) {
  const auto [width, height] = sizeOf(key);
  std::string out = "set object " + std::to_string(first) + " rectangle from " + screen(at[0], at[1] - height * em[1]) +
                    " to " + screen(at[0] + width * em[0], at[1]) + " front fillcolor rgb '" +
                    (key.dark ? "#404040" : "white") + "' fillstyle solid border lc rgb 'black' lw 1\n";
  const std::string textColour = key.dark ? " textcolor rgb 'white'" : "";
  for (std::size_t e = 0; e < key.entries.size(); ++e) {
    const KeyEntry& entry = key.entries[e];
    const double left =
        at[0] + (kPadding + static_cast<double>(e / rowsOf(key)) * (columnWidth(key) + kBetweenColumns)) * em[0];
    const double y = at[1] - (kPadding + (static_cast<double>(e % rowsOf(key)) + 0.5) * kLine) * em[1];
    const int number = first + 1 + static_cast<int>(e);
    out += sampleOf(entry, left, y, em, number);
    out += "set label " + std::to_string(number + 500) + " " + texts(entry.text) + " at " +
           screen(left + (kSample + kAfterSample) * em[0], y) + " left front" + textColour + "\n";
  }
  return out;
}

}  // namespace figure
