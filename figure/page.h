// The page a figure is drawn on: its size and the size of its text on it.
// gnuplot's terminal is made from it, and every distance of a figure's
// layout is worked out from it, so text and room keep their proportions at
// any size.
#pragma once

#include <string>

namespace figure {

enum class ImageFormat { Png, Svg, Pdf };

struct Page {
  ImageFormat format = ImageFormat::Png;
  double width = 0, height = 0;  // inches
  double points = 0;             // the text's size on the page (an em)
  double dpi = 0;                // pixels an inch
  // Lines and marks against gnuplot's own: 1 on the screen; a printed PNG
  // or PDF keeps the screen figure's marks against its text.
  double marks = 1;
};

// A figure for the screen, `width` x `height` pixels: a PNG at 96 pixels an
// inch with 11-point text; an SVG or a PDF at 100 pixels an inch, with the
// text of gnuplot's SVG at 11 pixels and of its PDF at 8 points.
[[nodiscard]] Page screenPage(ImageFormat format, int width, int height);

// A figure for print, `width` x `height` inches: the text from 5 points in
// a narrow figure to 10 in a wide one (a point an inch of width), a PNG at
// `dpi` pixels an inch, an SVG at 100.
[[nodiscard]] Page printPage(ImageFormat format, double width, double height, int dpi);

// gnuplot's terminal drawing `page`: its size, font and the scale of its
// lines and marks.
[[nodiscard]] std::string terminalOf(const Page& page);

// On a page too small for a figure at its text's size, the text shrinks by
// kShrink at a time until the figure's maps keep kLeastMap ems a side, down
// to kSmallestPoints. A page where they keep less than kNarrowestMap even
// then is too small for the figure: its maps would be slivers under its
// texts, or turn inside out.
inline constexpr double kLeastMap = 8;
inline constexpr double kNarrowestMap = 2;
inline constexpr double kShrink = 0.9;
inline constexpr double kSmallestPoints = 3;

// `page` with its text and marks kShrink times smaller.
[[nodiscard]] Page shrunk(const Page& page);

// The text's size in fractions of the page's width and height.
[[nodiscard]] double emAcross(const Page& page);
[[nodiscard]] double emUp(const Page& page);

}  // namespace figure
