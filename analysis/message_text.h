// Short diagnostic texts built from pieces and numbers, with the record
// layer's own integer text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace analysis {

class MessageText {
 public:
  MessageText& add(std::string_view piece);
  MessageText& add(std::uint64_t number);
  [[nodiscard]] std::string_view text() const { return {text_, length_}; }

 private:
  // Every message of the program fits; a longer one is cut, never overrun.
  char text_[256];
  std::size_t length_ = 0;
};

}  // namespace analysis
