// analyzetitle: the most plausible title of a page among its title element
// and its h1 and h2 elements.
//
//   AnalyzeTitle(u"<title>Foo - Bar</title>")   == u"<title>Foo "
//
// The result is the raw candidate, markup included: the title start tag and
// the text before the first "-" (or "_"), or a whole h1 or h2 element.
#pragma once

#include <string>
#include <string_view>

namespace qv::library {

std::u16string AnalyzeTitle(std::u16string_view html);

}  // namespace qv::library
