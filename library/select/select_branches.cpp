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

constexpr FunctionDescription kDescriptions[] = {
    {u"htmlselect", u"Every element a CSS selector matches, in document order.",
     u"What chooses each element's value: text (collapsed), html, inner or @NAME for an attribute. With a "
     u"base address, @href, @src and @action values are made absolute.",
     u"links := htmlselect(page, 'div.news > a', '@href', 'http://example.com/');"},
    {u"htmlselectfirst", u"The first element a CSS selector matches, or empty text.",
     u"What and BaseUrl work as in htmlselect. An element without the attribute asked for gives empty text.",
     u"price := htmlselectfirst(page, 'span.price');"},
    {u"xpath", u"The result of an XPath 1.0 expression on the page.",
     u"A node-set gives each node's string-value in document order, attributes their value. A number, "
     u"string or Boolean gives one element holding it.",
     u"n := xpath(page, 'count(//p)')[0];"},
    {u"extractarticle", u"The main content of an article page.",
     u"What is text (paragraphs separated by CR LF), html (the cleaned content with absolute links) or "
     u"title (the headline without the site name). Works for English and Chinese pages.",
     u"body := extractarticle(page, url);"},
};

}  // namespace

std::span<const Branch> SelectBranches() { return kBranches; }
std::span<const FunctionDescription> SelectDescriptions() { return kDescriptions; }

}  // namespace qv::library
