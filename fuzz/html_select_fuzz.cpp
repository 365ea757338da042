// Parse and select on arbitrary pages: every selector form, every What mode,
// XPath with scalars and the article extractor. The first byte picks the
// selector and whether the rest is UTF-8 (malformed bytes become U+FFFD) or
// raw UTF-16 units (lone surrogates and NULs get through). Crashes,
// sanitizer reports and hangs are faults; any result is fine.
#include <cstddef>
#include <cstdint>
#include <string>

#include "library/select/select.h"
#include "support/text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  static const char16_t* const kSelectors[] = {u"*",
                                               u"div > p",
                                               u"a[href]",
                                               u"li:nth-child(2n+1)",
                                               u"p + p",
                                               u"p ~ *",
                                               u":root > body :empty",
                                               u"b:only-of-type",
                                               u"[class~=x], [lang|=en]",
                                               u"*:not(p):contains('a')"};
  const uint8_t mode = data[0];
  std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
  std::u16string page;
  if (mode & 0x80) {
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
      page +=
          static_cast<char16_t>(static_cast<uint8_t>(bytes[i]) | (static_cast<uint8_t>(bytes[i + 1]) << 8));
  } else {
    page = qv::FromUtf8(bytes);
  }
  const char16_t* selector = kSelectors[(mode & 0x7F) % std::size(kSelectors)];
  for (const char16_t* what : {u"text", u"html", u"inner", u"@href"})
    (void)qv::library::HtmlSelect(page, selector, what, u"http://h.example/a/b.html");
  (void)qv::library::XPathValues(page, u"//*[@src]/@src | //title", u"http://h.example/");
  (void)qv::library::XPathValues(page, u"count(//*) * 2 div 3");
  for (auto part :
       {qv::library::ArticlePart::kText, qv::library::ArticlePart::kHtml, qv::library::ArticlePart::kTitle})
    (void)qv::library::ExtractArticle(page, u"http://h.example/", part);
  return 0;
}
