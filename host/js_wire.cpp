#include "host/js_wire.h"

#include <cstring>

#include "support/text.h"

namespace qv::host {

std::string EncodeCesu8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char16_t u : text) {
    if (u < 0x80) {
      out += static_cast<char>(u);
    } else if (u < 0x800) {
      out += static_cast<char>(0xC0 | (u >> 6));
      out += static_cast<char>(0x80 | (u & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (u >> 12));
      out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (u & 0x3F));
    }
  }
  return out;
}

namespace {

bool IsContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }

}  // namespace

std::u16string DecodeCesu8(std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  size_t i = 0;
  const size_t n = bytes.size();
  auto at = [&](size_t k) { return static_cast<unsigned char>(bytes[k]); };
  while (i < n) {
    unsigned char b = at(i);
    if (b < 0x80) {
      out += static_cast<char16_t>(b);
      i += 1;
    } else if (b >= 0xC2 && b < 0xE0 && i + 1 < n && IsContinuation(at(i + 1))) {
      out += static_cast<char16_t>(((b & 0x1F) << 6) | (at(i + 1) & 0x3F));
      i += 2;
    } else if (b >= 0xE0 && b < 0xF0 && i + 2 < n && IsContinuation(at(i + 1)) && IsContinuation(at(i + 2))) {
      char32_t c = ((b & 0x0F) << 12) | ((at(i + 1) & 0x3F) << 6) | (at(i + 2) & 0x3F);
      out += c >= 0x800 ? static_cast<char16_t>(c) : u'\uFFFD';
      i += 3;
    } else if (b >= 0xF0 && b < 0xF5 && i + 3 < n && IsContinuation(at(i + 1)) && IsContinuation(at(i + 2)) &&
               IsContinuation(at(i + 3))) {
      char32_t c =
          ((b & 0x07) << 18) | ((at(i + 1) & 0x3F) << 12) | ((at(i + 2) & 0x3F) << 6) | (at(i + 3) & 0x3F);
      if (c >= 0x10000 && c <= 0x10FFFF) {
        AppendCodePoint(out, c);
      } else {
        out += u'\uFFFD';
      }
      i += 4;
    } else {
      out += u'\uFFFD';
      i += 1;
    }
  }
  return out;
}

void AppendField(std::string& request, std::string_view field) {
  uint64_t size = field.size();
  char prefix[sizeof size];
  std::memcpy(prefix, &size, sizeof size);
  request.append(prefix, sizeof prefix);
  request.append(field);
}

}  // namespace qv::host
