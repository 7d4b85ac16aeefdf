#include "analysis/driver.h"

#include <cfenv>
#include <cstdint>

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

void connectFitResults(recio::IoControl& control) {
  static constexpr char kName[] = "quorvi.res";
  static constexpr char kStatus[] = "old";
  recio::prepareStatement(control, kDataUnit);
  control.options.fileNameGiven = true;
  control.options.statusGiven = true;
  control.fileName = kName;
  control.fileNameLength = sizeof kName - 1;
  control.statusText = kStatus;
  control.statusTextLength = sizeof kStatus - 1;
  (void)recio::openUnit(control);
}

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
  connectFitResults(control);
  initialiseStorage(storage);
  loadFitResults(control, storage);
  disconnect(control);
  writeSummary(control, storage);
  readChoice(control, storage);
  writeProjection(control, storage, storage.choice);
  recio::stopRun(control);
}

}  // namespace analysis
