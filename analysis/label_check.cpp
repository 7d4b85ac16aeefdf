#include "analysis/label_check.h"

#include <cstring>
#include <string_view>

#include "analysis/message_text.h"
#include "analysis/table_formats.h"
#include "recio/item_text.h"
#include "recio/report.h"

namespace analysis {
namespace {

struct LabelColumn {
  std::string_view name;
  const double* values;  // the axis list, in order of first appearance
  std::int32_t count;
  double smallest;
  double step;
  FieldFormat field;
  bool descending;  // table position m holds list position count + 1 - m
};

template <std::int32_t Capacity>
LabelColumn column(std::string_view name, const AxisList<Capacity>& axis, double step, FieldFormat field,
                   bool descending) {
  return {name, axis.values, axis.count, axis.range.smallest, step, field, descending};
}

bool labelsMatch(const LabelColumn& c) {
  char label[kWidestLabel];
  char listed[kWidestLabel];
  for (std::int32_t m = 1; m <= c.count; ++m) {
    const double value = c.values[c.descending ? c.count - m : m - 1];
    recio::fixedFieldText(gridValue(c.smallest, c.step, m), c.field.width, c.field.decimals, label);
    recio::fixedFieldText(value, c.field.width, c.field.decimals, listed);
    if (std::memcmp(label, listed, static_cast<std::size_t>(c.field.width)) != 0) return false;
  }
  return true;
}

void check(const LabelColumn& c) {
  MessageText text;
  if (c.count == 1) {
    text.add(c.name).add(" has a single value in quorvi.res: its labels in table.dat are NaN");
  } else if (c.count >= 2 && !labelsMatch(c)) {
    text.add("the ").add(c.name).add(" labels of table.dat do not match quorvi.res: ").add(c.name);
    text.add(" values must first appear in ").add(c.descending ? "descending" : "ascending");
    text.add(" order on a uniform grid");
  } else {
    return;
  }
  recio::writeWarning(text.text());
}

}  // namespace

void checkTableLabels(const WorkingStorage& storage, Projection projection) {
  const LabelColumn t = column("T", storage.t, storage.stepT, kTField, false);
  const LabelColumn yorp = column("YORP", storage.yorp, storage.stepYorp, kYorpField, true);
  const LabelColumn fke = column("f_KE", storage.fke, storage.stepFke, kFkeField, false);
  switch (projection) {
    case Projection::TYorp:
      check(t);
      check(yorp);
      break;
    case Projection::TFke:
      check(t);
      check(fke);
      break;
    case Projection::FkeYorp:
      check(yorp);
      check(fke);
      break;
  }
}

}  // namespace analysis
