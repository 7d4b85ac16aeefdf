// Free-form items: character strings as they are, numbers after their sign
// area, each laid out in the record text.
#pragma once

#include "recio/core/io_status.h"

namespace recio {

[[nodiscard]] IoStatus writeFreeFormItem(IoControl& control, const char* item);

}  // namespace recio
