#include "library/html/numeric_references.h"

#include <algorithm>
#include <cstdint>

namespace qv::library {

namespace {

constexpr size_t kMaxDigits = 7;

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

void AppendCodePoint(std::u16string& out, uint32_t code) {
  if (code >= 0xD800 && code <= 0xDFFF) {
    out += u'\uFFFD';  // a lone surrogate would be broken text
  } else if (code > 0xFFFF) {
    code -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (code >> 10));
    out += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
  } else {
    out += static_cast<char16_t>(code);
  }
}

}  // namespace

std::u16string DecodeNumericReferences(std::u16string_view text) {
  size_t p = text.find(u"&#");
  if (p == std::u16string_view::npos) return std::u16string(text);
  std::u16string result;
  result.reserve(text.size());
  size_t at = 0;  // start of the rest
  for (; p != std::u16string_view::npos; p = text.find(u"&#", at)) {
    result.append(text.substr(at, p - at));
    size_t digits = p + 2;
    size_t n = 0;
    while (n < kMaxDigits && digits + n < text.size() && IsDigit(text[digits + n])) ++n;
    if (n == 0) {
      // No digits: "&#" stays and the next character is skipped.
      result += u"&#";
      at = std::min(text.size(), digits + 1);
      continue;
    }
    size_t end = digits + n;
    uint32_t code = 0;
    for (size_t i = 0; i < n; ++i) code = code * 10 + static_cast<uint32_t>(text[digits + i] - u'0');
    if (code > 0x10FFFF || (end < text.size() && IsDigit(text[end]))) {
      // Too long for a code point: the reference stays as it is.
      while (end < text.size() && IsDigit(text[end])) ++end;
      result.append(text.substr(p, end - p));
      at = end;
      continue;
    }
    AppendCodePoint(result, code);
    at = end < text.size() && text[end] == u';' ? end + 1 : end;
  }
  result.append(text.substr(at));
  return result;
}

}  // namespace qv::library
