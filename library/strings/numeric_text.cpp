#include "library/strings/numeric_text.h"

namespace qv::library {

namespace {

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

}  // namespace

bool ReadInt32(std::u16string_view t, int32_t& value) {
  size_t i = 0;
  while (i < t.size() && t[i] == u' ') ++i;
  bool negative = false;
  if (i < t.size() && (t[i] == u'+' || t[i] == u'-')) negative = t[i++] == u'-';
  bool hex = false;
  if (i < t.size() && (t[i] == u'$' || t[i] == u'x' || t[i] == u'X')) {
    hex = true;
    ++i;
  } else if (i + 1 < t.size() && t[i] == u'0' && (t[i + 1] == u'x' || t[i + 1] == u'X')) {
    hex = true;
    i += 2;
  }
  if (i >= t.size()) return false;
  uint64_t v = 0;
  for (; i < t.size(); ++i) {
    const int d = hex ? HexDigit(t[i]) : (t[i] >= u'0' && t[i] <= u'9' ? t[i] - u'0' : -1);
    if (d < 0) return false;
    v = v * (hex ? 16 : 10) + static_cast<uint64_t>(d);
    if (v > 0xFFFFFFFFull) return false;
  }
  if (hex) {
    const auto bits = static_cast<int32_t>(static_cast<uint32_t>(v));
    value = negative ? static_cast<int32_t>(0u - static_cast<uint32_t>(bits)) : bits;
    return true;
  }
  if (negative ? v > 2147483648ull : v > 2147483647ull) return false;
  value = negative ? static_cast<int32_t>(-static_cast<int64_t>(v)) : static_cast<int32_t>(v);
  return true;
}

}  // namespace qv::library
