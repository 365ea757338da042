// Text helpers: the one place where the engine's UTF-16 text meets UTF-8 and
// where letters change case.
//
// Text is std::u16string; lengths and positions count UTF-16 code units.
#pragma once

#include <string>
#include <string_view>

namespace qv {

// UTF-16 to UTF-8. A lone surrogate becomes U+FFFD.
std::string ToUtf8(std::u16string_view text);

// UTF-8 to UTF-16. Malformed input becomes U+FFFD, one per maximal
// ill-formed subpart: "\xF0\xA9\xA1\t" gives U+FFFD and a tab.
std::u16string FromUtf8(std::string_view bytes);

// True when `bytes` is well-formed UTF-8 (no overlongs, no surrogates).
bool IsValidUtf8(std::string_view bytes);

// UTF-16 surrogates: the one home of their arithmetic.
constexpr bool IsHighSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
constexpr bool IsLowSurrogate(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }
constexpr bool IsSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }
constexpr char32_t CombineSurrogates(char32_t high, char32_t low) {
  return 0x10000 + ((high - 0xD800) << 10) + (low - 0xDC00);
}

// Appends code point `c` (at most U+10FFFF) as one unit or a surrogate pair.
inline void AppendCodePoint(std::u16string& out, char32_t c) {
  if (c < 0x10000) {
    out += static_cast<char16_t>(c);
  } else {
    c -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (c >> 10));
    out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
  }
}

// The code point that starts at text[i] (i < text.size()); `i` moves past
// it. A surrogate without its partner comes back as itself, one unit long.
inline char32_t NextCodePoint(std::u16string_view text, size_t& i) {
  char32_t u = text[i++];
  if (IsHighSurrogate(u) && i < text.size() && IsLowSurrogate(text[i]))
    return CombineSurrogates(u, text[i++]);
  return u;
}

// Widens 7-bit text, for literals and messages built from ASCII.
std::u16string FromAscii(std::string_view ascii);

// Case mapping for all alphabets, one code point at a time; the length in
// code units never changes. ASCII is mapped inline: names and keywords
// nearly always are ASCII.
char32_t UpCaseBeyondAscii(char32_t c);
char32_t LowCaseBeyondAscii(char32_t c);
inline char32_t UpCaseCodePoint(char32_t c) {
  if (c < 0x80) return (c >= 'a' && c <= 'z') ? c - 32 : c;
  return UpCaseBeyondAscii(c);
}
inline char32_t LowCaseCodePoint(char32_t c) {
  if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c + 32 : c;
  return LowCaseBeyondAscii(c);
}

// Removes leading and trailing blanks and control characters (codes up to 32).
std::u16string_view TrimBlanks(std::u16string_view text);

std::u16string UpperCase(std::u16string_view text);
// UpperCase over `n` units in place, for callers that keep the result in a
// buffer of their own.
void UpperCaseInPlace(char16_t* text, size_t n);
std::u16string LowerCase(std::u16string_view text);

// Case-insensitive comparison: <0, 0, >0 on the upper-cased texts.
int CompareText(std::u16string_view a, std::u16string_view b);
bool SameText(std::u16string_view a, std::u16string_view b);

// Decimal text of an integer.
std::u16string IntToText(long long value);

}  // namespace qv
