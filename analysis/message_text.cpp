#include "analysis/message_text.h"

#include "recio/numbers/integer_text.h"

namespace analysis {

MessageText& MessageText::add(std::string_view piece) {
  length_ += piece.copy(text_ + length_, sizeof text_ - length_);
  return *this;
}

MessageText& MessageText::add(std::uint64_t number) {
  char digits[recio::kIntegerTextMax];
  return add(std::string_view(digits, recio::unsignedToText(number, digits)));
}

}  // namespace analysis
