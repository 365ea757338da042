// Selecting from parsed HTML: CSS selectors and XPath 1.0 on libxml2's HTML
// parser, and the main-content extractor.
//
//   HtmlSelect(page, u"div.price > span")           -> {u"12.50", u"9.99"}
//   HtmlSelect(page, u"a[rel=next]", u"@href", base)  -> absolute addresses
//   XPathValues(page, u"count(//p)")                  -> {u"3"}
//   CssToXPath(u"a.b")  -> u"descendant-or-self::a[@class and contains(...)]"
//   ExtractArticle(page, url, ArticlePart::kText)     -> paragraphs, CR LF
//
// A page is parsed in recovery mode without network access, from UTF-8 (a
// lone surrogate or a NUL becomes U+FFFD). Each thread keeps its last few
// parsed documents (at most 4 and 64 MB) keyed by the page text, so a
// script that selects from one page again and again parses it once.
//
// Invalid selectors and XPath expressions raise a ScriptError whose message
// names the 1-based position: "Invalid selector at 7: ']' expected".
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace qv::library {

// The selector (a list, CSS Selectors Level 3 minus the dynamic
// pseudo-classes) as one XPath 1.0 expression relative to the document.
// Element and attribute names compare without case, classes and ids with.
std::u16string CssToXPath(std::u16string_view selector);
// The same with the first step of each selector as a variable:
// $qv-e-NAME for the elements named NAME, $qv-all for all elements, in
// document order ("div > p" -> "$qv-e-div/p"). Evaluated with those node
// sets from an index, a new selector on a parsed page touches only the
// elements it names instead of walking the whole tree.
std::u16string CssToIndexedXPath(std::u16string_view selector);
inline constexpr std::u16string_view kElementsVariablePrefix = u"qv-e-";
inline constexpr std::u16string_view kAllElementsVariable = u"qv-all";

// A string literal of XPath 1.0 for any text (concat() when it holds both
// quote characters).
std::u16string XPathLiteral(std::u16string_view text);

// What to return for every matched element: "text" (text content with white
// space runs collapsed to one blank, <br> and block boundaries counting as
// white space, trimmed), "html" (outer HTML), "inner" (inner HTML), "@NAME"
// (the attribute's value; elements without it are left out). With a base
// address, "@href", "@src" and "@action" values are made absolute.
std::vector<std::u16string> HtmlSelect(std::u16string_view page, std::u16string_view selector,
                                       std::u16string_view what = u"text", std::u16string_view baseUrl = {},
                                       size_t limit = static_cast<size_t>(-1));
// The first of HtmlSelect's results, or empty text.
std::u16string HtmlSelectFirst(std::u16string_view page, std::u16string_view selector,
                               std::u16string_view what = u"text", std::u16string_view baseUrl = {});

// A node-set gives each node's string-value in document order (attributes
// their value; href, src and action made absolute with a base address); a
// number, string or Boolean one element ("NaN", "Infinity", "true", ...).
std::vector<std::u16string> XPathValues(std::u16string_view page, std::u16string_view expr,
                                        std::u16string_view baseUrl = {});

enum class ArticlePart { kText, kHtml, kTitle };
// "text", "html" or "title" (any case); anything else is kText.
ArticlePart ArticlePartFromName(std::u16string_view what);

// The page's main content: its paragraphs separated by CR LF (kText), the
// content elements as cleaned HTML with absolute links (kHtml), or the
// headline without the site's name (kTitle).
std::u16string ExtractArticle(std::u16string_view page, std::u16string_view url = {},
                              ArticlePart part = ArticlePart::kText);

// Drops this thread's parsed documents and compiled expressions.
void ClearSelectCache();

}  // namespace qv::library
