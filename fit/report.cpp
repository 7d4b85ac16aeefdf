#include "fit/report.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <nlohmann/json.hpp>

#include "fit/edges.h"
#include "fit/numbers.h"

namespace fit {
namespace {

using Json = nlohmann::ordered_json;
using datafiles::kLongNames;

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

// "1 (1 sigma)", "2.70554 (90%)": the level's delta chi-square and its name.
std::string levelText(const FitReport& report, std::size_t l) {
  const double delta = report.fit.parameters[0].intervals[l].deltaChiSquare;
  return shortText(delta) + " (" + report.levels.at(l).name + ")";
}

std::array<int, 3> decimalsOf(const FitReport& report) {
  std::array<int, 3> decimals{};
  for (const Parameter a : datafiles::kParameters) decimals[a] = gridDecimals(report.grid.axes[a]);
  return decimals;
}

std::string headText(const FitReport& report, const std::array<int, 3>& decimals) {
  const GridFit& fit = report.fit;
  std::string out = "smallest chi-square " + exactText(fit.smallestChiSquare) + " at ";
  for (const Parameter a : datafiles::kParameters)
    out += std::string(kLongNames[a]) + " = " + fixedText(fit.parameters[a].best, decimals[a]) + (a < 2 ? ", " : "\n");
  out += std::to_string(report.grid.records) + " records; grid of " + std::to_string(report.grid.size(kT)) + " T, " +
         std::to_string(report.grid.size(kYorp)) + " YORP strength and " + std::to_string(report.grid.size(kFke)) +
         " f_KE values\n";
  if (const auto& g = report.goodness) {
    // A p-value below what a double keeps in full is said as a bound.
    const std::string p = g->pValue < 1e-300 ? "p < 1e-300" : "p = " + generalText(g->pValue, 3);
    out += "goodness of fit: reduced chi-square " + shortText(g->reduced) + " (" +
           exactText(report.fit.smallestChiSquare) + " / " + exactText(g->dof) + "), " + p + "\n";
  }
  return out + "\n";
}

std::string tableText(const FitReport& report, const std::array<int, 3>& decimals) {
  const GridFit& fit = report.fit;
  std::size_t bestWidth = 4, levelWidth = 20;
  for (const Parameter a : datafiles::kParameters)
    bestWidth = std::max(bestWidth, fixedText(fit.parameters[a].best, decimals[a]).size());
  for (std::size_t l = 0; l < report.levels.size(); ++l)
    levelWidth = std::max(levelWidth, levelText(report, l).size() + 2);
  std::string out =
      padded("parameter", 16) + padded("best", bestWidth + 3) + padded("delta chi-square", levelWidth) + "range\n";
  bool anyOpen = false;
  for (const Parameter a : datafiles::kParameters) {
    const ParameterFit& parameter = fit.parameters[a];
    std::string lead = padded(kLongNames[a], 16) + padded(fixedText(parameter.best, decimals[a]), bestWidth + 3);
    if (report.grid.size(a) == 1) {
      out += lead + "a single value: no range\n";
      continue;
    }
    for (std::size_t l = 0; l < parameter.intervals.size(); ++l) {
      const Interval& interval = parameter.intervals[l];
      out += lead + padded(levelText(report, l), levelWidth) + rangesText(interval, decimals[a] + 2) + "\n";
      lead = std::string(lead.size(), ' ');
      for (const Range& range : interval.ranges) anyOpen = anyOpen || range.lowOpen || range.highOpen;
    }
  }
  if (anyOpen)
    out += "(open: the profile is still within the level at the grid's edge or next to a missing chi-square)\n";
  return out;
}

// "T = 587.5 +117/-68.4 (1 sigma)" for each level whose range holding the
// best value is closed.
std::string errorsBlock(const FitReport& report, const std::array<int, 3>& decimals) {
  std::string out;
  for (const Parameter a : datafiles::kParameters) {
    const ParameterFit& parameter = report.fit.parameters[a];
    for (std::size_t l = 0; l < parameter.intervals.size() && report.grid.size(a) > 1; ++l)
      if (const auto errors = errorsOf(parameter.intervals[l], parameter.best))
        out += std::string(kLongNames[a]) + " = " + fixedText(parameter.best, decimals[a]) + " " + errorsText(*errors) +
               " (" + report.levels.at(l).name + ")\n";
  }
  return out.empty() ? out : "\n" + out;
}

std::string marginalLines(const FitReport& report, Parameter a, int decimals, std::size_t medianWidth,
                          std::size_t probabilityWidth) {
  const Marginal& marginal = report.marginals->parameters[a];
  std::string lead = padded(kLongNames[a], 16) + padded(report.logPrior[a] ? "uniform in log" : "uniform", 17);
  if (report.grid.size(a) == 1) return lead + "a single value\n";
  if (marginal.density.empty()) return lead + "no weight: every cell's is too small for a double\n";
  lead += padded(fixedText(marginal.median, decimals), medianWidth);
  std::string out;
  for (const CredibleInterval& interval : marginal.intervals) {
    out += lead + padded(probabilityText(interval.probability), probabilityWidth) + fixedText(interval.low, decimals) +
           " .. " + fixedText(interval.high, decimals) + "\n";
    lead = std::string(lead.size(), ' ');
  }
  return out;
}

// Per parameter its prior, median and central credible intervals.
std::string marginalsBlock(const FitReport& report, const std::array<int, 3>& decimals) {
  if (!report.marginals) return {};
  std::size_t medianWidth = 9, probabilityWidth = 9;
  for (const Parameter a : datafiles::kParameters) {
    medianWidth = std::max(medianWidth, fixedText(report.marginals->parameters[a].median, decimals[a] + 2).size() + 3);
    for (const CredibleInterval& interval : report.marginals->parameters[a].intervals)
      probabilityWidth = std::max(probabilityWidth, probabilityText(interval.probability).size() + 1);
  }
  std::string out =
      "\n" + padded("marginal", 16) + padded("prior", 17) + padded("median", medianWidth) + "credible interval\n";
  for (const Parameter a : datafiles::kParameters)
    out += marginalLines(report, a, decimals[a] + 2, medianWidth, probabilityWidth);
  return out;
}

Json number(double value) {
  // JSON has no NaN; nlohmann writes the shortest text that reads back.
  if (!std::isfinite(value)) return nullptr;
  return value + 0.0;
}

Json intervalJson(const Interval& interval, const Level& level, double best) {
  Json ranges = Json::array();
  for (const Range& range : interval.ranges)
    ranges.push_back({{"low", number(range.low)},
                      {"high", number(range.high)},
                      {"low_open", range.lowOpen},
                      {"high_open", range.highOpen}});
  const auto errors = errorsOf(interval, best);
  return {{"delta_chi2", number(interval.deltaChiSquare)},
          {"level", level.origin},
          {"ranges", ranges},
          {"errors", errors ? Json{{"plus", number(errors->plus)}, {"minus", number(errors->minus)}} : Json(nullptr)}};
}

Json marginalJson(const Marginal& marginal) {
  Json density = Json::array(), intervals = Json::array();
  for (const double d : marginal.density) density.push_back(number(d));
  for (const CredibleInterval& interval : marginal.intervals)
    intervals.push_back({{"probability", number(interval.probability)},
                         {"low", number(interval.low)},
                         {"high", number(interval.high)}});
  return {{"density", density}, {"median", number(marginal.median)}, {"intervals", intervals}};
}

Json parameterJson(const FitReport& report, Parameter a) {
  const ParameterFit& parameter = report.fit.parameters[a];
  Json values = Json::array(), chi2 = Json::array(), intervals = Json::array();
  for (std::size_t m = 0; m < parameter.profile.size(); ++m) {
    values.push_back(number(report.grid.axes[a][m]));
    chi2.push_back(number(parameter.profile[m]));
  }
  for (std::size_t l = 0; l < parameter.intervals.size(); ++l)
    intervals.push_back(intervalJson(parameter.intervals[l], report.levels.at(l), parameter.best));
  Json out = {{"name", kLongNames[a]},
              {"best", number(parameter.best)},
              {"profile", {{"values", values}, {"chi2", chi2}}},
              {"intervals", intervals}};
  if (report.marginals) out["marginal"] = marginalJson(report.marginals->parameters[a]);
  return out;
}

Json fitObject(const FitReport& report, bool named) {
  Json grid = Json::object(), best = Json::object(), parameters = Json::array();
  for (const Parameter a : datafiles::kParameters) {
    grid[kLongNames[a]] = report.grid.axes[a].size();
    best[kLongNames[a]] = number(report.fit.parameters[a].best);
    parameters.push_back(parameterJson(report, a));
  }
  Json out = Json::object();
  if (named) out["name"] = report.name;
  out["input"] = {{"path", report.path}, {"records", report.grid.records}, {"grid", grid}};
  out["chi2_min"] = number(report.fit.smallestChiSquare);
  if (const auto& g = report.goodness)
    out["goodness"] = {{"dof", static_cast<std::uint64_t>(g->dof)},
                       {"chi2_reduced", number(g->reduced)},
                       {"p_value", number(g->pValue)}};
  out["best"] = best;
  out["parameters"] = parameters;
  out["warnings"] = report.warnings;
  return out;
}

// A CSV field: quoted, its quotes doubled, when it holds a comma, a quote or
// a line break.
std::string csvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string out = "\"";
  for (const char c : text) out += c == '"' ? std::string("\"\"") : std::string(1, c);
  return out + "\"";
}

}  // namespace

