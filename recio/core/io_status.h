// What every statement call gives back and the kinds it is made of; enough
// for a header that only declares calls on the control record.
#pragma once

#include <cstdint>

namespace recio {

// clang-format off
enum class [[nodiscard]] IoStatus : std::int32_t { Ok = 0, Error = 1, EndOfFile = 2 };
// clang-format on

// A failureCode: 10000..10073 are the layer's own, anything else is a
// platform error number.
using FailureCode = std::int32_t;

enum class StatementKind : std::uint8_t { None, Open, Close, Read, Write };
enum class ItemType : std::uint8_t { Character, Integer32, Real64 };
enum class Access : std::uint8_t { Read = 1, Write = 2, Both = 3 };

struct IoControl;
struct UnitConnection;

}  // namespace recio
