// Untrusted bytes from the web: page bodies through the character-set
// detection and decoding, header blocks through the response parser and the
// cookie text, and cache files through the cache-entry reader.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "support/codepage.h"
#include "web/download_cache.h"
#include "web/http_response.h"
#include "web/page_text.h"
#include "web/set_cookie.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  std::string_view in(reinterpret_cast<const char*>(data) + 1, size - 1);
  static const char16_t* const kCharSets[] = {u"CHECK", u"UTF-8", u"BIG5", u"", u"gbk"};
  static const char16_t* const kHeaderSets[] = {u"", u"gbk", u"utf-8", u"iso-8859-1"};
  switch (data[0] % 4) {
    case 0:
      qv::SetAnsiCodePage(data[0] & 0x80 ? qv::kCpGbk : qv::kCpUtf8);
      qv::web::DecodePage(in, kCharSets[(data[0] >> 2) % 5], kHeaderSets[(data[0] >> 5) % 4]);
      break;
    case 1: {
      qv::web::HttpResponse r;
      std::u16string text = qv::web::HeaderText(in);
      size_t line = text.find(u'\n');
      r.Process(std::u16string_view(text).substr(0, line == std::u16string::npos ? 0 : line),
                line == std::u16string::npos ? std::u16string_view(text)
                                             : std::u16string_view(text).substr(line + 1));
      r.Value(u"Set-Cookie");
      qv::web::CookiesOfHeaders(r.rawHeaders);
      break;
    }
    case 2:
      qv::SetAnsiCodePage(data[0] & 0x80 ? qv::kCpGbk : qv::kCpUtf8);
      if (auto entry = qv::web::ParseCacheEntry(in)) qv::web::SerializeCacheEntry(*entry);
      break;
    case 3:
      qv::web::ParseCacheName(qv::web::HeaderText(in));
      break;
  }
  return 0;
}
