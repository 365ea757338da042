// Undoing a response's Content-Encoding, so that every body a script gets
// is readable whatever the server chose to compress it with:
//   gzip (and x-gzip), deflate (zlib-wrapped, or raw as some servers send
//   it), br and zstd where this build has their decoders; "identity" is
//   nothing to do. Codings listed in turn ("gzip, br") are undone last first.
//
//   std::string out;
//   std::u16string why;
//   if (DecodeContent(u"br", raw, out, limit, why) == Decoding::Decoded) use(out);
//   else if (!why.empty()) keepRawAndSay(why);
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace qv::web {

enum class Decoding {
  None,     // no coding to undo: the body is the bytes
  Decoded,  // `out` holds the content
  Failed,   // damaged, too large, or a coding this build cannot undo; `why` says which
};

// Output past `limit` bytes counts as damaged: a small body must not
// inflate into all of memory.
Decoding DecodeContent(std::u16string_view contentEncoding, std::string_view body, std::string& out,
                       size_t limit, std::u16string& why);

// Whether this build can undo the coding ("gzip", "deflate", "br", "zstd").
bool CanDecode(std::u16string_view coding);

}  // namespace qv::web