std::string fitText(const std::vector<FitReport>& reports) {
  std::string out;
  for (const FitReport& report : reports) {
    const std::array<int, 3> decimals = decimalsOf(report);
    if (reports.size() > 1) out += (out.empty() ? "" : "\n") + std::string("fit of ") + report.name + "\n";
    out += headText(report, decimals) + tableText(report, decimals) + errorsBlock(report, decimals) +
           marginalsBlock(report, decimals);
  }
  return out;
}

std::string fitJson(const std::vector<FitReport>& reports) {
  Json out;
  if (reports.size() == 1) {
    out = fitObject(reports.front(), false);
  } else {
    Json fits = Json::array();
    for (const FitReport& report : reports) fits.push_back(fitObject(report, true));
    out = {{"fits", fits}};
  }
  // Invalid UTF-8 in a path is replaced, never a reason to fail.
  return out.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

std::string profilesCsv(const std::vector<FitReport>& reports) {
  const bool several = reports.size() > 1;
  std::string out = several ? "fit,parameter,value,chi2\n" : "parameter,value,chi2\n";
  for (const FitReport& report : reports)
    for (const Parameter a : datafiles::kParameters) {
      const ParameterFit& parameter = report.fit.parameters[a];
      for (std::size_t m = 0; m < parameter.profile.size(); ++m)
        out += (several ? csvField(report.name) + "," : std::string()) + std::string(kLongNames[a]) + "," +
               exactText(report.grid.axes[a][m]) + "," +
               (std::isnan(parameter.profile[m]) ? std::string() : exactText(parameter.profile[m])) + "\n";
    }
  return out;
}

std::string intervalHeading(const FitReport& report, Parameter parameter) {
  const ParameterFit& fit = report.fit.parameters[parameter];
  std::string out = std::string(kLongNames[parameter]) + " = " + shortText(fit.best);
  if (report.grid.size(parameter) == 1) return out + ", a single value";
  if (fit.intervals.empty()) return out;
  const std::string level = " (" + report.levels.at(0).name + ")";
  if (const auto errors = errorsOf(fit.intervals.front(), fit.best)) return out + " " + errorsText(*errors) + level;
  std::string ranges;
  for (const Range& range : fit.intervals.front().ranges)
    ranges += (ranges.empty() ? "" : ", ") + std::string("[") + shortText(range.low) +
              (range.lowOpen ? " (open)" : "") + ", " + shortText(range.high) + (range.highOpen ? " (open)" : "") + "]";
  return out + "  " + ranges + level;
}

std::string marginalHeading(const FitReport& report, Parameter parameter) {
  const Marginal& marginal = report.marginals->parameters[parameter];
  const std::string name = kLongNames[parameter];
  if (report.grid.size(parameter) == 1)
    return name + " = " + shortText(report.grid.axes[parameter][0]) + ", a single value";
  if (marginal.intervals.empty()) return name + ": no weight";
  const CredibleInterval& first = marginal.intervals.front();
  return name + " = " + generalText(marginal.median, 4) + " " +
         errorsText({first.high - marginal.median, marginal.median - first.low}) + " (" +
         probabilityText(first.probability) + ")";
}

std::string probabilityText(double probability) { return percentText(probability, 4); }

}  // namespace fit
