// HtmlToText (all three freespace modes), analyzetitle and analyzecontent on
// the same page. The first byte chooses how the rest becomes text: UTF-8
// (malformed bytes become U+FFFD) or raw UTF-16 units, which lets lone
// surrogates and NULs through. Crashes, sanitizer reports and hangs are
// faults; any result is fine. The one-scan entity table and the UTF-8
// decoding of numeric references must also give what their plain forms give.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "library/html/analyze_content.h"
#include "library/html/analyze_title.h"
#include "library/html/entities.h"
#include "library/html/html_to_text.h"
#include "library/html/numeric_references.h"
#include "support/text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t mode = data[0];
  std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
  std::u16string page;
  if (mode & 1) {
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
      page +=
          static_cast<char16_t>(static_cast<uint8_t>(bytes[i]) | (static_cast<uint8_t>(bytes[i + 1]) << 8));
  } else {
    page = qv::FromUtf8(bytes);
  }
  if (qv::library::html::ReplaceEntities(page) != qv::library::html::ReplaceEntitiesRowAfterRow(page))
    __builtin_trap();
  std::string utf8 = qv::ToUtf8(page);
  const std::u16string wide = qv::library::DecodeNumericReferences(qv::FromUtf8(utf8));
  qv::library::DecodeNumericReferencesUtf8(utf8);
  if (qv::FromUtf8(utf8) != wide) __builtin_trap();
  for (int freespace = 0; freespace <= 2; ++freespace) (void)qv::library::HtmlToText(page, freespace, false);
  (void)qv::library::AnalyzeTitle(page);
  const int indexpre = (mode & 2) ? (mode >> 2) * 8 : -1;
  (void)qv::library::AnalyzeContent(page, (mode & 4) ? u"" : u"http://h.example/a/b.html?q#f", indexpre);
  return 0;
}
