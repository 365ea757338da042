// The dispatcher's branches for selectors, XPath and the article extractor,
// with the description of each function.
#include "library/branches.h"
#include "library/select/select.h"
#include "library/strings/array_values.h"

namespace qv::library {

namespace {

std::u16string Text(Caller& c, int i) { return ToText(c.GetParam(i)); }

// The page is read in place: a script selects from a large page many times.
Value HtmlSelectBranch(Caller& c) {
  const TextOf page(c.GetParam(0));
  return TextListValue(HtmlSelect(page, Text(c, 1), Text(c, 2), Text(c, 3)));
}

Value HtmlSelectFirstBranch(Caller& c) {
  const TextOf page(c.GetParam(0));
  return Value::Text(HtmlSelectFirst(page, Text(c, 1), Text(c, 2), Text(c, 3)));
}

Value XPathBranch(Caller& c) {
  const TextOf page(c.GetParam(0));
  return TextListValue(XPathValues(page, Text(c, 1), Text(c, 2)));
}

Value ExtractArticleBranch(Caller& c) {
  const TextOf page(c.GetParam(0));
  return Value::Text(ExtractArticle(page, Text(c, 1), ArticlePartFromName(Text(c, 2))));
}

constexpr Branch kBranches[] = {
    {u"HTMLSELECT", HtmlSelectBranch},
    {u"HTMLSELECTFIRST", HtmlSelectFirstBranch},
    {u"XPATH", XPathBranch},
    {u"EXTRACTARTICLE", ExtractArticleBranch},
};

}  // namespace

std::span<const Branch> SelectBranches() { return kBranches; }

}  // namespace qv::library
