#include "library/strings/array_values.h"

namespace qv::library {

std::optional<std::vector<Value>> AsValueList(const Value& v) {
  if (!v.is_array()) return std::nullopt;
  return v.as_array().items;
}

std::vector<Value> ValueListOrEmpty(const Value& v) {
  auto list = AsValueList(v);
  return list ? std::move(*list) : std::vector<Value>();
}

namespace {

const std::vector<Value>& ItemsOrRaise(const Value& v, std::u16string_view what) {
  static const std::vector<Value> kNone;
  if (v.is_array()) return v.as_array().items;
  if (v.is_null() || v.is_empty()) return kNone;
  throw ConvertError(u"Could not convert variant into type (" + std::u16string(what) + u")");
}

}  // namespace

std::vector<std::u16string> ToTextList(const Value& v) {
  std::vector<std::u16string> out;
  for (const Value& item : ItemsOrRaise(v, u"Array of String")) out.push_back(ToText(item));
  return out;
}

std::vector<int32_t> ToIntList(const Value& v) {
  std::vector<int32_t> out;
  for (const Value& item : ItemsOrRaise(v, u"Array of Integer")) out.push_back(ToInt32(item));
  return out;
}

Value TextListValue(const std::vector<std::u16string>& items) {
  std::vector<Value> values;
  values.reserve(items.size());
  for (const std::u16string& s : items) values.push_back(Value::Text(s));
  return Value::Array(std::move(values));
}

Value TextListValue(std::vector<std::u16string>&& items) {
  std::vector<Value> values;
  values.reserve(items.size());
  for (std::u16string& s : items) values.push_back(Value::Text(std::move(s)));
  return Value::Array(std::move(values));
}

Value IntListValue(const std::vector<int32_t>& items) {
  std::vector<Value> values;
  values.reserve(items.size());
  for (int32_t i : items) values.push_back(Value::Int(i));
  return Value::Array(std::move(values));
}

Value ValueListValue(std::vector<Value> items) { return Value::Array(std::move(items)); }

}  // namespace qv::library
