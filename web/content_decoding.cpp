#include "web/content_decoding.h"

#include <vector>

#include "library/encode/gzip.h"
#include "support/text.h"

#if QV_HAVE_BROTLI
#include <brotli/decode.h>
#endif
#if QV_HAVE_ZSTD
#include <zstd.h>
#endif

namespace qv::web {

namespace {

constexpr size_t kChunk = 64 * 1024;

#if QV_HAVE_BROTLI
bool Brotli(std::string_view in, std::string& out, size_t limit) {
  BrotliDecoderState* s = BrotliDecoderCreateInstance(nullptr, nullptr, nullptr);
  if (s == nullptr) return false;
  size_t availIn = in.size();
  auto* nextIn = reinterpret_cast<const uint8_t*>(in.data());
  out.clear();
  BrotliDecoderResult rc = BROTLI_DECODER_RESULT_NEEDS_MORE_OUTPUT;
  uint8_t buffer[kChunk];
  bool ok = false;
  while (rc == BROTLI_DECODER_RESULT_NEEDS_MORE_OUTPUT) {
    size_t availOut = sizeof buffer;
    uint8_t* nextOut = buffer;
    rc = BrotliDecoderDecompressStream(s, &availIn, &nextIn, &availOut, &nextOut, nullptr);
    size_t n = sizeof buffer - availOut;
    if (out.size() + n > limit) break;
    out.append(reinterpret_cast<char*>(buffer), n);
    ok = rc == BROTLI_DECODER_RESULT_SUCCESS;
  }
  BrotliDecoderDestroyInstance(s);
  return ok;
}
#endif

#if QV_HAVE_ZSTD
bool Zstd(std::string_view in, std::string& out, size_t limit) {
  ZSTD_DStream* s = ZSTD_createDStream();
  if (s == nullptr) return false;
  ZSTD_inBuffer input{in.data(), in.size(), 0};
  out.clear();
  std::vector<char> buffer(ZSTD_DStreamOutSize());
  size_t rc = 1;
  bool ok = false;
  // rc 0 ends a frame; a body may hold several frames, back to back.
  while (input.pos < input.size || rc != 0) {
    ZSTD_outBuffer output{buffer.data(), buffer.size(), 0};
    size_t before = input.pos;
    rc = ZSTD_decompressStream(s, &output, &input);
    if (ZSTD_isError(rc) || out.size() + output.pos > limit) {
      ok = false;
      break;
    }
    out.append(buffer.data(), output.pos);
    ok = rc == 0;
    if (input.pos == before && output.pos == 0) break;  // the input ended inside a frame
  }
  ZSTD_freeDStream(s);
  return ok;
}
#endif

// Undoes one coding; false with `why` set when it cannot.
bool DecodeOne(std::u16string_view coding, std::string_view in, std::string& out, size_t limit,
               std::u16string& why) {
  bool ok = false;
  if (coding == u"gzip" || coding == u"x-gzip") {
    ok = library::GunzipBytes(in, out, limit);
  } else if (coding == u"deflate") {
    ok = library::InflateBytes(in, out, limit);
#if QV_HAVE_BROTLI
  } else if (coding == u"br") {
    ok = Brotli(in, out, limit);
#endif
#if QV_HAVE_ZSTD
  } else if (coding == u"zstd") {
    ok = Zstd(in, out, limit);
#endif
  } else {
    why = u"The body's content coding \"" + std::u16string(coding) +
          u"\" cannot be decoded; its raw bytes were kept";
    return false;
  }
  if (!ok) why = u"The " + std::u16string(coding) + u" body is damaged; its raw bytes were kept";
  return ok;
}

}  // namespace

bool CanDecode(std::u16string_view coding) {
  std::u16string c = LowerCase(std::u16string(TrimBlanks(coding)));
  if (c == u"gzip" || c == u"x-gzip" || c == u"deflate") return true;
#if QV_HAVE_BROTLI
  if (c == u"br") return true;
#endif
#if QV_HAVE_ZSTD
  if (c == u"zstd") return true;
#endif
  return false;
}

Decoding DecodeContent(std::u16string_view contentEncoding, std::string_view body, std::string& out,
                       size_t limit, std::u16string& why) {
  // HEAD answers, 204 and 304 name a coding but carry nothing to undo.
  if (body.empty()) return Decoding::None;
  std::vector<std::u16string> codings;
  size_t pos = 0;
  std::u16string lower = LowerCase(std::u16string(contentEncoding));
  while (pos <= lower.size()) {
    size_t comma = lower.find(u',', pos);
    if (comma == std::u16string::npos) comma = lower.size();
    std::u16string c(TrimBlanks(std::u16string_view(lower).substr(pos, comma - pos)));
    if (!c.empty() && c != u"identity") codings.push_back(std::move(c));
    pos = comma + 1;
  }
  if (codings.empty()) return Decoding::None;
  // Each stage reads the one before it; the wire bytes are never copied.
  std::string held;
  std::string_view in = body;
  for (auto it = codings.rbegin(); it != codings.rend(); ++it) {
    if (!DecodeOne(*it, in, out, limit, why)) {
      std::string().swap(out);
      return Decoding::Failed;
    }
    held.swap(out);
    in = held;
  }
  out.swap(held);
  return Decoding::Decoded;
}

}  // namespace qv::web
