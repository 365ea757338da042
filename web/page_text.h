// Turning a downloaded body into text by the download's character-set
// argument:
//   "UTF-8"  UTF-8 (a byte-order mark is skipped);
//   "BIG5"   Big5 (windows-950), then Traditional mapped to Simplified;
//   other    detection: a page that declares gb2312/gbk (in its head, else
//            in the HTTP header) is GBK, read as GB18030; one that declares
//            utf-8 is UTF-8; anything else stays in the ANSI code page. The
//            head declares with "charset=" and the name, bare or quoted.
#pragma once

#include <string>
#include <string_view>

namespace qv::web {

enum class PageEncoding { Ansi, Gbk, Utf8 };

// The detection for "CHECK" and every other character-set argument.
// `ansiHead` is the page's start decoded in the ANSI code page: up to its
// first "</head>", or at least its first 500 characters.
PageEncoding DetectPageEncoding(std::u16string_view ansiHead, std::u16string_view headerCharSet);

std::u16string DecodePage(std::string_view bytes, std::u16string_view charSet,
                          std::u16string_view headerCharSet);

}  // namespace qv::web
