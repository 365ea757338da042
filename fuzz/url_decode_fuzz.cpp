// Fuzzes URL decoding and "%u" unescaping: the bytes as a form value, and
// as UTF-16 text so that lone surrogates and NULs appear.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "library/encode/escape.h"
#include "library/encode/url_coding.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace qv::library;
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  UrlDecodeFormBytes(bytes);
  std::u16string text(size / 2, u'\0');
  for (size_t i = 0; i < text.size(); ++i)
    text[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
  UrlDecodeText(text);
  if (Unescape(text).size() > text.size()) abort();
  if (Unescape(Escape(text)) != text) abort();
  if (UrlDecodeText(UrlEncode(text, UrlBytes::Utf8)).size() > text.size() * 2 + 1) abort();
  return 0;
}
