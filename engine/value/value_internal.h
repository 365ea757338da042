// Helpers shared by the value-rule sources; not part of the engine's API.
#pragma once

#include <string_view>

#include "engine/value/value.h"

namespace qv::detail {

// "Invalid variant operation": an array used as an operand.
[[noreturn]] void ThrowInvalidOperand(std::u16string_view opSymbol);
// An array where a single value is needed.
[[noreturn]] void ThrowInvalidConversion(std::u16string_view targetName);

}  // namespace qv::detail
