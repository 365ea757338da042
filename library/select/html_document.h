// The parsed page and the compiled expression behind every selection: one
// libxml2 HTML document per page text, kept per thread, and XPath 1.0
// expressions compiled once per thread.
#pragma once

#include <libxml/HTMLparser.h>
#include <libxml/xpath.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qv::library::select {

using DocHandle = std::shared_ptr<xmlDoc>;

// The page parsed as HTML (recovery, no network, UTF-8). Never null: an
// empty page gives an empty document.
DocHandle ParseHtml(std::u16string_view page);
// ParseHtml through this thread's cache of recent pages.
DocHandle CachedDocument(std::u16string_view page);
void ClearThreadCache();

// The nodes a selection found on a cached page, or null; and keeping them.
// The list lives as long as the page stays in this thread's cache (or, for
// a page too large to keep, until the next KeepSelection).
const std::vector<xmlNode*>* CachedSelection(const xmlDoc* doc, std::u16string_view expr);
const std::vector<xmlNode*>& KeepSelection(const xmlDoc* doc, std::u16string_view expr,
                                           std::vector<xmlNode*> nodes);

struct XPathObjectDeleter {
  void operator()(xmlXPathObject* o) const { xmlXPathFreeObject(o); }
};
using XPathResult = std::unique_ptr<xmlXPathObject, XPathObjectDeleter>;

// Compiles `expr` (from this thread's cache) and evaluates it against the
// document. `label` names the source in the error message ("selector",
// "XPath expression"); `errorOffset` maps libxml2's byte offset in the
// UTF-8 expression to a 1-based position for the message.
enum class ExprSource { kSelector, kXPath };
XPathResult Evaluate(xmlDoc* doc, std::u16string_view expr, ExprSource source);

// The selector's indexed form (CssToIndexedXPath) on a page in this
// thread's cache, its variables filled from the page's element index (made
// on first use); null when the page is not cached.
XPathResult EvaluateIndexed(xmlDoc* doc, std::u16string_view indexedExpr);

// libxml2 set up for this thread: parser initialised once per process, its
// error output kept off the terminal.
void PrepareThread();

}  // namespace qv::library::select
