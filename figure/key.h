// A figure's key drawn by the script itself, not by gnuplot's: its size is
// known before it is drawn, so the layout can give it a place of its own.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "figure/script_parts.h"

namespace figure {

struct KeyEntry {
  std::string text{};
  std::string colour{};  // of its line and mark
  int dash = 0;          // gnuplot's dash type of its line; 0: no line
  double width = 2;      // of its line
  bool mark = false;     // a dot in the middle
  bool patch = false;    // a filled square instead of a line
};

struct Key {
  std::vector<KeyEntry> entries;
  bool dark = false;        // white text on dark grey, as over the colour maps
  std::size_t columns = 1;  // entries fill a column top to bottom, then the next
  double textWidth = 0;     // of the widest entry's text, in ems
};

// The key of contour maps: with several inputs, each one's name in its
// colour; each level's line but those `leftOut` (white over the colours of
// one input, grey under the names of several); with one input, the minimum.
[[nodiscard]] Key contourKey(const std::vector<std::string>& names, const Contours& contours,
                             const std::vector<std::string>& leftOut = {});

// The key's width and height, in ems.
[[nodiscard]] std::array<double, 2> sizeOf(const Key& key);

// The entries' texts cut to `width` ems, and the key's text width set.
void fitTexts(Key& key, double width);

// The columns that fit `width` ems (at most `most`).
[[nodiscard]] std::size_t columnsIn(const Key& key, double width, std::size_t most);

// gnuplot's commands that draw `key` with its top left corner at (`x`,
// `y`), in screen fractions of which an em is `emX` across and `emY` up:
// its box, lines, marks and texts, as objects, arrows and labels from
// number `first` on.
[[nodiscard]] std::string keyCommands(const Key& key, std::array<double, 2> at, std::array<double, 2> em, int first,
                                      parts::Texts& texts);

}  // namespace figure
