// The gnuplot scripts of the figures: one chi-square map, or the corner
// figure of three maps below the diagonal and three profiles (or marginal
// densities) on it, of one input or several drawn over each other. The data
// travel inside the script as datablocks, so the script is all gnuplot reads
// and can be kept and edited.
//
// Cells are drawn as boxes between the midpoints of their neighbours (their
// geometric midpoints on a logarithmic axis), so a grid of any spacing is
// drawn where its values lie. With several inputs the maps show contour
// lines only, each input in a colour of its own.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "figure/figures.h"
#include "figure/page.h"

namespace figure {

// The format an output name's extension picks (.png, .svg, .pdf, in any
// letter case); PNG for standard output ("-"); empty for any other name.
[[nodiscard]] std::optional<ImageFormat> formatOf(std::string_view output);

// Levels that no cell of the first layer rises above: they draw no contour.
[[nodiscard]] std::vector<std::string> levelsNotReached(const MapFigure& map);

// Whether the figure has room on `page`: its maps keep kNarrowestMap ems a
// side with the text shrunk as the scripts shrink it (page.h). On a page too
// small for it, the scripts would draw maps that are slivers under the
// texts, or that turn inside out and leave the page.
[[nodiscard]] bool hasRoom(const MapFigure& map, const Page& page);
[[nodiscard]] bool hasRoom(const CornerFigure& corner, const Page& page);

// The scripts draw to gnuplot's standard output, or, for a script kept for
// the user, to `keptFor`, the figure's name. Titles and labels travel as
// lines of a datablock, which gnuplot shows as they are: no text of the
// user's is ever part of a command the tools run.
[[nodiscard]] std::string mapScript(const MapFigure& map, const Page& page, std::string_view keptFor = {});
[[nodiscard]] std::string cornerScript(const CornerFigure& corner, const Page& page, std::string_view keptFor = {});

}  // namespace figure
