#include "web/http_response.h"

#include "support/text.h"

namespace qv::web {

namespace {

// Calls `f(name, value)` for every "Name: value" line of the block.
template <class F>
void ForEachHeader(std::u16string_view block, F&& f) {
  size_t pos = 0;
  while (pos < block.size()) {
    size_t end = block.find(u'\n', pos);
    if (end == std::u16string_view::npos) end = block.size();
    std::u16string_view line = block.substr(pos, end - pos);
    pos = end + 1;
    size_t colon = line.find(u':');
    if (colon == std::u16string_view::npos) continue;
    if (!f(TrimBlanks(line.substr(0, colon)), TrimBlanks(line.substr(colon + 1)))) return;
  }
}

// Lower-cased parameter value `name` of a header value ("text/html; charset=gbk").
std::u16string ParameterOf(std::u16string_view value, std::u16string_view name) {
  size_t pos = value.find(u';');
  while (pos != std::u16string_view::npos) {
    size_t next = value.find(u';', pos + 1);
    std::u16string_view item = TrimBlanks(value.substr(
        pos + 1, next == std::u16string_view::npos ? std::u16string_view::npos : next - pos - 1));
    size_t eq = item.find(u'=');
    if (eq != std::u16string_view::npos && SameText(TrimBlanks(item.substr(0, eq)), name)) {
      std::u16string_view v = TrimBlanks(item.substr(eq + 1));
      if (v.size() >= 2 && (v.front() == u'"' || v.front() == u'\'') && v.back() == v.front())
        v = v.substr(1, v.size() - 2);
      return std::u16string(v);
    }
    pos = next;
  }
  return {};
}

int64_t LengthOf(std::u16string_view v) {
  if (v.empty() || v.size() > 18) return -1;
  int64_t n = 0;
  for (char16_t c : v) {
    if (c < u'0' || c > u'9') return -1;
    n = n * 10 + (c - u'0');
  }
  return n;
}

// False when the items of a Content-Length value ("10", "10, 10") differ
// from each other or from `seen` (the first item met so far, empty before).
bool SameLengths(std::u16string_view value, std::u16string& seen) {
  size_t pos = 0;
  for (;;) {
    size_t comma = value.find(u',', pos);
    std::u16string_view item = TrimBlanks(
        value.substr(pos, comma == std::u16string_view::npos ? std::u16string_view::npos : comma - pos));
    if (seen.empty())
      seen = item;
    else if (item != seen)
      return false;
    if (comma == std::u16string_view::npos) return true;
    pos = comma + 1;
  }
}

}  // namespace

int StatusCodeOf(std::u16string_view statusLine) {
  size_t sp = statusLine.find(u' ');
  if (sp == std::u16string_view::npos) return 0;
  int code = 0, digits = 0;
  for (size_t i = sp + 1; i < statusLine.size() && digits < 3; ++i, ++digits) {
    char16_t c = statusLine[i];
    if (c < u'0' || c > u'9') break;
    code = code * 10 + (c - u'0');
  }
  return digits == 3 ? code : 0;
}

std::u16string HeaderText(std::string_view bytes) {
  if (IsValidUtf8(bytes)) return FromUtf8(bytes);
  std::u16string out(bytes.size(), u'\0');
  for (size_t i = 0; i < bytes.size(); ++i) out[i] = static_cast<unsigned char>(bytes[i]);
  return out;
}

void HttpResponse::Process(std::u16string_view status, std::u16string_view headers) {
  Clear();
  statusLine = TrimBlanks(status);
  rawHeaders = headers;
  responseCode = StatusCodeOf(statusLine);
  bool seenType = false, seenLength = false, seenEncoding = false, seenLanguage = false, seenLocation = false;
  std::u16string firstLength;
  ForEachHeader(rawHeaders, [&](std::u16string_view name, std::u16string_view value) {
    if (SameText(name, u"Content-Length") && !SameLengths(value, firstLength)) conflictingLengths = true;
    if (!seenType && SameText(name, u"Content-Type")) {
      seenType = true;
      contentType = TrimBlanks(value.substr(0, value.find(u';')));
      charSet = ParameterOf(value, u"charset");
    } else if (!seenLength && SameText(name, u"Content-Length")) {
      seenLength = true;
      contentLength = LengthOf(value);
    } else if (!seenEncoding && SameText(name, u"Content-Encoding")) {
      seenEncoding = true;
      contentEncoding = value;
    } else if (!seenLanguage && SameText(name, u"Content-Language")) {
      seenLanguage = true;
      contentLanguage = value;
    } else if (!seenLocation && SameText(name, u"Location")) {
      seenLocation = true;
      location = value;
    }
    return true;
  });
}

std::u16string HttpResponse::Value(std::u16string_view name) const {
  std::u16string found;
  ForEachHeader(rawHeaders, [&](std::u16string_view n, std::u16string_view v) {
    if (!SameText(n, name)) return true;
    found = v;
    return false;
  });
  return found;
}

}  // namespace qv::web
