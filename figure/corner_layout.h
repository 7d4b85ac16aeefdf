// Where the corner figure's parts lie, worked out from its page and its
// texts: the panels, the bands between their rows for the diagonal titles,
// the tick labels each side can hold, the axis titles, and in the empty
// upper right the notes, the colour bar and the key. Distances are worked
// out in ems of the page's text and placed in gnuplot's screen fractions.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "figure/gnuplot_script.h"
#include "figure/key.h"
#include "figure/page.h"

namespace figure {

// Where gnuplot puts tick labels, in ems: from an x axis to their top, from
// a y axis to their right end, from a y2 axis to their left end.
inline constexpr double kXTickOut = 0.6;
inline constexpr double kYTickOut = 0.7;
inline constexpr double kY2TickOut = 1.1;

// A rectangle in screen fractions.
struct Box {
  double left = 0, bottom = 0, right = 0, top = 0;
};

// A line of text: the middle of its left end, centre or right end (`align`
// 'l', 'c', 'r') at (x, y), in screen fractions.
struct Placed {
  std::string text{};
  double x = 0, y = 0;
  char align = 'c';
  bool upright = false;  // turned a quarter, reading upwards
  std::string colour{};  // empty: black
};

struct CornerLayout {
  Page page;                                  // as given, or with smaller text where it has no room
  std::array<double, 2> em{};                 // an em across and up, in screen fractions
  std::array<std::array<Box, 3>, 3> panels;   // by row and column
  std::array<bool, 3> drawn{};                // the axes of two or more values
  std::array<std::vector<double>, 3> xTicks;  // labelled under the lowest panel of each column
  std::array<std::vector<double>, 3> yTicks;  // left of the first map of each row
  std::array<std::vector<double>, 3> diagonalTicks;
  double diagonalTop = 0;     // of the diagonal panels' scale
  std::vector<Placed> texts;  // the titles, the axis titles, the notes
  bool colourBar = false;
  Box bar;
  std::vector<double> barTicks;
  Key key;
  std::array<double, 2> keyAt{};  // its top left corner
};

// The levels drawn across the profiles: every input's, each once.
[[nodiscard]] std::vector<double> profileLevels(const CornerFigure& corner);

[[nodiscard]] CornerLayout cornerLayout(const CornerFigure& corner, const Page& page);

// Whether the layout's panels keep kNarrowestMap ems a side: on a page too
// small for the figure they do not, even at the smallest text.
[[nodiscard]] bool hasRoom(const CornerLayout& layout);

// The lowest row of `column` and the leftmost column of `row` that are drawn:
// where their tick labels and titles go.
[[nodiscard]] std::size_t lowestRow(const std::array<bool, 3>& drawn, std::size_t column);
[[nodiscard]] std::size_t firstColumn(const std::array<bool, 3>& drawn, std::size_t row);

}  // namespace figure
