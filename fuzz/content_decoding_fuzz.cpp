// Fuzzes the content decoders with hostile bodies: the first byte picks the
// coding, the rest is the body. Output never passes the limit.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "web/content_decoding.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  static const char16_t* const kCodings[] = {u"deflate", u"br", u"zstd", u"gzip, deflate", u"br, zstd"};
  std::u16string_view coding = kCodings[data[0] % std::size(kCodings)];
  std::string_view body(reinterpret_cast<const char*>(data + 1), size - 1);
  std::string out;
  std::u16string why;
  constexpr size_t kLimit = size_t{1} << 20;
  qv::web::Decoding d = qv::web::DecodeContent(coding, body, out, kLimit, why);
  if (d == qv::web::Decoding::Decoded && out.size() > kLimit) abort();
  if (d == qv::web::Decoding::Failed && why.empty()) abort();
  return 0;
}
