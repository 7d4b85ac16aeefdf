#include "analysis/connect_file.h"

#include "recio/units.h"

namespace analysis {

void connectDataFile(recio::IoControl& control, std::string_view name, std::string_view status) {
  recio::prepareStatement(control, kDataUnit);
  control.options.fileNameGiven = true;
  control.options.statusGiven = true;
  control.fileName = name.data();
  control.fileNameLength = name.size();
  control.statusText = status.data();
  control.statusTextLength = status.size();
  (void)recio::openUnit(control);
}

}  // namespace analysis
