#include "library/html/numeric_references.h"

#include <algorithm>
#include <cstdint>

#include "support/text.h"

namespace qv::library {

namespace {

constexpr size_t kMaxDigits = 7;

template <class Char>
bool IsDigit(Char c) {
  return c >= '0' && c <= '9';
}

uint32_t Checked(uint32_t code) { return code >= 0xD800 && code <= 0xDFFF ? 0xFFFD : code; }

void AppendCodePoint(std::u16string& out, uint32_t code) {
  code = Checked(code);  // a lone surrogate would be broken text
  if (code > 0xFFFF) {
    code -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (code >> 10));
    out += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
  } else {
    out += static_cast<char16_t>(code);
  }
}

void AppendCodePoint(std::string& out, uint32_t code) {
  code = Checked(code);
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | code >> 6);
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | code >> 12);
    out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | code >> 18);
    out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
    out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// Units of the character at `at`, which a "&#" without digits skips: a
// whole character, so a pair outside the BMP is never cut in half.
size_t SkippedUnits(std::u16string_view s, size_t at) {
  return IsHighSurrogate(s[at]) && at + 1 < s.size() && IsLowSurrogate(s[at + 1]) ? 2 : 1;
}
size_t SkippedUnits(std::string_view s, size_t at) {
  size_t n = 1;
  while (at + n < s.size() && (static_cast<unsigned char>(s[at + n]) & 0xC0) == 0x80) ++n;
  return n;
}

// The one algorithm for both forms.
template <class Char>
void Decode(std::basic_string_view<Char> text, std::basic_string<Char>& result) {
  using View = std::basic_string_view<Char>;
  const Char amp[] = {'&', '#'};
  const View marker(amp, 2);
  size_t p = text.find(marker);
  if (p == View::npos) {
    result.assign(text);
    return;
  }
  result.clear();
  result.reserve(text.size());
  size_t at = 0;  // start of the rest
  for (; p != View::npos; p = text.find(marker, at)) {
    result.append(text.substr(at, p - at));
    size_t digits = p + 2;
    size_t n = 0;
    while (n < kMaxDigits && digits + n < text.size() && IsDigit(text[digits + n])) ++n;
    if (n == 0) {
      // No digits: "&#" stays and the next character is skipped.
      result.append(marker);
      size_t skip = digits < text.size() ? SkippedUnits(text, digits) : 1;
      at = std::min(text.size(), digits + skip);
      continue;
    }
    size_t end = digits + n;
    uint32_t code = 0;
    for (size_t i = 0; i < n; ++i) code = code * 10 + static_cast<uint32_t>(text[digits + i] - '0');
    if (code > 0x10FFFF || (end < text.size() && IsDigit(text[end]))) {
      // Too long for a code point: the reference stays as it is.
      while (end < text.size() && IsDigit(text[end])) ++end;
      result.append(text.substr(p, end - p));
      at = end;
      continue;
    }
    AppendCodePoint(result, code);
    at = end < text.size() && text[end] == ';' ? end + 1 : end;
  }
  result.append(text.substr(at));
}

}  // namespace

std::u16string DecodeNumericReferences(std::u16string_view text) {
  std::u16string result;
  Decode(text, result);
  return result;
}

void DecodeNumericReferencesUtf8(std::string& text) {
  if (text.find("&#") == std::string::npos) return;
  std::string result;
  Decode(std::string_view(text), result);
  text = std::move(result);
}

}  // namespace qv::library
