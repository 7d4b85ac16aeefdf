#include "fit/report.h"

#include <algorithm>
#include <cmath>
#include <nlohmann/json.hpp>

#include "fit/numbers.h"

namespace fit {
namespace {

std::string padded(std::string text, std::size_t width) {
  if (text.size() < width) text.append(width - text.size(), ' ');
  return text;
}

std::string rangeText(const Range& range, int decimals) {
  return fixedText(range.low, decimals) + (range.lowOpen ? " (open)" : "") + " .. " + fixedText(range.high, decimals) +
         (range.highOpen ? " (open)" : "");
}

std::string rangesText(const Interval& interval, int decimals) {
  std::string out;
  for (const Range& range : interval.ranges) out += (out.empty() ? "" : ", ") + rangeText(range, decimals);
  return out;
}

std::string levelText(double delta) { return shortText(delta) + " (" + shortText(std::sqrt(delta)) + " sigma)"; }

nlohmann::ordered_json number(double value) {
  // JSON has no NaN; nlohmann writes the shortest text that reads back.
  if (!std::isfinite(value)) return nullptr;
  return value + 0.0;
}

}  // namespace

std::string fitText(const FitReport& report) {
  const GridFit& fit = report.fit;
  std::array<int, 3> decimals{};
  for (const Parameter a : datafiles::kParameters) decimals[a] = gridDecimals(report.grid.axes[a]);
  std::string out = "smallest chi-square " + exactText(fit.smallestChiSquare) + " at ";
  for (const Parameter a : datafiles::kParameters)
    out += std::string(datafiles::kLongNames[a]) + " = " + fixedText(fit.parameters[a].best, decimals[a]) +
           (a < 2 ? ", " : "\n");
  out += std::to_string(report.grid.records) + " records; grid of " + std::to_string(report.grid.size(kT)) + " T, " +
         std::to_string(report.grid.size(kYorp)) + " YORP strength and " + std::to_string(report.grid.size(kFke)) +
         " f_KE values\n\n";
  std::size_t bestWidth = 4;
  for (const Parameter a : datafiles::kParameters)
    bestWidth = std::max(bestWidth, fixedText(fit.parameters[a].best, decimals[a]).size());
  out += padded("parameter", 16) + padded("best", bestWidth + 3) + padded("delta chi-square", 20) + "range\n";
  bool anyOpen = false;
  for (const Parameter a : datafiles::kParameters) {
    const ParameterFit& parameter = fit.parameters[a];
    std::string lead =
        padded(datafiles::kLongNames[a], 16) + padded(fixedText(parameter.best, decimals[a]), bestWidth + 3);
    if (report.grid.size(a) == 1) {
      out += lead + "a single value: no range\n";
      continue;
    }
    for (const Interval& interval : parameter.intervals) {
      out += lead + padded(levelText(interval.deltaChiSquare), 20) + rangesText(interval, decimals[a] + 2) + "\n";
      lead = std::string(lead.size(), ' ');
      for (const Range& range : interval.ranges) anyOpen = anyOpen || range.lowOpen || range.highOpen;
    }
  }
  if (anyOpen)
    out += "(open: the profile is still within the level at the grid's edge or next to a missing chi-square)\n";
  return out;
}

std::string fitJson(const FitReport& report) {
  using Json = nlohmann::ordered_json;
  const GridFit& fit = report.fit;
  Json grid = Json::object();
  Json best = Json::object();
  for (const Parameter a : datafiles::kParameters) {
    grid[datafiles::kLongNames[a]] = report.grid.axes[a].size();
    best[datafiles::kLongNames[a]] = number(fit.parameters[a].best);
  }
  Json parameters = Json::array();
  for (const Parameter a : datafiles::kParameters) {
    const ParameterFit& parameter = fit.parameters[a];
    Json values = Json::array(), chi2 = Json::array(), intervals = Json::array();
    for (std::size_t m = 0; m < parameter.profile.size(); ++m) {
      values.push_back(number(report.grid.axes[a][m]));
      chi2.push_back(number(parameter.profile[m]));
    }
    for (const Interval& interval : parameter.intervals) {
      Json ranges = Json::array();
      for (const Range& range : interval.ranges)
        ranges.push_back({{"low", number(range.low)},
                          {"high", number(range.high)},
                          {"low_open", range.lowOpen},
                          {"high_open", range.highOpen}});
      intervals.push_back({{"delta_chi2", number(interval.deltaChiSquare)}, {"ranges", ranges}});
    }
    parameters.push_back({{"name", datafiles::kLongNames[a]},
                          {"best", number(parameter.best)},
                          {"profile", {{"values", values}, {"chi2", chi2}}},
                          {"intervals", intervals}});
  }
  Json out = {{"input", {{"path", report.path}, {"records", report.grid.records}, {"grid", grid}}},
              {"chi2_min", number(fit.smallestChiSquare)},
              {"best", best},
              {"parameters", parameters},
              {"warnings", report.warnings}};
  // Invalid UTF-8 in a path is replaced, never a reason to fail.
  return out.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

std::string profilesCsv(const FitReport& report) {
  std::string out = "parameter,value,chi2\n";
  for (const Parameter a : datafiles::kParameters) {
    const ParameterFit& parameter = report.fit.parameters[a];
    for (std::size_t m = 0; m < parameter.profile.size(); ++m)
      out += std::string(datafiles::kLongNames[a]) + "," + exactText(report.grid.axes[a][m]) + "," +
             (std::isnan(parameter.profile[m]) ? std::string() : exactText(parameter.profile[m])) + "\n";
  }
  return out;
}

std::string intervalHeading(const FitReport& report, Parameter parameter) {
  const int decimals = gridDecimals(report.grid.axes[parameter]);
  const ParameterFit& fit = report.fit.parameters[parameter];
  std::string out = std::string(datafiles::kLongNames[parameter]) + " = " + fixedText(fit.best, decimals);
  if (report.grid.size(parameter) == 1) return out + ", a single value";
  std::string ranges;
  for (const Range& range : fit.intervals.at(0).ranges)
    ranges += (ranges.empty() ? "" : ", ") + std::string("[") + fixedText(range.low, decimals + 2) +
              (range.lowOpen ? "(open)" : "") + ", " + fixedText(range.high, decimals + 2) +
              (range.highOpen ? "(open)" : "") + "]";
  return out + "  " + ranges;
}

}  // namespace fit
