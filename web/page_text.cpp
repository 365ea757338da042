#include "web/page_text.h"

#include "support/codepage.h"
#include "support/han_script.h"
#include "support/text.h"

namespace qv::web {

namespace {

char16_t LowerAscii(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }
char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

std::u16string DecodeUtf8Page(std::string_view bytes) {
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
  return FromUtf8(bytes);
}

// Byte offset of the first "</head>" (any case). In the ASCII-compatible
// code pages "<" and "/" never occur as the second byte of a character, so
// the bytes find the same place the decoded text would.
size_t FindHeadEnd(std::string_view bytes) {
  static constexpr std::string_view kTag = "</head>";
  for (size_t i = bytes.find('<'); i != std::string_view::npos; i = bytes.find('<', i + 1)) {
    if (bytes.size() - i < kTag.size()) break;
    size_t k = 1;
    while (k < kTag.size() && LowerAscii(bytes[i + k]) == kTag[k]) ++k;
    if (k == kTag.size()) return i;
  }
  return std::string_view::npos;
}

bool Contains(std::u16string_view s, std::u16string_view what) {
  return s.find(what) != std::u16string_view::npos;
}

// "charset=" followed by the name, bare or after a quote: the http-equiv
// form (content="text/html; charset=gbk") and both forms of <meta charset>
// (charset=utf-8, charset="utf-8").
bool DeclaresCharset(std::u16string_view head, std::u16string_view name) {
  static constexpr std::u16string_view kKey = u"charset=";
  for (size_t at = head.find(kKey); at != std::u16string_view::npos; at = head.find(kKey, at + 1)) {
    std::u16string_view rest = head.substr(at + kKey.size());
    if (!rest.empty() && (rest[0] == u'"' || rest[0] == u'\'')) rest.remove_prefix(1);
    if (rest.substr(0, name.size()) == name) return true;
  }
  return false;
}

}  // namespace

PageEncoding DetectPageEncoding(std::u16string_view ansiHead, std::u16string_view headerCharSet) {
  std::u16string head;
  head.reserve(ansiHead.size());
  for (char16_t c : ansiHead)
    if (c != u' ') head += LowerAscii(c);
  std::u16string header = LowerCase(headerCharSet);
  if (DeclaresCharset(head, u"gb2312") || DeclaresCharset(head, u"gbk")) return PageEncoding::Gbk;
  if (Contains(header, u"gb2312") || Contains(header, u"gbk")) return PageEncoding::Gbk;
  if (DeclaresCharset(head, u"utf-8") || Contains(header, u"utf-8")) return PageEncoding::Utf8;
  return PageEncoding::Ansi;
}

std::u16string DecodePage(std::string_view bytes, std::u16string_view charSet,
                          std::u16string_view headerCharSet) {
  if (SameText(charSet, u"UTF-8")) return DecodeUtf8Page(bytes);
  if (SameText(charSet, u"BIG5")) return TraditionalToSimplified(DecodeBytes(bytes, kCpBig5));

  // Only the head takes part in the detection: decode that much first.
  size_t headEnd = FindHeadEnd(bytes);
  std::u16string head;
  if (headEnd != std::string_view::npos) {
    head = DecodeAnsi(bytes.substr(0, headEnd));
  } else {
    head = DecodeAnsi(bytes.substr(0, 2048));  // at least 500 characters in any code page
    if (head.size() > 500) head.resize(500);
  }
  switch (DetectPageEncoding(head, headerCharSet)) {
    case PageEncoding::Gbk:
      return DecodeBytes(bytes, kCpGb18030);
    case PageEncoding::Utf8:
      return DecodeUtf8Page(bytes);
    case PageEncoding::Ansi:
      break;
  }
  return DecodeAnsi(bytes);
}

}  // namespace qv::web
