#include "library/encode/url_coding.h"

#include <type_traits>

#include "library/encode/hex.h"
#include "support/codepage.h"
#include "support/text.h"

namespace qv::library {

namespace {

bool StaysAsIs(unsigned char b) {
  return (b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || b == '-' || b == '.' ||
         b == '_';
}

// The byte of two hexadecimal digits at s[pos], or -1.
template <typename Str>
int HexPair(const Str& s, size_t pos) {
  using Unit = std::make_unsigned_t<typename Str::value_type>;
  if (pos + 2 > s.size()) return -1;
  int hi = HexValue(static_cast<Unit>(s[pos]));
  int lo = HexValue(static_cast<Unit>(s[pos + 1]));
  return hi < 0 || lo < 0 ? -1 : hi * 16 + lo;
}

}  // namespace

std::u16string UrlEncode(std::u16string_view text, UrlBytes bytes) {
  std::string raw = bytes == UrlBytes::Utf8 ? ToUtf8(text) : EncodeAnsi(text);
  std::u16string out;
  out.reserve(raw.size() * 3);
  for (unsigned char b : raw) {
    if (StaysAsIs(b)) {
      out += static_cast<char16_t>(b);
    } else if (b == ' ') {
      out += u"%20";
    } else {
      out += u'%';
      out += static_cast<char16_t>(kUpperHex[b >> 4]);
      out += static_cast<char16_t>(kUpperHex[b & 15]);
    }
  }
  return out;
}

std::u16string UrlDecodeFormBytes(std::string_view in) {
  std::string bytes;
  bytes.reserve(in.size());
  for (size_t i = 0; i < in.size();) {
    char c = in[i];
    if (c == '%') {
      int v = HexPair(in, i + 1);
      if (v >= 0) bytes += static_cast<char>(v);
      i += 3;  // an invalid escape is dropped whole
    } else {
      bytes += c == '+' ? ' ' : c;
      ++i;
    }
  }
  if (!IsValidUtf8(bytes)) return {};
  std::u16string text = FromUtf8(bytes);
  if (size_t nul = text.find(u'\0'); nul != std::u16string::npos) text.resize(nul);
  return text;
}

std::u16string UrlDecodeText(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size());
  std::string pending;  // bytes of adjacent escapes, decoded together as UTF-8
  auto flush = [&] {
    if (!pending.empty()) out += FromUtf8(pending);
    pending.clear();
  };
  for (size_t i = 0; i < text.size();) {
    char16_t c = text[i];
    if (c != u'%') {
      flush();
      out += c;
      ++i;
      continue;
    }
    if (i + 1 < text.size() && (text[i + 1] == u'u' || text[i + 1] == u'U')) {
      int hi = HexPair(text, i + 2), lo = HexPair(text, i + 4);
      if (hi >= 0 && lo >= 0) {
        // Straight into the text, so that a surrogate pair written as two
        // escapes stays one character.
        flush();
        out += static_cast<char16_t>(hi * 256 + lo);
        i += 6;
        continue;
      }
    }
    if (int v = HexPair(text, i + 1); v >= 0) pending += static_cast<char>(v);
    i += 3;  // an invalid escape is dropped whole
  }
  flush();
  return out;
}

std::u16string UrlDecode(std::u16string_view text, UrlBytes bytes) {
  return bytes == UrlBytes::Utf8 ? UrlDecodeFormBytes(EncodeAnsi(text)) : UrlDecodeText(text);
}

}  // namespace qv::library
