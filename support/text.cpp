#include "support/text.h"

#include <unicode/uchar.h>

#include <cstdint>
#include <cstring>

namespace qv {

namespace {

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// Decodes one UTF-8 sequence at `i`; returns its length, 0 when malformed.
size_t DecodeUtf8(std::string_view s, size_t i, char32_t& c) {
  unsigned char b = static_cast<unsigned char>(s[i]);
  if (b < 0x80) {
    c = b;
    return 1;
  }
  size_t len;
  char32_t min;
  if (b >= 0xC2 && b <= 0xDF) {
    len = 2, c = b & 0x1F, min = 0x80;
  } else if (b >= 0xE0 && b <= 0xEF) {
    len = 3, c = b & 0x0F, min = 0x800;
  } else if (b >= 0xF0 && b <= 0xF4) {
    len = 4, c = b & 0x07, min = 0x10000;
  } else {
    return 0;
  }
  if (i + len > s.size()) return 0;
  for (size_t k = 1; k < len; ++k) {
    unsigned char t = static_cast<unsigned char>(s[i + k]);
    if ((t & 0xC0) != 0x80) return 0;
    c = (c << 6) | (t & 0x3F);
  }
  if (c < min || c > 0x10FFFF || IsSurrogate(c)) return 0;
  return len;
}

}  // namespace

std::string ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    char16_t u = text[i];
    if (u < 0x80) {
      // A run of ASCII in one go.
      size_t end = i + 1;
      while (end < text.size() && text[end] < 0x80) ++end;
      size_t at = out.size();
      out.resize(at + (end - i));
      for (size_t k = i; k < end; ++k) out[at + (k - i)] = static_cast<char>(text[k]);
      i = end;
    } else {
      char32_t c = NextCodePoint(text, i);
      AppendUtf8(out, IsSurrogate(c) ? 0xFFFD : c);
    }
  }
  return out;
}

std::u16string FromUtf8(std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  for (size_t i = 0; i < bytes.size();) {
    unsigned char b = static_cast<unsigned char>(bytes[i]);
    if (b < 0x80) {
      // A run of ASCII in one go.
      size_t end = i + 1;
      while (end < bytes.size() && static_cast<unsigned char>(bytes[end]) < 0x80) ++end;
      size_t at = out.size();
      out.resize(at + (end - i));
      for (size_t k = i; k < end; ++k) out[at + (k - i)] = static_cast<unsigned char>(bytes[k]);
      i = end;
      continue;
    }
    char32_t c;
    size_t len = DecodeUtf8(bytes, i, c);
    if (len == 0) {
      out += u'\uFFFD';
      ++i;
    } else {
      AppendCodePoint(out, c);
      i += len;
    }
  }
  return out;
}

bool IsValidUtf8(std::string_view bytes) {
  for (size_t i = 0; i < bytes.size();) {
    // Runs of ASCII, eight bytes at a time: pages are mostly markup.
    if (i + 8 <= bytes.size()) {
      uint64_t word;
      std::memcpy(&word, bytes.data() + i, 8);
      if ((word & 0x8080808080808080ull) == 0) {
        i += 8;
        continue;
      }
    }
    if (static_cast<unsigned char>(bytes[i]) < 0x80) {
      ++i;
      continue;
    }
    char32_t c;
    size_t len = DecodeUtf8(bytes, i, c);
    if (len == 0) return false;
    i += len;
  }
  return true;
}

std::u16string FromAscii(std::string_view ascii) {
  std::u16string out(ascii.size(), u'\0');
  for (size_t i = 0; i < ascii.size(); ++i) out[i] = static_cast<unsigned char>(ascii[i]);
  return out;
}

char32_t UpCaseCodePoint(char32_t c) {
  if (c < 0x80) return (c >= 'a' && c <= 'z') ? c - 32 : c;
  return static_cast<char32_t>(u_toupper(static_cast<UChar32>(c)));
}

char32_t LowCaseCodePoint(char32_t c) {
  if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c + 32 : c;
  return static_cast<char32_t>(u_tolower(static_cast<UChar32>(c)));
}

namespace {

// Maps each code point; a mapping that would change the UTF-16 length is
// skipped so positions stay valid.
template <typename Map>
std::u16string MapCase(std::u16string_view text, Map map) {
  std::u16string out(text);
  for (size_t i = 0; i < out.size(); ++i) {
    char16_t u = out[i];
    if (u < 0x80) {
      out[i] = static_cast<char16_t>(map(u));
    } else if (IsHighSurrogate(u) && i + 1 < out.size() && IsLowSurrogate(out[i + 1])) {
      char32_t m = map(CombineSurrogates(u, out[i + 1]));
      if (m >= 0x10000) {
        std::u16string pair;
        AppendCodePoint(pair, m);
        out[i] = pair[0];
        out[i + 1] = pair[1];
      }
      ++i;
    } else if (!IsSurrogate(u)) {
      char32_t m = map(u);
      if (m < 0x10000 && !IsSurrogate(m)) out[i] = static_cast<char16_t>(m);
    }
  }
  return out;
}

}  // namespace

std::u16string_view TrimBlanks(std::u16string_view text) {
  size_t b = 0, e = text.size();
  while (b < e && text[b] <= u' ') ++b;
  while (e > b && text[e - 1] <= u' ') --e;
  return text.substr(b, e - b);
}

std::u16string UpperCase(std::u16string_view text) { return MapCase(text, UpCaseCodePoint); }

std::u16string LowerCase(std::u16string_view text) { return MapCase(text, LowCaseCodePoint); }

int CompareText(std::u16string_view a, std::u16string_view b) {
  size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    char16_t x = a[i], y = b[i];
    if (x == y) continue;
    char32_t ux = IsSurrogate(x) ? x : UpCaseCodePoint(x);
    char32_t uy = IsSurrogate(y) ? y : UpCaseCodePoint(y);
    if (ux != uy) return ux < uy ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

bool SameText(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() && CompareText(a, b) == 0;
}

std::u16string IntToText(long long value) {
  char buf[24];
  int n = 0;
  unsigned long long v = value < 0 ? 0ULL - static_cast<unsigned long long>(value) : value;
  do {
    buf[n++] = static_cast<char>('0' + v % 10);
    v /= 10;
  } while (v);
  std::u16string out;
  out.reserve(n + 1);
  if (value < 0) out += u'-';
  while (n) out += static_cast<char16_t>(buf[--n]);
  return out;
}

}  // namespace qv
