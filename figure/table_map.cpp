#include "figure/table_map.h"

#include <cmath>
#include <cstring>

#include "fit/numbers.h"
#include "process/tool_process.h"

namespace fit {
namespace {

enum class Kind { Number, Overflow, NonFinite, Bad };

std::string shown(std::string_view line) {
  return visible(line.size() > 40 ? std::string(line.substr(0, 40)) + "..." : std::string(line));
}

// Bytes of a text file: printable ASCII, blanks, tabs, line ends.
bool isTextByte(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return (byte >= 0x20 && byte < 0x7f) || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// One fixed field as the table writer fills it.
Kind kindOf(std::string_view field, Field layout) {
  if (field.find_first_not_of('*') == std::string_view::npos) return Kind::Overflow;
  const std::string text = trimmed(field);
  if (text == "NaN" || text == "-NaN" || text == "INF" || text == "-INF") return Kind::NonFinite;
  const std::size_t point = static_cast<std::size_t>(layout.width - layout.decimals - 1);
  if (field[point] != '.' || text.find_first_not_of("-0123456789.") != std::string::npos) return Kind::Bad;
  const std::string_view whole = std::string_view(text).substr(0, text.find('.'));
  if (whole.find('-', 1) != std::string_view::npos || text.find('.') != text.rfind('.')) return Kind::Bad;
  return readReal(field) ? Kind::Number : Kind::Bad;
}

// Five numbers with blanks, tabs or commas between: a record of quorvi.res.
bool isFitRecord(std::string_view line) {
  int values = 0;
  std::size_t at = 0;
  while (at < line.size()) {
    const std::size_t start = line.find_first_not_of(" \t,", at);
    if (start == std::string_view::npos) break;
    std::size_t end = line.find_first_of(" \t,", start);
    if (end == std::string_view::npos) end = line.size();
    if (line.substr(start, end - start).find_first_not_of("+-0123456789.eEdD") != std::string_view::npos) return false;
    ++values;
    at = end;
  }
  return values == 5;
}

std::string layoutText(const Projection& p) {
  auto field = [](Field f, const char* name) {
    return "F" + std::to_string(f.width) + "." + std::to_string(f.decimals) + " " + name;
  };
  const int length = p.outerField.width + p.innerField.width + kChi2Field.width + 2;
  return field(p.outerField, kParameterNames[p.outer]) + ", blank, " + field(p.innerField, kParameterNames[p.inner]) +
         ", blank, F8.1 chi-square (" + std::to_string(length) + " characters)";
}

struct Reader {
  const std::string& name;
  int projection;
  std::string& error;
  std::vector<std::string> outer, inner;  // label texts: blocks, lines of the first block
  std::vector<double> cells;
  std::vector<std::string> cellTexts;
  std::size_t inBlock = 0;
  std::size_t blockLine = 0;

  bool failAt(std::size_t line, const std::string& message) {
    error = name + ":" + std::to_string(line) + ": " + message;
    return false;
  }

  bool endBlock() {
    if (inBlock == 0) return true;
    if (outer.size() > 1 && inBlock != inner.size())
      return failAt(blockLine, "block " + std::to_string(outer.size()) + " has " + std::to_string(inBlock) +
                                   " line(s), the first block has " + std::to_string(inner.size()));
    inBlock = 0;
    return true;
  }

  bool label(std::size_t number, std::string_view field, Field layout, int column) {
    const std::string where = "column " + std::to_string(column);
    switch (kindOf(field, layout)) {
      case Kind::Number: return true;
      case Kind::NonFinite:
        return failAt(number, where + " is \"" + trimmed(field) +
                                  "\": the axis has a single value (chi2map labels it NaN), nothing to map");
      case Kind::Overflow:
        return failAt(
            number,
            where + " is filled with asterisks: the grid value does not fit its field, the axis cannot be labelled");
      case Kind::Bad: break;
    }
    return failAt(number, "malformed " + where + " \"" + visible(field) + "\"; expected " +
                              layoutText(kProjections[static_cast<std::size_t>(projection - 1)]));
  }

  bool line(std::size_t number, std::string_view text) {
    if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
    if (text.find_first_not_of(" \t") == std::string_view::npos) return endBlock();
    if (cells.empty() && isFitRecord(text))
      return failAt(number,
                    "a record of five numbers: this is chi2map's input (quorvi.res), not a table; run chi2map first "
                    "and map its table.dat");
    if (projection == 0) {
      if (text.size() == 22)
        projection = 1;
      else if (text.size() == 21 && text[4] == '.')
        projection = 2;
      else if (text.size() == 21 && text[1] == '.')
        projection = 3;
      else if (text.size() != 21)
        return failAt(number, "malformed line \"" + shown(text) +
                                  "\": a chi2map table line has 21 or 22 characters, this one " +
                                  std::to_string(text.size()));
    }
    // An unrecognised 21-character line is checked as the second layout,
    // whose label check says what is wrong.
    const int p = projection == 0 ? 2 : projection;
    const Projection& layout = kProjections[static_cast<std::size_t>(p - 1)];
    const auto w1 = static_cast<std::size_t>(layout.outerField.width),
               w2 = static_cast<std::size_t>(layout.innerField.width);
    if (text.size() != w1 + w2 + 10 || text[w1] != ' ' || text[w1 + w2 + 1] != ' ')
      return failAt(number, "malformed line \"" + shown(text) + "\" (" + std::to_string(text.size()) +
                                " characters); expected " + layoutText(layout));
    const int saved = projection;
    projection = p;
    const std::string_view f1 = text.substr(0, w1), f2 = text.substr(w1 + 1, w2), f3 = text.substr(w1 + w2 + 2, 8);
    if (!label(number, f1, layout.outerField, 1) || !label(number, f2, layout.innerField, 2)) return false;
    projection = saved;
    const Kind chi2 = kindOf(f3, kChi2Field);
    if (chi2 == Kind::Bad)
      return failAt(number, "malformed chi-square column \"" + visible(f3) + "\"; expected " + layoutText(layout));
    if (inBlock == 0) {
      outer.emplace_back(f1);
      blockLine = number;
    } else if (f1 != outer.back()) {
      return failAt(number, "column 1 changes from \"" + trimmed(outer.back()) + "\" to \"" + trimmed(f1) +
                                "\" inside a block (blocks end with an empty line)");
    }
    ++inBlock;
    if (outer.size() == 1) {
      inner.emplace_back(f2);
    } else if (inBlock > inner.size()) {
      return failAt(blockLine, "block " + std::to_string(outer.size()) + " has more lines than the first block (" +
                                   std::to_string(inner.size()) + ")");
    } else if (f2 != inner[inBlock - 1]) {
      return failAt(number, "column 2 is \"" + trimmed(f2) + "\" where the first block has \"" +
                                trimmed(inner[inBlock - 1]) + "\"");
    }
    cells.push_back(chi2 == Kind::Number ? *readReal(f3) : NAN);
    cellTexts.push_back(trimmed(f3));
    return true;
  }
};

// Positions spread evenly from the first label to the last, as chi2map's
// labels are (smallest + (m - 1) * step); false when the labels descend. A
// label rounded into a repeat gives a note.
bool positions(const std::vector<std::string>& labels, int column, const std::string& name, std::vector<double>& at,
               std::vector<std::string>& notes, std::string& error) {
  std::vector<double> values;
  for (const std::string& label : labels) values.push_back(*readReal(label));
  const std::size_t n = values.size();
  bool repeats = false;
  for (std::size_t m = 1; m < n; ++m) {
    if (values[m] < values[m - 1] || (m + 1 == n && values[m] == values[0])) {
      error = name + ": column " + std::to_string(column) + " does not increase from \"" + trimmed(labels[m - 1]) +
              "\" to \"" + trimmed(labels[m]) + "\"" +
              (column == 1 ? " (from one block to the next)" : " within a block");
      return false;
    }
    if (values[m] == values[m - 1] && !repeats) {
      repeats = true;
      notes.push_back(name + ": column " + std::to_string(column) + " repeats the label \"" + trimmed(labels[m]) +
                      "\" (rounded to the table's decimals): positions are approximate, spread evenly from " +
                      trimmed(labels.front()) + " to " + trimmed(labels.back()));
    }
  }
  at.clear();
  for (std::size_t m = 0; m < n; ++m)
    at.push_back(values.front() +
                 (values.back() - values.front()) * static_cast<double>(m) / static_cast<double>(n - 1));
  return true;
}

// Feeds the reader each line as it arrives.
bool readLines(const ReadChunk& read, const std::string& name, Reader& reader) {
  char buffer[65536];
  std::string line;
  std::size_t number = 0;
  bool any = false;
  for (;;) {
    const long got = read(buffer, sizeof buffer);
    if (got < 0) {
      reader.error = "cannot read " + shownName(name) + ": " + std::strerror(static_cast<int>(-got));
      return false;
    }
    if (got == 0) break;
    any = true;
    for (std::size_t i = 0; i < static_cast<std::size_t>(got); ++i) {
      const char c = buffer[i];
      if (c == '\n') {
        if (!reader.line(++number, line)) return false;
        line.clear();
      } else if (!isTextByte(c)) {
        const auto byte = static_cast<unsigned>(static_cast<unsigned char>(c));
        const char digits[] = "0123456789abcdef";
        return reader.failAt(number + 1, std::string("a byte 0x") + digits[byte >> 4] + digits[byte & 15] +
                                             ": not a text file, not a chi2map table");
      } else if (line.size() == kLongestLine) {
        return reader.failAt(number + 1,
                             "a line longer than " + std::to_string(kLongestLine) + " characters: not a chi2map table");
      } else {
        line += c;
      }
    }
  }
  if (!any) {
    reader.error = shownName(name) + " is empty: no table lines (chi2map writes none when quorvi.res held no record)";
    return false;
  }
  return line.empty() || reader.line(++number, line);
}

}  // namespace

bool readTable(const ReadChunk& read, const std::string& name, int forced, TableMap& map, std::string& error) {
  const std::string shownTable = visible(name);
  Reader reader{shownTable, forced, error, {}, {}, {}, {}, 0, 0};
  if (!readLines(read, name, reader)) return false;
  if (!reader.endBlock()) return false;
  if (reader.cells.empty()) {
    error = shownTable + ": no table lines, only empty lines";
    return false;
  }
  const std::size_t blocks = reader.outer.size(), lines = reader.inner.size();
  if (blocks < 2 || lines < 2) {
    error = shownTable + ": " + std::to_string(blocks) + " block(s) of " + std::to_string(lines) +
            " line(s); a map needs two or more values on each axis";
    return false;
  }
  std::vector<double> outer, inner;
  if (!positions(reader.outer, 1, shownTable, outer, map.notes, error) ||
      !positions(reader.inner, 2, shownTable, inner, map.notes, error))
    return false;
  std::size_t best = reader.cells.size();
  for (std::size_t c = 0; c < reader.cells.size(); ++c) {
    if (std::isnan(reader.cells[c]))
      ++map.missing;
    else if (best == reader.cells.size() || reader.cells[c] < reader.cells[best])
      best = c;
  }
  if (best == reader.cells.size()) {
    error = shownTable + ": no cell has a chi-square (every chi-square field is asterisks or NaN)";
    return false;
  }
  map.projection = reader.projection;
  const Projection& p = kProjections[static_cast<std::size_t>(map.projection - 1)];
  const std::size_t b = best / lines, i = best % lines;
  map.chi2Text = reader.cellTexts[best];
  if (p.innerOnX) {
    map.x = inner;
    map.y = outer;
    map.chi2.resize(reader.cells.size());
    for (std::size_t o = 0; o < blocks; ++o)
      for (std::size_t n = 0; n < lines; ++n) map.chi2[n * blocks + o] = reader.cells[o * lines + n];
    map.bestX = inner[i];
    map.bestY = outer[b];
    map.xText = trimmed(reader.inner[i]);
    map.yText = trimmed(reader.outer[b]);
  } else {
    map.x = outer;
    map.y = inner;
    map.chi2 = reader.cells;
    map.bestX = outer[b];
    map.bestY = inner[i];
    map.xText = trimmed(reader.outer[b]);
    map.yText = trimmed(reader.inner[i]);
  }
  return true;
}

}  // namespace fit
