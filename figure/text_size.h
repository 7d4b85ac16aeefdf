// How much room a text takes in the figures' font (DejaVu Sans), in ems,
// and texts made to fit a room: broken into lines, or cut short.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace figure {

// The distance from one line of text to the next: the font's ascent and
// descent (1.164 em), rounded up.
inline constexpr double kLine = 1.17;

// The width of `text`: each ASCII character by its advance in the font,
// any other character (χ, ², Δ) as a whole em, so that the estimate of a
// text never falls short of what is drawn.
[[nodiscard]] double widthOf(std::string_view text);

// `text` broken at blanks into lines no wider than `width`, keeping what
// is in parentheses, and a name with its value ("T = 575"), on one line
// where it fits one; a word wider than that is cut short on a line of its own.
[[nodiscard]] std::vector<std::string> wrapped(std::string_view text, double width);

// `text` as it is when it fits in `width`, else cut to fit with "..." at its
// end (never inside a UTF-8 character).
[[nodiscard]] std::string shortened(std::string_view text, double width);

}  // namespace figure
