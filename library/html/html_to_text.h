// HtmlToText: the readable text of a piece of HTML. Entities are decoded,
// head, script, style and similar elements disappear with their content,
// block tags become line breaks, every other tag of an HTML element is
// removed, and blank lines are tidied as `freespace` asks.
//
//   HtmlToText(u"<p>Hello&nbsp;<b>world</b></p>")          == u"Hello world"
//   HtmlToText(u"&lt;b&gt;bold")                          == u"bold"
//   HtmlToText(u"<div>a</div>\r\n   \r\n<div>b</div>", 1) == u"a\r\nb"
//
// Every step ends in bounded time on hostile input; a regular-expression
// pass that PCRE2's limits stop leaves the text as it was before that pass.
#pragma once

#include <string>
#include <string_view>

namespace qv::library {

// Blank-line tidying: 0 (or less) none, 1 drops lines of white space only,
// 2 (or more) also strips white space at both ends of each line.
// `useIE` asks for the platform's HTML renderer; there is none here, so it
// takes the same route as false.
std::u16string HtmlToText(std::u16string_view html, int freespace = 0, bool useIE = false);

}  // namespace qv::library
