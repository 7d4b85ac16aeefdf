// The companion tools' defaults, in one place: their help texts, their
// options and their figures take them from here.
#pragma once

namespace defaults {

// chi2map-plot's contours, in delta chi-square: 68.3, 95.4 and 99.73 % for
// two parameters (chi2map-fit computes its own from the levels).
inline constexpr const char* kContourLevels = "2.30,6.18,11.83";
// chi2map-fit's intervals, in sigma of one parameter.
inline constexpr const char* kSigmas = "1";
// chi2map-fit's contours, in sigma of two parameters, when no level is given.
inline constexpr double kContourSigmas[] = {1, 2, 3};
// The credible intervals of the marginals, in sigma (68.27, 95.45 and 99.73 %).
inline constexpr double kCredibleSigmas[] = {1, 2, 3};
// The top of the colour scale of a map, in delta chi-square, so that the
// confidence region is not one flat colour.
inline constexpr double kColourCap = 25;

// Pixels of a map, and the side of the corner figure (a PDF at 100 pixels
// an inch: its fonts are sized for 8 inches).
inline constexpr int kMapWidth = 1000;
inline constexpr int kMapHeight = 750;
inline constexpr int kCornerSide = 1200;
inline constexpr int kCornerPdfSide = 800;

// A figure for print (--size): its width in inches for a journal's column
// and page, the height of a map against its width, and a PNG's pixels an inch.
inline constexpr double kColumnInches = 3.5;
inline constexpr double kPageInches = 7;
inline constexpr double kMapAspect = 0.75;
inline constexpr int kPrintDpi = 300;
// The largest side of a figure for print, in inches.
inline constexpr double kLargestInches = 20;

// Where the figures go when no name is given.
inline constexpr const char* kCornerFigure = "fit.png";
inline constexpr const char* kMapFigure = "map.png";
inline constexpr const char* kTableImage = "table.png";

}  // namespace defaults
