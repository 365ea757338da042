// Script arrays as the library sees them: lists of values, texts or
// integers, built from and turned back into array values.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/engine.h"

namespace qv::library {

// The elements of an array value (all of them, row by row); nothing when
// the value is not an array.
std::optional<std::vector<Value>> AsValueList(const Value& v);
// AsValueList, or an empty list for a value that is not an array.
std::vector<Value> ValueListOrEmpty(const Value& v);

// Elements as texts; Null and empty give an empty list, any other value
// that is not an array raises the conversion error.
std::vector<std::u16string> ToTextList(const Value& v);
// Elements as integers (the engine's conversion of each element).
std::vector<int32_t> ToIntList(const Value& v);

Value TextListValue(const std::vector<std::u16string>& items);
Value IntListValue(const std::vector<int32_t>& items);
Value ValueListValue(std::vector<Value> items);

}  // namespace qv::library
