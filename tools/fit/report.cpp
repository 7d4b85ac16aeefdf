#include "tools/fit/report.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <string_view>

#include "tools/fit/chi2map_output.h"
#include "tools/fit/numbers.h"

namespace fit {
namespace {

std::string_view whyNoProfile(ParameterFit::Status status) {
  switch (status) {
    case ParameterFit::Status::SingleValue:
      return "a single value in quorvi.res";
    case ParameterFit::Status::GridNotNumbers:
      return "its grid values are not numbers";
    case ParameterFit::Status::NoChiSquare:
      return "no chi-square";
    case ParameterFit::Status::Fitted:
      break;
  }
  return {};
}

std::string boundText(const Bound& bound) { return shortText(bound.value) + (bound.open ? " (open)" : ""); }

std::string padded(std::string text, std::size_t width) {
  if (text.size() < width) text.append(width - text.size(), ' ');
  return text;
}

std::string jsonNumber(double value) {
  // JSON has no NaN or infinity.
  return std::isfinite(value) ? exactText(value) : "null";
}

std::string_view jsonBool(bool value) { return value ? "true" : "false"; }

}  // namespace

std::string fitText(const FitReport& report) {
  std::string out = "smallest chi-square " + shortText(report.chi2Smallest) + " at ";
  std::size_t bestWidth = 4;
  bool anyOpen = false;
  for (std::size_t p = 0; p < 3; ++p) {
    const ParameterFit& parameter = report.parameters[p];
    out += std::string(kParameterNames[p]) + " = " + shortText(parameter.best) + (p < 2 ? ", " : "\n\n");
    bestWidth = std::max(bestWidth, shortText(parameter.best).size());
    anyOpen = anyOpen || (parameter.status == ParameterFit::Status::Fitted && (parameter.lower.open || parameter.upper.open));
  }
  out += padded("parameter", 16) + padded("best", bestWidth + 3) + "1-sigma interval (delta chi-square <= 1)\n";
  for (std::size_t p = 0; p < 3; ++p) {
    const ParameterFit& parameter = report.parameters[p];
    out += padded(std::string(kParameterNames[p]), 16) + padded(shortText(parameter.best), bestWidth + 3);
    if (parameter.status == ParameterFit::Status::Fitted)
      out += boundText(parameter.lower) + " .. " + boundText(parameter.upper) + "\n";
    else
      out += "no profile: " + std::string(whyNoProfile(parameter.status)) + "\n";
  }
  if (anyOpen) out += "(open: still within 1 of the minimum at the last grid value with a chi-square)\n";
  return out;
}

std::string fitJson(const FitReport& report) {
  std::string out = "{\n  \"chi2_min\": " + jsonNumber(report.chi2Smallest) + ",\n  \"parameters\": [\n";
  for (std::size_t p = 0; p < 3; ++p) {
    const ParameterFit& parameter = report.parameters[p];
    const bool fitted = parameter.status == ParameterFit::Status::Fitted;
    out += "    {\"name\": \"" + std::string(kParameterNames[p]) + "\", \"best\": " + jsonNumber(parameter.best);
    if (fitted) {
      out += ", \"low\": " + jsonNumber(parameter.lower.value) + ", \"low_open\": " + std::string(jsonBool(parameter.lower.open)) +
             ", \"high\": " + jsonNumber(parameter.upper.value) +
             ", \"high_open\": " + std::string(jsonBool(parameter.upper.open)) + ", \"no_profile\": null}";
    } else {
      out += ", \"low\": null, \"low_open\": false, \"high\": null, \"high_open\": false, \"no_profile\": \"" +
             std::string(whyNoProfile(parameter.status)) + "\"}";
    }
    out += p < 2 ? ",\n" : "\n";
  }
  out += "  ]\n}\n";
  return out;
}

std::string intervalHeading(const ParameterFit& parameter) {
  if (parameter.status != ParameterFit::Status::Fitted)
    return shortText(parameter.best) + ", no profile: " + std::string(whyNoProfile(parameter.status));
  return shortText(parameter.best) + "  [" + boundText(parameter.lower) + ", " + boundText(parameter.upper) + "]";
}

}  // namespace fit
