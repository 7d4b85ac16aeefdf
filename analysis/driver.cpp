#include "analysis/driver.h"

#include <cfenv>
#include <cstdint>

#include "analysis/connect_file.h"
#include "analysis/dialogue.h"
#include "analysis/loader.h"
#include "analysis/projections.h"
#include "analysis/working_storage.h"
#include "recio/units.h"

namespace analysis {
namespace {

// The run's storage, created once: fixed size, outside the stack.
WorkingStorage gStorage;
recio::IoControl gControl;

void disconnect(recio::IoControl& control) {
  recio::prepareStatement(control, kDataUnit);
  (void)recio::closeUnit(control);
}

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
  connectDataFile(control, "quorvi.res", "old");
  initialiseStorage(storage);
  loadFitResults(control, storage);
  disconnect(control);
  writeSummary(control, storage);
  readChoice(control, storage);
  writeProjection(control, storage, storage.choice);
  recio::stopRun(control);
}

}  // namespace analysis
