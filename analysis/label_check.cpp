#include "analysis/label_check.h"

#include <cmath>
#include <cstring>

#include "analysis/message_text.h"
#include "recio/diagnostics.h"
#include "recio/numbers/decimal_to_double.h"
#include "recio/numbers/powers_of_ten.h"
#include "recio/numbers/printed_numbers.h"

namespace analysis {
namespace {

// Labels rounded from values a grid step apart rebuild with the rounding of
// the step: 0.55 in F5.1 shows as 0.6 read from the file, and as 0.5 when
// rebuilt (0.5499999999999999). Either text is a fair name for it.
constexpr double kRelativeSlack = 1e-9;

// A field's text that is no number: asterisks, NaN or INF.
bool isNumberText(const char* text, std::size_t width) {
  for (std::size_t i = 0; i < width; ++i) {
    if (text[i] == '*' || text[i] == 'N' || text[i] == 'I') return false;
  }
  return true;
}

// Whether the label could be `value` shown to the field's decimals: the
// number it shows lies within half a unit of its last decimal of the value.
// A label or value text that is no number names only the same text.
bool labelNames(const char* label, const char* listed, FieldFormat field, double value) {
  if (!isNumberText(label, field.width) || !isNumberText(listed, field.width)) {
    return std::memcmp(label, listed, field.width) == 0;
  }
  std::size_t first = 0;
  while (label[first] == ' ') ++first;
  const double shown = recio::convertReal(label + first, field.width - first);
  const double halfUnit = 0.5 / recio::powerOfTen(field.decimals);
  return std::fabs(shown - value) <= halfUnit * (1 + kRelativeSlack);
}

bool labelsMatch(const AxisView& list, Axis axis) {
  const FieldFormat field = columnOf(axis).field;
  const double step = gridStep(list.range, list.count);
  char label[kWidestLabel];
  char listed[kWidestLabel];
  for (std::int32_t m = 1; m <= list.count; ++m) {
    const double value = list.values[listPosition(axis, list.count, m) - 1];
    recio::fixedFieldText(gridValue(list.range.smallest, step, m), field.width, field.decimals, label);
    recio::fixedFieldText(value, field.width, field.decimals, listed);
    if (!labelNames(label, listed, field, value)) return false;
  }
  return true;
}

void check(const WorkingStorage& storage, Axis axis) {
  const AxisView list = axisView(storage, axis);
  const AxisColumn& column = columnOf(axis);
  MessageText text;
  if (list.count == 1) {
    text.add(column.name).add(" has a single value in quorvi.res: its labels in table.dat are NaN");
  } else if (list.count >= 2 && !labelsMatch(list, axis)) {
    text.add("the ").add(column.name).add(" labels of table.dat do not match quorvi.res: ").add(column.name);
    text.add(" values must first appear in ").add(column.descending ? "descending" : "ascending");
    text.add(" order on a uniform grid");
  } else {
    return;
  }
  recio::writeWarning(text.text());
}

}  // namespace

void checkTableLabels(const WorkingStorage& storage, Projection projection) {
  const ProjectionLayout& layout = layoutOf(projection);
  check(storage, layout.outer);
  check(storage, layout.inner);
}

}  // namespace analysis
