// What a record character is to the value scan, by one table lookup: blanks
// and tabs separate values and are passed over; a comma and a slash end a
// value too, and an asterisk ends one that is a repeat count.
#pragma once

#include <cstdint>

#include "recio/numbers/byte_table.h"

namespace recio {

enum CharacterClass : std::uint8_t { kValueCharacter = 0, kBlank = 1, kValueEnd = 2, kRepeatMark = 3 };

// No record holds a line feed; one would end a value like a separator.
inline constexpr char kStopByte = '\n';

inline constexpr ByteTable kCharacterClasses = makeByteTable([](unsigned char c) -> std::uint8_t {
  switch (c) {
    case ' ':
    case '\t': return kBlank;
    case ',':
    case '/':
    case kStopByte: return kValueEnd;
    case '*': return kRepeatMark;
    default: return kValueCharacter;
  }
});

inline std::uint8_t classOf(char c) { return lookUp(kCharacterClasses, c); }

}  // namespace recio
