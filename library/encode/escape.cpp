#include "library/encode/escape.h"

#include "library/encode/hex.h"

namespace qv::library {

namespace {

bool IsAlnum(char16_t c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// The value of `count` hexadecimal digits at text[pos], or -1 when they are
// not all there.
int HexRun(std::u16string_view text, size_t pos, size_t count) {
  if (pos + count > text.size()) return -1;
  int value = 0;
  for (size_t i = 0; i < count; ++i) {
    int d = HexValue(text[pos + i]);
    if (d < 0) return -1;
    value = value * 16 + d;
  }
  return value;
}

}  // namespace

std::u16string Escape(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size() * 3);
  for (char16_t c : text) {
    if (IsAlnum(c)) {
      out += c;
    } else if (c >= 256) {
      out += u"%u";
      for (int shift = 12; shift >= 0; shift -= 4) out += static_cast<char16_t>(kUpperHex[(c >> shift) & 15]);
    } else {
      out += u'%';
      out += static_cast<char16_t>(kUpperHex[c >> 4]);
      out += static_cast<char16_t>(kUpperHex[c & 15]);
    }
  }
  return out;
}

std::u16string Unescape(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    char16_t c = text[i];
    if (c == u'%' || c == u'\\') {
      if (i + 1 < text.size() && text[i + 1] == u'u') {
        if (int v = HexRun(text, i + 2, 4); v >= 0) {
          out += static_cast<char16_t>(v);
          i += 6;
          continue;
        }
      }
      if (int v = HexRun(text, i + 1, 2); v >= 0) {
        out += static_cast<char16_t>(v);
        i += 3;
        continue;
      }
    }
    out += c;
    ++i;
  }
  return out;
}

}  // namespace qv::library
