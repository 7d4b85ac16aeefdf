#include "analysis/label_check.h"

#include <cstring>

#include "analysis/message_text.h"
#include "recio/diagnostics.h"
#include "recio/numbers/printed_numbers.h"

namespace analysis {
namespace {

bool labelsMatch(const AxisView& list, Axis axis) {
  const FieldFormat field = columnOf(axis).field;
  const double step = gridStep(list.range, list.count);
  char label[kWidestLabel];
  char listed[kWidestLabel];
  for (std::int32_t m = 1; m <= list.count; ++m) {
    recio::fixedFieldText(gridValue(list.range.smallest, step, m), field.width, field.decimals, label);
    recio::fixedFieldText(list.values[listPosition(axis, list.count, m) - 1], field.width, field.decimals, listed);
    if (std::memcmp(label, listed, field.width) != 0) return false;
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
