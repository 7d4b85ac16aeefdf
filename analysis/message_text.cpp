#include "analysis/message_text.h"

#include <algorithm>

#include "recio/numbers/integer_text.h"

namespace analysis {

MessageText& MessageText::add(std::string_view piece) {
  const std::size_t count = std::min(piece.size(), sizeof text_ - length_);
  std::copy_n(piece.data(), count, text_ + length_);
  length_ += count;
  return *this;
}

MessageText& MessageText::add(std::uint64_t number) {
  char digits[recio::kIntegerTextMax];
  return add(std::string_view(digits, recio::unsignedToText(number, digits)));
}

}  // namespace analysis
