#include "recio/core/io_control.h"

namespace recio {

void prepareStatement(IoControl& control, std::int32_t unit) {
  control.options = StatementOptions{};
  control.item = ItemDescriptor{};
  control.unit = unit;
  control.fileName = nullptr;
  control.fileNameLength = 0;
  control.statusText = nullptr;
  control.statusTextLength = 0;
  control.format = nullptr;
}

}  // namespace recio
