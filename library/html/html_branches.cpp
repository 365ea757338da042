// The dispatcher's branches for HTML to text, title and main-content extraction.
#include "library/branches.h"
#include "library/html/analyze_content.h"
#include "library/html/analyze_title.h"

namespace qv::library {

namespace {

std::u16string TextArg(Caller& c, int i) { return ToText(c.GetParam(i)); }

const Branch kBranches[] = {
    {u"ANALYZETITLE", [](Caller& c) { return Value::Text(AnalyzeTitle(TextArg(c, 0))); }},
    {u"ANALYZECONTENT",
     [](Caller& c) {
       return Value::Text(AnalyzeContent(TextArg(c, 0), TextArg(c, 1), ToInt32(c.GetParam(2))));
     }},
};

}  // namespace

std::span<const Branch> HtmlBranches() { return kBranches; }

}  // namespace qv::library
