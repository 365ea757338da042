#include "support/text.h"

#include <unicode/uchar.h>

#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace qv {

namespace {

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

// Length of the maximal ill-formed subpart at i, where DecodeUtf8 failed:
// the lead byte and the continuation bytes that could still have begun a
// well-formed sequence. Each such subpart becomes one U+FFFD, as Unicode
// recommends (and ICU and Python do).
size_t IllFormedLength(std::string_view s, size_t i) {
  unsigned char b = static_cast<unsigned char>(s[i]);
  size_t len;
  unsigned char lo = 0x80, hi = 0xBF;
  if (b >= 0xC2 && b <= 0xDF) {
    len = 2;
  } else if (b >= 0xE0 && b <= 0xEF) {
    len = 3;
    if (b == 0xE0) lo = 0xA0;  // no overlong forms
    if (b == 0xED) hi = 0x9F;  // no surrogates
  } else if (b >= 0xF0 && b <= 0xF4) {
    len = 4;
    if (b == 0xF0) lo = 0x90;  // no overlong forms
    if (b == 0xF4) hi = 0x8F;  // nothing beyond U+10FFFF
  } else {
    return 1;
  }
  size_t k = 1;
  for (; k < len && i + k < s.size(); ++k) {
    unsigned char t = static_cast<unsigned char>(s[i + k]);
    if (t < lo || t > hi) break;
    lo = 0x80, hi = 0xBF;
  }
  return k;
}

// Length of the ASCII run at the start of [p, end): pages are mostly markup,
// so the converters move sixteen units at a time while they can.
size_t AsciiPrefix(const unsigned char* p, const unsigned char* end) {
  const unsigned char* start = p;
#if defined(__SSE2__)
  while (end - p >= 16) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    int high = _mm_movemask_epi8(v);
    if (high != 0) return static_cast<size_t>(p - start) + __builtin_ctz(high);
    p += 16;
  }
#endif
  while (p < end && *p < 0x80) ++p;
  return static_cast<size_t>(p - start);
}

// Widens n ASCII bytes.
void WidenAscii(const unsigned char* p, size_t n, char16_t* out) {
  size_t i = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  for (; i + 16 <= n; i += 16) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_unpacklo_epi8(v, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i + 8), _mm_unpackhi_epi8(v, zero));
  }
#endif
  for (; i < n; ++i) out[i] = p[i];
}

// The UTF-8 length of one code point.
size_t Utf8Length(char32_t c) { return c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4; }

char* PutUtf8(char* out, char32_t c) {
  if (c < 0x80) {
    *out++ = static_cast<char>(c);
  } else if (c < 0x800) {
    *out++ = static_cast<char>(0xC0 | (c >> 6));
    *out++ = static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    *out++ = static_cast<char>(0xE0 | (c >> 12));
    *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    *out++ = static_cast<char>(0x80 | (c & 0x3F));
  } else {
    *out++ = static_cast<char>(0xF0 | (c >> 18));
    *out++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    *out++ = static_cast<char>(0x80 | (c & 0x3F));
  }
  return out;
}

// UTF-8 bytes of one unit or surrogate pair at text[i]; `i` moves past it.
inline char* PutUnitUtf8(std::u16string_view text, size_t& i, char* out) {
  char16_t u = text[i];
  if (u < 0x80) {
    *out++ = static_cast<char>(u);
    ++i;
  } else if (u < 0x800) {
    *out++ = static_cast<char>(0xC0 | (u >> 6));
    *out++ = static_cast<char>(0x80 | (u & 0x3F));
    ++i;
  } else if (!IsSurrogate(u)) {
    *out++ = static_cast<char>(0xE0 | (u >> 12));
    *out++ = static_cast<char>(0x80 | ((u >> 6) & 0x3F));
    *out++ = static_cast<char>(0x80 | (u & 0x3F));
    ++i;
  } else {
    char32_t c = NextCodePoint(text, i);
    out = PutUtf8(out, IsSurrogate(c) ? 0xFFFD : c);
  }
  return out;
}

// The UTF-8 length of text: one byte a unit, one more from U+0080, one
// more from U+0800; a unit of a valid surrogate pair counts two (four the
// pair), a lone surrogate three (U+FFFD).
size_t Utf8LengthOf(std::u16string_view text) {
  const char16_t* p = text.data();
  const size_t n = text.size();
  size_t length = 0, i = 0;
#if defined(__SSE2__)
  const __m128i ascii_bits = _mm_set1_epi16(static_cast<short>(0xFF80));
  const __m128i two_byte_bits = _mm_set1_epi16(static_cast<short>(0xF800));
  const __m128i surrogate = _mm_set1_epi16(static_cast<short>(0xD800));
  const __m128i zero = _mm_setzero_si128();
  // Per lane, the bytes beyond one that the units need, counted as -1 for
  // each "below" answer: -2 for ASCII, -1 below U+0800, 0 above. Lanes are
  // summed before they could overflow.
  __m128i below = zero;
  size_t blocks = 0;
  auto flush = [&] {
    int32_t sums[4];
    _mm_storeu_si128(reinterpret_cast<__m128i*>(sums), _mm_madd_epi16(below, _mm_set1_epi16(1)));
    length += blocks * 24 - static_cast<size_t>(-(int64_t{sums[0]} + sums[1] + sums[2] + sums[3]));
    below = zero;
    blocks = 0;
  };
  while (i + 8 <= n) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    __m128i top = _mm_and_si128(v, two_byte_bits);
    if (_mm_movemask_epi8(_mm_cmpeq_epi16(top, surrogate)) != 0) {
      // Pairs may cross the block's edge: count this block unit by unit.
      for (size_t stop = i + 8; i < stop;) {
        char32_t c = NextCodePoint(text, i);
        length += Utf8Length(IsSurrogate(c) ? 0xFFFD : c);
      }
      continue;
    }
    below = _mm_add_epi16(below, _mm_cmpeq_epi16(_mm_and_si128(v, ascii_bits), zero));
    below = _mm_add_epi16(below, _mm_cmpeq_epi16(top, zero));
    i += 8;
    if (++blocks == 8192) flush();
  }
  flush();
