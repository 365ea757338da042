// analyzecontent: the lines of a page that hold its main text.
//
// The page is cut into lines at block tags; each line is measured (how much
// text against how many tags), the lines of the main text are selected in up
// to three runs with falling demands (200, 130, 70 characters above U+007F),
// and the selected lines come back with their remaining markup. With a base
// address, every image tag becomes "[img=" + src + "]" + absolute address +
// "[/img]".
//
//   AnalyzeContent(page, u"http://news.example.com/a/1.html")
//
// `indexpre` -1 lets the page's densest text line set the ratio limit; any
// other value is the limit itself.
#pragma once

#include <string>
#include <string_view>

namespace qv::library {

std::u16string AnalyzeContent(std::u16string_view content, std::u16string_view absurl = {},
                              int indexpre = -1);

}  // namespace qv::library
