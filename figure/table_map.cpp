#include "figure/table_map.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

#include "datafiles/file_names.h"
#include "fit/numbers.h"
#include "process/messages.h"
#include "process/output_file.h"
#include "process/system_calls.h"

namespace figure {
namespace {

using datafiles::Field;
using datafiles::Projection;
using fit::trimmed;
using process::Failure;
using process::visible;

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
Kind kindOf(std::string_view field, Field format) {
  if (field.find_first_not_of('*') == std::string_view::npos) return Kind::Overflow;
  const std::string text = trimmed(field);
  if (text == "NaN" || text == "-NaN" || text == "INF" || text == "-INF") return Kind::NonFinite;
  if (field[format.point()] != '.' || text.find_first_not_of("-0123456789.") != std::string::npos) return Kind::Bad;
  const std::string_view whole = std::string_view(text).substr(0, text.find('.'));
  if (whole.find('-', 1) != std::string_view::npos || text.find('.') != text.rfind('.')) return Kind::Bad;
  return fit::readReal(field) ? Kind::Number : Kind::Bad;
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

// "F6.1 T, blank, F6.4 YORP strength, blank, F8.1 chi-square (22 characters)".
std::string columnsText(const Projection& p) {
  auto field = [](Field f, const char* name) {
    return "F" + std::to_string(f.width) + "." + std::to_string(f.decimals) + " " + name;
  };
  return field(p.outerField(), datafiles::kLongNames[p.outer]) + ", blank, " +
         field(p.innerField(), datafiles::kLongNames[p.inner]) + ", blank, " +
         field(datafiles::kChiSquareField, "chi-square") + " (" + std::to_string(p.lineWidth()) + " characters)";
}

// "21 or 22": the lengths of the table lines of every projection.
std::string lineLengthsText() {
  std::vector<std::size_t> lengths;
  for (const Projection& p : datafiles::kProjections) lengths.push_back(p.lineWidth());
  std::sort(lengths.begin(), lengths.end());
  lengths.erase(std::unique(lengths.begin(), lengths.end()), lengths.end());
  std::string text;
  for (const std::size_t length : lengths) text += (text.empty() ? "" : " or ") + std::to_string(length);
  return text;
}

// The projection whose lines are as long as `text`; of several, the first
// whose first field has its point where the line has one (none then: the
// line is checked as `first`, the first as long, to say what is wrong).
const Projection* projectionOfLine(std::string_view text, const Projection*& first) {
  first = nullptr;
  const Projection* pointed = nullptr;
  int asLong = 0;
  for (const Projection& p : datafiles::kProjections) {
    if (p.lineWidth() != text.size()) continue;
    ++asLong;
    if (first == nullptr) first = &p;
    if (pointed == nullptr && text[p.outerField().point()] == '.') pointed = &p;
  }
  return asLong == 1 ? first : pointed;
}

// Whether the columns of `text` are separated where the projection's are.
bool fieldsApart(std::string_view text, const Projection& p) {
  const std::string_view gap(" ", datafiles::kFieldGap);
  return text.size() == p.lineWidth() && text.substr(p.innerAt() - gap.size(), gap.size()) == gap &&
         text.substr(p.chiSquareAt() - gap.size(), gap.size()) == gap;
}

struct Reader {
  const std::string& name;
  const Projection* projection;
  Failure failure;
  std::vector<std::string> outer, inner;  // label texts: blocks, lines of the first block
  std::vector<double> cells;
  std::vector<std::string> cellTexts;
  std::size_t inBlock = 0;
  std::size_t blockLine = 0;

  bool failAt(std::size_t line, const std::string& message) {
    failure = Failure(name + ":" + std::to_string(line) + ": " + message);
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

  bool label(std::size_t number, std::string_view field, Field format, int column, const Projection& checkedAs) {
    const std::string where = "column " + std::to_string(column);
    switch (kindOf(field, format)) {
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
    return failAt(number, "malformed " + where + " \"" + visible(field) + "\"; expected " + columnsText(checkedAs));
  }

  // The projection the line is read as: the one recognised, or given.
  const Projection* columnsOf(std::size_t number, std::string_view text) {
    if (projection != nullptr) return projection;
    const Projection* first = nullptr;
    projection = projectionOfLine(text, first);
    if (first == nullptr)
      (void)failAt(number, "malformed line \"" + shown(text) + "\": a chi2map table line has " + lineLengthsText() +
                               " characters, this one " + std::to_string(text.size()));
    return projection != nullptr ? projection : first;
  }

  // The block a line belongs to: its first label names the block, its second
  // the line within it, as in the first block.
  bool place(std::size_t number, std::string_view f1, std::string_view f2) {
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
    return true;
  }

  bool line(std::size_t number, std::string_view text) {
    if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
    if (text.find_first_not_of(" \t") == std::string_view::npos) return endBlock();
    if (cells.empty() && isFitRecord(text))
      return failAt(number,
                    "a record of five numbers: this is chi2map's input (quorvi.res), not a table; run chi2map first "
                    "and map its table.dat");
    const Projection* p = columnsOf(number, text);
    if (p == nullptr) return false;
    if (!fieldsApart(text, *p))
      return failAt(number, "malformed line \"" + shown(text) + "\" (" + std::to_string(text.size()) +
                                " characters); expected " + columnsText(*p));
    const std::string_view f1 = text.substr(0, p->outerField().width),
                           f2 = text.substr(p->innerAt(), p->innerField().width),
                           f3 = text.substr(p->chiSquareAt(), datafiles::kChiSquareField.width);
    if (!label(number, f1, p->outerField(), 1, *p) || !label(number, f2, p->innerField(), 2, *p)) return false;
    const Kind chiSquare = kindOf(f3, datafiles::kChiSquareField);
    if (chiSquare == Kind::Bad)
      return failAt(number, "malformed chi-square column \"" + visible(f3) + "\"; expected " + columnsText(*p));
    if (!place(number, f1, f2)) return false;
    cells.push_back(chiSquare == Kind::Number ? *fit::readReal(f3) : NAN);
    cellTexts.push_back(trimmed(f3));
    return true;
  }
};

// Positions spread evenly from the first label to the last, as chi2map's
// labels are (smallest + (m - 1) * step); a failure when the labels descend
// or are all one. A label rounded into a repeat gives a note.
Failure positions(const std::vector<std::string>& labels, int column, const std::string& name, std::vector<double>& at,
                  std::vector<std::string>& notes) {
  std::vector<double> values;
  for (const std::string& label : labels) values.push_back(*fit::readReal(label));
  const std::size_t n = values.size();
  bool repeats = false;
  for (std::size_t m = 1; m < n; ++m) {
    if (values[m] < values[m - 1])
      return Failure(name + ": column " + std::to_string(column) + " does not increase from \"" +
                     trimmed(labels[m - 1]) + "\" to \"" + trimmed(labels[m]) + "\"" +
                     (column == 1 ? " (from one block to the next)" : " within a block"));
    // A grid finer than the table's decimals everywhere: nothing to spread.
    if (m + 1 == n && values[m] == values[0])
      return Failure(
          name + ": column " + std::to_string(column) + " is \"" + trimmed(labels[m]) +
          "\" throughout, its values rounded to the table's decimals: no map; chi2map-fit --map draws it from " +
          std::string(datafiles::kFitResults) + " at the exact values");
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
  return {};
}

// Feeds the reader each line as it arrives.
bool readLines(const ReadChunk& read, const std::string& name, Reader& reader) {
  char buffer[65536];
  std::string line;
  std::size_t number = 0;
  bool any = false;
  for (long got; (got = read(buffer, sizeof buffer)) != 0;) {
    if (got < 0) {
      reader.failure =
          Failure("cannot read " + process::shownInput(name) + ": " + std::strerror(static_cast<int>(-got)));
      return false;
    }
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
    reader.failure = Failure(process::shownInput(name) +
                             " is empty: no table lines (chi2map writes none when quorvi.res held no record)");
    return false;
  }
  return line.empty() || reader.line(++number, line);
}

// The smallest chi-square (the first of equal ones), and how many cells have none.
std::size_t bestCell(const std::vector<double>& cells, std::size_t& missing) {
  std::size_t best = cells.size();
  for (std::size_t c = 0; c < cells.size(); ++c) {
    if (std::isnan(cells[c]))
      ++missing;
    else if (best == cells.size() || cells[c] < cells[best])
      best = c;
  }
  return best;
}

// The cells and the minimum as the map draws them: the first column on x,
// or the second where the projection puts it there.
void fillMap(const Reader& reader, const std::vector<double>& outer, const std::vector<double>& inner, std::size_t best,
             TableMap& map) {
  const std::size_t blocks = reader.outer.size(), lines = reader.inner.size();
  const std::size_t b = best / lines, i = best % lines;
  map.projection = reader.projection;
  map.chiSquareText = reader.cellTexts[best];
  if (map.projection->innerOnX) {
    map.x = inner;
    map.y = outer;
    map.chiSquare.resize(reader.cells.size());
    for (std::size_t o = 0; o < blocks; ++o)
      for (std::size_t n = 0; n < lines; ++n) map.chiSquare[n * blocks + o] = reader.cells[o * lines + n];
    map.bestX = inner[i];
    map.bestY = outer[b];
    map.xText = trimmed(reader.inner[i]);
    map.yText = trimmed(reader.outer[b]);
  } else {
    map.x = outer;
    map.y = inner;
    map.chiSquare = reader.cells;
    map.bestX = outer[b];
    map.bestY = inner[i];
    map.xText = trimmed(reader.outer[b]);
    map.yText = trimmed(reader.inner[i]);
  }
}

}  // namespace

Failure readTable(const ReadChunk& read, const std::string& name, const Projection* forced, TableMap& map) {
  const std::string shownTable =
      name == process::kStandardStream ? std::string(process::kStandardInputName) : visible(name);
  Reader reader{shownTable, forced, {}, {}, {}, {}, {}, 0, 0};
  if (!readLines(read, name, reader) || !reader.endBlock()) return reader.failure;
  if (reader.cells.empty()) return Failure(shownTable + ": no table lines, only empty lines");
  const std::size_t blocks = reader.outer.size(), lines = reader.inner.size();
  if (blocks < 2 || lines < 2)
    return Failure(shownTable + ": " + std::to_string(blocks) + " block(s) of " + std::to_string(lines) +
                   " line(s); a map needs two or more values on each axis");
  std::vector<double> outer, inner;
  if (Failure failure = positions(reader.outer, 1, shownTable, outer, map.notes)) return failure;
  if (Failure failure = positions(reader.inner, 2, shownTable, inner, map.notes)) return failure;
  const std::size_t best = bestCell(reader.cells, map.missing);
  if (best == reader.cells.size())
    return Failure(shownTable + ": no cell has a chi-square (every chi-square field is asterisks or NaN)");
  fillMap(reader, outer, inner, best, map);
  return {};
}

Failure readTableFile(const std::string& name, const Projection* forced, TableMap& map) {
  struct stat facts {};
  const bool standardInput = name == process::kStandardStream;
  if (!standardInput && process::systemCalls().stat(name.c_str(), &facts) == 0 && S_ISDIR(facts.st_mode))
    return Failure("cannot read " + process::shownName(name) + ": it is a folder");
  const int descriptor = standardInput ? 0 : process::systemCalls().open(name.c_str(), O_RDONLY | O_CLOEXEC, 0);
  if (descriptor < 0) return Failure("cannot read " + process::shownName(name) + ": " + std::strerror(errno));
  const Failure failure = readTable(
      [descriptor](char* buffer, std::size_t size) -> long {
        const ssize_t got = process::readSome(descriptor, buffer, size);
        return got < 0 ? -errno : got;
      },
      name, forced, map);
  if (!standardInput) (void)process::systemCalls().close(descriptor);
  return failure;
}

}  // namespace figure
