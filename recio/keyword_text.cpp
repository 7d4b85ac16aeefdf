#include "recio/keyword_text.h"

namespace recio {

bool isKeyword(const char* text, std::size_t length, std::string_view keyword) noexcept {
  while (length > 0 && text[length - 1] == ' ') --length;
  if (length != keyword.size()) return false;
  for (std::size_t i = 0; i < length; ++i) {
    char c = text[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != keyword[i]) return false;
  }
  return true;
}

}  // namespace recio