#endif
  while (i < n) {
    char32_t c = NextCodePoint(text, i);
    length += Utf8Length(IsSurrogate(c) ? 0xFFFD : c);
  }
  return length;
}

}  // namespace

// Two passes, exact length first: sizing for the worst case would touch
// three bytes of fresh memory per unit, which costs more than the scan.
std::string ToUtf8(std::u16string_view text) {
  const char16_t* p = text.data();
  const size_t n = text.size();
  std::string out;
  out.resize(Utf8LengthOf(text));
  char* o = out.data();
  size_t i = 0;
#if defined(__SSE2__)
  const __m128i ascii_bits = _mm_set1_epi16(static_cast<short>(0xFF80));
  const __m128i zero = _mm_setzero_si128();
  while (i + 8 <= n) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    if (_mm_movemask_epi8(_mm_cmpeq_epi16(_mm_and_si128(v, ascii_bits), zero)) == 0xFFFF) {
      _mm_storel_epi64(reinterpret_cast<__m128i*>(o), _mm_packus_epi16(v, v));
      o += 8;
      i += 8;
      continue;
    }
    for (size_t stop = i + 8; i < stop;) o = PutUnitUtf8(text, i, o);
  }
#endif
  while (i < n) o = PutUnitUtf8(text, i, o);
  return out;
}

// A UTF-8 text never has more UTF-16 units than bytes, so one buffer of the
// byte length holds the result.
std::u16string FromUtf8(std::string_view bytes) {
  const auto* begin = reinterpret_cast<const unsigned char*>(bytes.data());
  const auto* end = begin + bytes.size();
  std::u16string out;
  out.resize(bytes.size());
  char16_t* o = out.data();
  for (size_t i = 0; i < bytes.size();) {
    size_t run = AsciiPrefix(begin + i, end);
    WidenAscii(begin + i, run, o);
    o += run;
    i += run;
    if (i == bytes.size()) break;
    char32_t c;
    size_t len = DecodeUtf8(bytes, i, c);
    if (len == 0) {
      *o++ = u'\uFFFD';
      i += IllFormedLength(bytes, i);
    } else if (c < 0x10000) {
      *o++ = static_cast<char16_t>(c);
      i += len;
    } else {
      c -= 0x10000;
      *o++ = static_cast<char16_t>(0xD800 + (c >> 10));
      *o++ = static_cast<char16_t>(0xDC00 + (c & 0x3FF));
      i += len;
    }
  }
  out.resize(static_cast<size_t>(o - out.data()));
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

char32_t UpCaseBeyondAscii(char32_t c) { return static_cast<char32_t>(u_toupper(static_cast<UChar32>(c))); }

char32_t LowCaseBeyondAscii(char32_t c) { return static_cast<char32_t>(u_tolower(static_cast<UChar32>(c))); }

namespace {

// Maps each code point in place; a mapping that would change the UTF-16
// length is skipped so positions stay valid.
template <typename Map>
void MapCaseInPlace(char16_t* out, size_t n, Map map) {
  for (size_t i = 0; i < n; ++i) {
    char16_t u = out[i];
    if (u < 0x80) {
      out[i] = static_cast<char16_t>(map(u));
    } else if (IsHighSurrogate(u) && i + 1 < n && IsLowSurrogate(out[i + 1])) {
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
}

template <typename Map>
std::u16string MapCase(std::u16string_view text, Map map) {
  std::u16string out(text);
  MapCaseInPlace(out.data(), out.size(), map);
  return out;
}

}  // namespace

std::u16string_view TrimBlanks(std::u16string_view text) {
  size_t b = 0, e = text.size();
  while (b < e && text[b] <= u' ') ++b;
  while (e > b && text[e - 1] <= u' ') --e;
  return text.substr(b, e - b);
}

// Lambdas rather than function pointers: the ASCII step is inlined.
std::u16string UpperCase(std::u16string_view text) {
  return MapCase(text, [](char32_t c) { return UpCaseCodePoint(c); });
}

void UpperCaseInPlace(char16_t* text, size_t n) {
  MapCaseInPlace(text, n, [](char32_t c) { return UpCaseCodePoint(c); });
}

std::u16string LowerCase(std::u16string_view text) {
  return MapCase(text, [](char32_t c) { return LowCaseCodePoint(c); });
}

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
