// The integer reading of `isnumeric`, shared by the functions that accept a
// number written as text (group numbers, sort keys).
#pragma once

#include <cstdint>
#include <string_view>

namespace qv::library {

// Leading spaces, an optional sign, then decimal digits or a hexadecimal
// prefix ("$", "x", "X", "0x", "0X") and hexadecimal digits; nothing may
// follow, and the value must fit 32 bits (hexadecimal as a bit pattern of
// at most 32 bits, so "$FFFFFFFF" is -1).
bool ReadInt32(std::u16string_view text, int32_t& value);
inline bool IsNumericText(std::u16string_view text) {
  int32_t unused;
  return ReadInt32(text, unused);
}

}  // namespace qv::library
