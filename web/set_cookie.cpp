#include "web/set_cookie.h"

#include "library/mask/mask_pattern.h"
#include "support/text.h"
#include "web/http_response.h"

namespace qv::web {

namespace {

constexpr std::u16string_view kPrefix = u"set-cookie: ";

char16_t LowerAscii(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }

// The first "Set-Cookie: " at or after `from`, letters A-Z in any case.
size_t FindPrefix(std::u16string_view s, size_t from) {
  for (size_t i = from; i + kPrefix.size() <= s.size(); ++i) {
    if (LowerAscii(s[i]) != u's') continue;
    size_t k = 1;
    while (k < kPrefix.size() && LowerAscii(s[i + k]) == kPrefix[k]) ++k;
    if (k == kPrefix.size()) return i;
  }
  return std::u16string_view::npos;
}

}  // namespace

// The mask "Set-Cookie: (*);" is matched against the working copy, the
// capture appended, and "Set-Cookie: " plus the capture cut out; the loop
// ends at the first failed (or empty) capture. The capture never leaves its
// header line: a line without ";" ends the value at the line's end, as if
// the ";" stood there ("Set-Cookie: k=v" gives "k=v", never "k=v" followed
// by the next header lines). Cutting leaves the ";" in place and nothing
// before the cut can match, so the next match starts at the next prefix
// after the cut: matching line by line in one forward scan gives the same
// text in linear time (10,000 Set-Cookie lines stay fast). The cut is made
// where the match was, so a lower-case "set-cookie:" line cannot make the
// loop spin.
std::u16string CookiesOfHeaders(std::u16string_view rawHeaders) {
  std::u16string out;
  size_t cursor = 0;
  for (;;) {
    size_t at = FindPrefix(rawHeaders, cursor);
    if (at == std::u16string_view::npos) break;
    size_t valueAt = at + kPrefix.size();
    size_t end = rawHeaders.find_first_of(u";\r\n", valueAt);
    if (end == std::u16string_view::npos) end = rawHeaders.size();
    // The mask runs on the line from this prefix to its ";" (or line end) only.
    std::u16string span(rawHeaders.substr(at, end - at));
    span += u';';
    static const library::MaskPattern mask = library::CompileMask(u"Set-Cookie: (*);");
    std::u16string cookie = library::MaskMatch(span, mask, u"||", false);
    if (cookie.empty()) break;
    out += cookie;
    out += u"; ";
    cursor = end;
  }
  return std::u16string(TrimBlanks(out));
}

}  // namespace qv::web
