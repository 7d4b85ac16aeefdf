#include "analysis/driver.h"

#include <cfenv>
#include <cstdint>

#include "analysis/dialogue.h"
#include "analysis/label_check.h"
#include "analysis/loader.h"
#include "analysis/projections.h"
#include "analysis/working_storage.h"
#include "datafiles/file_names.h"
#include "recio/run.h"
#include "recio/statements.h"

namespace analysis {
namespace {

// The run's storage, created once: fixed size, outside the stack.
WorkingStorage gStorage;
recio::IoControl gControl;

}  // namespace

void setFloatingPointMode() {
  std::fenv_t previous;
  std::feholdexcept(&previous);  // clears the flags and masks every exception
  std::fesetround(FE_TONEAREST);
#if defined(__x86_64__) || defined(__i386__)
  // x87 control word: 53-bit precision, round to nearest, all exceptions masked.
  const std::uint16_t controlWord = 0x027F;
  __asm__ volatile("fldcw %0" : : "m"(controlWord));
#endif
}

void runChi2map() { runChi2map(gControl, gStorage); }

void runChi2map(recio::IoControl& control, WorkingStorage& storage) {
  setFloatingPointMode();
  recio::startRun();
  recio::connectUnit(control, datafiles::kDataUnit, datafiles::kFitResults, "old");
  initialiseStorage(storage);
  loadFitResults(control, storage);
  recio::disconnectUnit(control, datafiles::kDataUnit);
  writeSummary(control, storage);
  const Projection& projection = datafiles::projectionForChoice(readChoice(control));
  reduceCube(storage, projection);
  checkTableLabels(storage, projection);
  writeTable(control, storage, projection);
  recio::stopRun(control);
}

}  // namespace analysis
