#include "engine/classes/text_file.h"

#include "engine/xml/stream.h"
#include "support/codepage.h"

namespace qv {

namespace {

constexpr std::string_view kBomUtf8 = "\xEF\xBB\xBF";
constexpr std::string_view kBomUtf16LE = "\xFF\xFE";
constexpr std::string_view kBomUtf16BE = "\xFE\xFF";

}  // namespace

std::u16string DecodeTextBytes(std::string_view bytes, TextEncoding* found) {
  TextEncoding enc = TextEncoding::Ansi;
  std::string_view body = bytes;
  CodePage cp = kCpAnsi;
  if (bytes.starts_with(kBomUtf8)) {
    enc = TextEncoding::Utf8, cp = kCpUtf8, body.remove_prefix(kBomUtf8.size());
  } else if (bytes.starts_with(kBomUtf16LE)) {
    enc = TextEncoding::Utf16LE, cp = kCpUtf16LE, body.remove_prefix(kBomUtf16LE.size());
  } else if (bytes.starts_with(kBomUtf16BE)) {
    enc = TextEncoding::Utf16BE, cp = kCpUtf16BE, body.remove_prefix(kBomUtf16BE.size());
  }
  if (found) *found = enc;
  return DecodeBytes(body, cp);
}

std::string EncodeTextBytes(std::u16string_view text, TextEncoding encoding) {
  switch (encoding) {
    case TextEncoding::Utf8:
      return std::string(kBomUtf8) + EncodeText(text, kCpUtf8);
    case TextEncoding::Utf16LE:
      return std::string(kBomUtf16LE) + EncodeText(text, kCpUtf16LE);
    case TextEncoding::Utf16BE:
      return std::string(kBomUtf16BE) + EncodeText(text, kCpUtf16BE);
    case TextEncoding::Ansi:
      break;
  }
  std::string bytes = EncodeText(text, kCpAnsi);
  if (DecodeBytes(bytes, kCpAnsi) != text) return std::string(kBomUtf8) + EncodeText(text, kCpUtf8);
  return bytes;
}

std::string ReadRestOfStream(Stream& stream) {
  std::string out;
  int64_t left = stream.Size() - stream.Position();
  if (left > 0) out.reserve(static_cast<size_t>(left));
  char buf[65536];
  for (;;) {
    int64_t n = stream.Read(buf, sizeof buf);
    if (n <= 0) break;
    out.append(buf, static_cast<size_t>(n));
  }
  return out;
}

}  // namespace qv
