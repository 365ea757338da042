#include "web/address_encoding.h"

#include "support/codepage.h"
#include "support/text.h"

namespace qv::web {

namespace {

constexpr char kHex[] = "0123456789ABCDEF";

void AppendEscaped(std::u16string& out, std::string_view bytes) {
  for (unsigned char b : bytes) {
    out += u'%';
    out += static_cast<char16_t>(kHex[b >> 4]);
    out += static_cast<char16_t>(kHex[b & 15]);
  }
}

}  // namespace

std::u16string EncodeAddress(std::u16string_view url, std::u16string_view charSet) {
  bool high = false;
  for (char16_t c : url) high = high || c > 176;
  if (!high) return std::u16string(url);
  bool gbk = SameText(charSet, u"GB2312") || SameText(charSet, u"GBK");
  std::u16string out;
  out.reserve(url.size() * 3);
  for (size_t i = 0; i < url.size(); ++i) {
    char16_t c = url[i];
    if (gbk ? c <= 176 : c < 128) {
      out += c;
      continue;
    }
    size_t n = (c >= 0xD800 && c <= 0xDBFF && i + 1 < url.size()) ? 2 : 1;  // keep surrogate pairs whole
    std::u16string_view ch = url.substr(i, n);
    AppendEscaped(out, gbk ? EncodeText(ch, kCpGb18030) : ToUtf8(ch));
    i += n - 1;
  }
  return out;
}

std::string WireUrl(std::u16string_view url) {
  std::string utf8 = ToUtf8(url), out;
  out.reserve(utf8.size());
  for (unsigned char b : utf8) {
    if (b <= 0x20 || b >= 0x7F) {
      out += '%';
      out += kHex[b >> 4];
      out += kHex[b & 15];
    } else {
      out += static_cast<char>(b);
    }
  }
  return out;
}

bool IsHttpUrl(std::u16string_view url) {
  std::u16string lower = LowerCase(url.substr(0, 8));
  return lower.rfind(u"http://", 0) == 0 || lower.rfind(u"https://", 0) == 0;
}

}  // namespace qv::web
