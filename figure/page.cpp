#include "figure/page.h"

#include <algorithm>
#include <cmath>

#include "fit/numbers.h"

namespace figure {
namespace {

constexpr double kPointsAnInch = 72;
// pngcairo draws a point of text as 1/96 inch at a font scale of 1.
constexpr double kPngDpi = 96;
// gnuplot's SVG and PDF at the screen size: pixels an inch.
constexpr double kScreenDpi = 100;
// The screen figures' fonts as gnuplot is given them; pdfcairo draws a
// font's point as 2/3 of a point (its font scale of 0.5 in 1/96 inch).
constexpr double kScreenFont = 11;
constexpr double kScreenPdfFont = 8;
constexpr double kPdfPointsAFontPoint = 2.0 / 3.0;
// Text for print: a point an inch of width, within these.
constexpr double kSmallestPrintPoints = 5;
constexpr double kLargestPrintPoints = 10;

std::string font(double size) { return " noenhanced font 'DejaVu Sans," + fit::generalText(size, 4) + "'"; }

}  // namespace

Page screenPage(ImageFormat format, int width, int height) {
  const double w = width, h = height;
  switch (format) {
    case ImageFormat::Png: return {format, w / kPngDpi, h / kPngDpi, kScreenFont, kPngDpi};
    case ImageFormat::Svg:
      return {format, w / kScreenDpi, h / kScreenDpi, kScreenFont * kPointsAnInch / kScreenDpi, kScreenDpi};
    case ImageFormat::Pdf: break;
  }
  return {format, w / kScreenDpi, h / kScreenDpi, kScreenPdfFont * kPdfPointsAFontPoint, kScreenDpi};
}

Page printPage(ImageFormat format, double width, double height, int dpi) {
  const double points = std::clamp(width, kSmallestPrintPoints, kLargestPrintPoints);
  switch (format) {
    case ImageFormat::Png: return {format, width, height, points, double(dpi), dpi / kPngDpi * points / kScreenFont};
    // gnuplot's SVG has no scale for its marks.
    case ImageFormat::Svg: return {format, width, height, points, kScreenDpi, 1};
    case ImageFormat::Pdf: break;
  }
  // pdfcairo draws marks of a fixed size whatever the page's.
  return {format, width, height, points, kScreenDpi, points / kScreenFont};
}

std::string terminalOf(const Page& page) {
  const auto pixels = [&](double inches) { return std::to_string(std::lround(inches * page.dpi)); };
  const std::string size = pixels(page.width) + "," + pixels(page.height);
  switch (page.format) {
    case ImageFormat::Png: {
      if (page.dpi == kPngDpi) return "pngcairo size " + size + font(page.points);
      const std::string marks = fit::generalText(page.marks, 3);
      return "pngcairo size " + size + font(page.points) + " fontscale " + fit::exactText(page.dpi / kPngDpi) +
             " linewidth " + marks + " pointscale " + marks;
    }
    case ImageFormat::Svg:
      return "svg size " + size + font(page.points * page.dpi / kPointsAnInch) + " background '#ffffff'";
    case ImageFormat::Pdf: break;
  }
  std::string terminal = "pdfcairo size " + fit::exactText(page.width) + "in," + fit::exactText(page.height) + "in" +
                         font(page.points / kPdfPointsAFontPoint);
  if (page.marks != 1) terminal += " pointscale " + fit::generalText(page.marks, 3);
  return terminal;
}

Page shrunk(const Page& page) {
  Page smaller = page;
  smaller.points *= kShrink;
  // Marks keep their size against the text.
  smaller.marks *= kShrink;
  return smaller;
}

double emAcross(const Page& page) { return page.points / (kPointsAnInch * page.width); }
double emUp(const Page& page) { return page.points / (kPointsAnInch * page.height); }

}  // namespace figure
