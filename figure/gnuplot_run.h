// gnuplot run as a drawing engine: it reads its script from a memory file and
// draws to a pipe, so that no name and no file of the user's ever reaches it;
// the tool checks what came back before writing a byte of it anywhere.
#pragma once

#include <string>
#include <string_view>

#include "figure/gnuplot_script.h"
#include "process/failure.h"

namespace figure {

// The gnuplot that PATH names, as a path to run; empty when there is none.
[[nodiscard]] std::string gnuplotPath();

// Runs the gnuplot at `program` on `script`, which draws to standard output,
// and gives back the image whole, or why there is none: one line, gnuplot's
// messages summed up. gnuplot never outlives the tool: it is killed when the
// tool dies, by any signal. The image is accepted when gnuplot exited with 0
// and the bytes end as the format's files end.
process::Failure drawWithGnuplot(const std::string& program, const std::string& script, ImageFormat format,
                                 std::string& image);

// Whether `image` is whole: a PNG's end chunk, an SVG's </svg>, a PDF's %%EOF
// trailer, at its end (blanks and line ends after the last two allowed).
[[nodiscard]] bool wholeImage(std::string_view image, ImageFormat format);

}  // namespace figure
