// What the client knows of the last response: its status line, its raw
// header lines and the fields scripts read. The same parser serves a live
// response and a header block stored in the download cache, so a cache hit
// looks to scripts exactly like the response it keeps.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qv::web {

struct HttpResponse {
  std::u16string statusLine;   // "HTTP/1.1 200 OK", without the line break
  std::u16string rawHeaders;   // every header line, each ending in CR LF
  int responseCode = 0;        // 0 when no response came
  std::u16string contentType;  // the media type, without parameters
  std::u16string charSet;      // the charset parameter of Content-Type
  std::u16string contentEncoding;
  std::u16string contentLanguage;
  int64_t contentLength = -1;  // -1 when not announced (or not a number)
  // Content-Length lines or list items that differ ("10" and "20"): the
  // body's end is unknown, so the response is invalid.
  bool conflictingLengths = false;
  std::u16string location;

  // Replaces everything by the given status line and header block.
  void Process(std::u16string_view status, std::u16string_view headers);
  void Clear() { *this = HttpResponse(); }

  // The value of the first header line of that name (any case), trimmed;
  // empty when there is none.
  std::u16string Value(std::u16string_view name) const;
};

// The status code of a status line ("HTTP/1.1 404 Not Found" -> 404); 0 when
// the line has none.
int StatusCodeOf(std::u16string_view statusLine);

// Header bytes as text: UTF-8 when they are valid UTF-8, otherwise one
// character per byte, so that no byte is lost on the way to scripts.
std::u16string HeaderText(std::string_view bytes);

// Blanks (anything up to U+0020) trimmed from both ends.

}  // namespace qv::web
