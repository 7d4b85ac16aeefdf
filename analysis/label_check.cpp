#include "analysis/label_check.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "analysis/message_text.h"
#include "analysis/projections.h"
#include "datafiles/file_names.h"
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
bool labelNames(const char* label, const char* listed, datafiles::Field field, double value) {
  if (!isNumberText(label, field.width) || !isNumberText(listed, field.width)) {
    return std::memcmp(label, listed, field.width) == 0;
  }
  std::size_t first = 0;
  while (label[first] == ' ') ++first;
  const double shown = recio::convertReal(label + first, field.width - first);
  const double halfUnit = 0.5 / recio::powerOfTen(field.decimals);
  return std::fabs(shown - value) <= halfUnit * (1 + kRelativeSlack);
}

// Room for the text of any label field.
constexpr std::size_t kWidestLabel = std::max(
    {datafiles::kParameterFields[0].width, datafiles::kParameterFields[1].width, datafiles::kParameterFields[2].width});

bool labelsMatch(const AxisView& list, Parameter parameter) {
  const datafiles::Field field = datafiles::kParameterFields[parameter];
  const double step = gridStep(list.extremes, list.count);
  char label[kWidestLabel];
  char listed[kWidestLabel];
  for (std::int32_t m = 1; m <= list.count; ++m) {
    const double value = list.values[listPosition(parameter, list.count, m) - 1];
    recio::fixedFieldText(gridValue(list.extremes.smallest, step, m), field.width, field.decimals, label);
    recio::fixedFieldText(value, field.width, field.decimals, listed);
    if (!labelNames(label, listed, field, value)) return false;
  }
  return true;
}

void check(const WorkingStorage& storage, Parameter parameter) {
  const AxisView list = axisView(storage, parameter);
  const char* name = datafiles::kShortNames[parameter];
  MessageText text;
  if (list.count == 1) {
    text.add(name).add(" has a single value in ").add(datafiles::kFitResults).add(": its labels in ");
    text.add(datafiles::kTableFile).add(" are NaN");
  } else if (list.count >= 2 && !labelsMatch(list, parameter)) {
    text.add("the ").add(name).add(" labels of ").add(datafiles::kTableFile).add(" do not match ");
    text.add(datafiles::kFitResults).add(": ").add(name).add(" values must first appear in ");
    text.add(datafiles::descending(parameter) ? "descending" : "ascending").add(" order on a uniform grid");
  } else {
    return;
  }
  recio::writeWarning(text.text());
}

}  // namespace

void checkTableLabels(const WorkingStorage& storage, const datafiles::Projection& projection) {
  check(storage, projection.outer);
  check(storage, projection.inner);
}

}  // namespace analysis
