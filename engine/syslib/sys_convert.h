// The conversion and value functions of the system library.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/value/value.h"

namespace qv {

std::u16string IntToStr(int64_t i);
std::u16string FloatToStr(double e);

// Decimal, "$" or "0x" hexadecimal, blanks around allowed. Invalid text
// raises ConvertError "'x' is not a valid integer value" (32 bits for
// StrToInt, 64 for StrToInt64) or "'x' is not a valid floating point value".
int32_t StrToInt(std::u16string_view s);
int64_t StrToInt64(std::u16string_view s);
double StrToFloat(std::u16string_view s);
bool ValidInt(std::u16string_view s);
bool ValidFloat(std::u16string_view s);

// Elements in the first dimension of an array, 0 for Null, else the length
// of the text form.
int64_t Length(const Value& v);

// Text (and byte strings) are cut or extended with spaces. Anything else is
// an array: Null or empty becomes an empty one, then the high bound of its
// last dimension becomes length - 1, or 0 for a length of 0 or less, so
// one element remains. Other kinds raise ScriptError "Variant is not an array".
void SetLength(Value& s, int64_t length);

// An array with bounds taken in pairs (low, high, ...) from the elements of
// `bounds`, 1 to 3 dimensions, each element the zero value of the type code
// `type` (varInteger 0, varDouble 0.0, varOleStr "", varVariant empty ...).
// ScriptError "Invalid array bounds" or "Invalid variant type" otherwise.
Value VarArrayCreate(const Value& bounds, int32_t type);

}  // namespace qv
