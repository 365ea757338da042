#include "engine/syslib/sys_convert.h"

#include <algorithm>

#include "engine/run/run_messages.h"
#include "engine/syslib/sys_strings.h"
#include "engine/value/value_ops.h"
#include "support/errors.h"
#include "support/text.h"

namespace qv {

namespace {

// Copies the elements that both shapes have, at the same indexes.
Value Reshaped(const ArrayBlock& old, int32_t newHigh) {
  int dims = old.dims;
  int32_t low[ArrayBlock::kMaxDims], high[ArrayBlock::kMaxDims];
  for (int d = 0; d < dims; ++d) low[d] = old.low[d], high[d] = old.high[d];
  high[dims - 1] = std::max(newHigh, low[dims - 1] - 1);
  Value result = Value::Array(dims, low, high);
  ArrayBlock& fresh = result.mutable_array();
  int64_t oldLast = int64_t(old.high[dims - 1]) - old.low[dims - 1] + 1;
  int64_t newLast = int64_t(fresh.high[dims - 1]) - fresh.low[dims - 1] + 1;
  int64_t keep = std::min(oldLast, newLast);
  if (oldLast <= 0 || newLast <= 0) return result;
  int64_t rows = static_cast<int64_t>(old.items.size()) / oldLast;
  for (int64_t r = 0; r < rows; ++r)
    for (int64_t k = 0; k < keep; ++k) fresh.items[r * newLast + k] = old.items[r * oldLast + k];
  return result;
}

Value ZeroOf(int32_t type) {
  switch (type) {
    case 2:
    case 3:
    case 9:
    case 13:
    case 16:
    case 17:
    case 18:
    case 19:
      return Value::Int(0);
    case 20:
      return Value::Int64(0);
    case 21:
      return Value::UInt64(0);
    case 4:
    case 5:
      return Value::Double(0);
    case 6:
      return Value::CurrencyScaled(0);
    case 7:
      return Value::Date(0);
    case 11:
      return Value::Bool(false);
    case 8:
    case 256:
    case 258:
      return Value::Text(u"");
    case 10:
    case 12:
      return Value();
    default:
      throw ScriptError(run_msg::kVariantType);
  }
}

}  // namespace

std::u16string IntToStr(int64_t i) { return IntToText(i); }

std::u16string FloatToStr(double e) { return FloatToText(e); }

int32_t StrToInt(std::u16string_view s) {
  int32_t out;
  if (!TextToInt32(s, out)) throw NotValidError(s, u"integer value");
  return out;
}

int64_t StrToInt64(std::u16string_view s) {
  int64_t out;
  if (!TextToInt64(s, out)) throw NotValidError(s, u"integer value");
  return out;
}

double StrToFloat(std::u16string_view s) {
  double out;
  if (!TextToDouble(s, out)) throw NotValidError(s, u"floating point value");
  return out;
}

bool ValidInt(std::u16string_view s) {
  int32_t out;
  return TextToInt32(s, out);
}

bool ValidFloat(std::u16string_view s) {
  double out;
  return TextToDouble(s, out);
}

int64_t Length(const Value& v) {
  if (v.is_null()) return 0;
  if (v.is_array()) {
    const ArrayBlock& a = v.as_array();
    return std::max<int64_t>(int64_t(a.high[0]) - a.low[0] + 1, 0);
  }
  return static_cast<int64_t>(ToText(v).size());
}

void SetLength(Value& s, int64_t length) {
  if (s.is_text()) {
    SetTextLength(s.mutable_text(), length);
    return;
  }
  if (s.is_bytes()) {
    if (length > (int64_t(1) << 28)) throw ScriptError(run_msg::kOutOfMemory);
    s.mutable_bytes().resize(static_cast<size_t>(std::max<int64_t>(length, 0)), ' ');
    return;
  }
  if (s.is_null() || s.is_empty()) s = Value::Array({});
  if (!s.is_array()) throw ScriptError(run_msg::kNotAnArray);
  if (length > INT32_MAX) throw ScriptError(run_msg::kArrayTooLarge);
  const ArrayBlock& a = s.as_array();
  int32_t newHigh = length > 0 ? static_cast<int32_t>(length - 1) : 0;
  if (a.dims == 1) {
    // The common case resizes in place.
    int32_t high = std::max(newHigh, a.low[0] - 1);
    ArrayBlock& m = s.mutable_array();
    int64_t count = int64_t(high) - m.low[0] + 1;
    if (count > (int64_t(1) << 28)) throw ScriptError(run_msg::kArrayTooLarge);
    m.items.resize(static_cast<size_t>(count));
    m.high[0] = high;
    return;
  }
  s = Reshaped(a, newHigh);
}

Value VarArrayCreate(const Value& bounds, int32_t type) {
  Value zero = ZeroOf(type);
  if (!bounds.is_array()) throw ScriptError(run_msg::kArrayBounds);
  const ArrayBlock& b = bounds.as_array();
  size_t n = b.items.size();
  if (n == 0 || n % 2 != 0 || n / 2 > ArrayBlock::kMaxDims) throw ScriptError(run_msg::kArrayBounds);
  int dims = static_cast<int>(n / 2);
  int32_t low[ArrayBlock::kMaxDims], high[ArrayBlock::kMaxDims];
  for (int d = 0; d < dims; ++d) {
    low[d] = ToInt32(b.items[2 * d]);
    high[d] = ToInt32(b.items[2 * d + 1]);
  }
  Value result = Value::Array(dims, low, high);
  if (!zero.is_empty()) {
    ArrayBlock& a = result.mutable_array();
    std::fill(a.items.begin(), a.items.end(), zero);
  }
  return result;
}

}  // namespace qv
