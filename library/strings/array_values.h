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
Value TextListValue(std::vector<std::u16string>&& items);

// The text of a value without a copy when it already is text.
class TextOf {
 public:
  explicit TextOf(const Value& v) {
    if (v.is_text()) {
      text_ = &v.as_text();
    } else {
      own_ = ToText(v);
      text_ = &own_;
    }
  }
  TextOf(const TextOf&) = delete;
  TextOf& operator=(const TextOf&) = delete;
  const std::u16string& operator*() const { return *text_; }
  operator std::u16string_view() const { return *text_; }

 private:
  const std::u16string* text_;
  std::u16string own_;
};
Value IntListValue(const std::vector<int32_t>& items);
Value ValueListValue(std::vector<Value> items);

}  // namespace qv::library
