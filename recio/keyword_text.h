// Keyword texts of connect and disconnect (status "OLD", "KEEP", ...):
// trailing blanks dropped, a-z raised; leading blanks stay, so they match nothing.
#pragma once

#include <cstddef>
#include <string_view>

namespace recio {

// True when `text` reads as `keyword` (given in upper case).
[[nodiscard]] bool isKeyword(const char* text, std::size_t length, std::string_view keyword) noexcept;

}  // namespace recio
