#include "library/select/select.h"

#include <libxml/xpathInternals.h>

#include <cstring>

#include "library/select/html_document.h"
#include "library/select/node_values.h"
#include "library/url/abspath.h"
#include "support/errors.h"
#include "support/text.h"

namespace qv::library {

namespace {

using select::DocHandle;

std::u16string Wide(const xmlChar* s) {
  return s ? FromUtf8(reinterpret_cast<const char*>(s)) : std::u16string();
}

struct XmlString {
  xmlChar* s;
  ~XmlString() { xmlFree(s); }
};

// Attributes whose values are addresses a base makes absolute.
bool IsLinkAttribute(std::u16string_view name) {
  return SameText(name, u"href") || SameText(name, u"src") || SameText(name, u"action");
}

std::u16string LinkValue(std::u16string value, std::u16string_view name, std::u16string_view baseUrl) {
  if (baseUrl.empty() || !IsLinkAttribute(name)) return value;
  return AbsPath(baseUrl, value);
}

enum class WhatKind { kText, kHtml, kInner, kAttribute };

struct What {
  WhatKind kind = WhatKind::kText;
  std::string attribute;  // lower case, UTF-8
  std::u16string attributeWide;
};

What ParseWhat(std::u16string_view what) {
  What w;
  const std::u16string_view t = TrimBlanks(what);
  if (t.empty() || SameText(t, u"text")) return w;
  if (SameText(t, u"html")) {
    w.kind = WhatKind::kHtml;
  } else if (SameText(t, u"inner")) {
    w.kind = WhatKind::kInner;
  } else if (t[0] == u'@' && t.size() > 1) {
    w.kind = WhatKind::kAttribute;
    w.attributeWide = LowerCase(t.substr(1));
    w.attribute = ToUtf8(w.attributeWide);
  } else {
    throw ScriptError(u"Unknown What \"" + std::u16string(what) + u"\": use text, html, inner or @NAME");
  }
  return w;
}

// The value of one matched node, or false when it has none (an element
// without the attribute asked for).
bool NodeValue(xmlDoc* doc, xmlNode* node, const What& what, std::u16string_view baseUrl,
               std::u16string& out) {
  switch (what.kind) {
    case WhatKind::kText:
      out = FromUtf8(select::CollapsedText(node));
      return true;
    case WhatKind::kHtml:
      out = FromUtf8(select::OuterHtml(doc, node));
      return true;
    case WhatKind::kInner:
      out = FromUtf8(select::InnerHtml(doc, node));
      return true;
    case WhatKind::kAttribute: {
      if (node->type != XML_ELEMENT_NODE) return false;
      xmlAttr* attr = xmlHasProp(node, BAD_CAST what.attribute.c_str());
      if (attr == nullptr || attr->type != XML_ATTRIBUTE_NODE) return false;
      XmlString value{xmlNodeGetContent(reinterpret_cast<xmlNode*>(attr))};
      out = LinkValue(Wide(value.s), what.attributeWide, baseUrl);
      return true;
    }
  }
  return false;
}

// A number as XPath's string() writes it.
std::u16string NumberText(double v) {
  XmlString s{xmlXPathCastNumberToString(v)};
  return Wide(s.s);
}

}  // namespace

std::vector<std::u16string> HtmlSelect(std::u16string_view page, std::u16string_view selector,
                                       std::u16string_view what, std::u16string_view baseUrl, size_t limit) {
  const std::u16string expr = CssToIndexedXPath(selector);
  const What w = ParseWhat(what);
  DocHandle doc = select::CachedDocument(page);
  const std::vector<xmlNode*>* nodes = select::CachedSelection(doc.get(), expr);
  if (nodes == nullptr) {
    select::XPathResult result = select::EvaluateIndexed(doc.get(), expr);
    if (!result) result = select::Evaluate(doc.get(), CssToXPath(selector), select::ExprSource::kSelector);
    std::vector<xmlNode*> found;
    if (result->type == XPATH_NODESET && result->nodesetval != nullptr)
      found.assign(result->nodesetval->nodeTab, result->nodesetval->nodeTab + result->nodesetval->nodeNr);
    nodes = &select::KeepSelection(doc.get(), expr, std::move(found));
  }
  std::vector<std::u16string> out;
  std::u16string value;
  for (size_t i = 0; i < nodes->size() && out.size() < limit; ++i)
    if (NodeValue(doc.get(), (*nodes)[i], w, baseUrl, value)) out.push_back(std::move(value));
  return out;
}

std::u16string HtmlSelectFirst(std::u16string_view page, std::u16string_view selector,
                               std::u16string_view what, std::u16string_view baseUrl) {
  std::vector<std::u16string> first = HtmlSelect(page, selector, what, baseUrl, 1);
  return first.empty() ? std::u16string() : std::move(first.front());
}

std::vector<std::u16string> XPathValues(std::u16string_view page, std::u16string_view expr,
                                        std::u16string_view baseUrl) {
  if (TrimBlanks(expr).empty()) throw ScriptError(u"Invalid XPath at 1: empty expression");
  DocHandle doc = select::CachedDocument(page);
  select::XPathResult r = select::Evaluate(doc.get(), expr, select::ExprSource::kXPath);
  std::vector<std::u16string> out;
  switch (r->type) {
    case XPATH_NODESET:
      if (r->nodesetval == nullptr) break;
      out.reserve(r->nodesetval->nodeNr);
      for (int i = 0; i < r->nodesetval->nodeNr; ++i) {
        xmlNode* n = r->nodesetval->nodeTab[i];
        XmlString s{xmlXPathCastNodeToString(n)};
        std::u16string value = Wide(s.s);
        if (n->type == XML_ATTRIBUTE_NODE) value = LinkValue(std::move(value), Wide(n->name), baseUrl);
        out.push_back(std::move(value));
      }
      break;
    case XPATH_BOOLEAN:
      out.push_back(r->boolval ? u"true" : u"false");
      break;
    case XPATH_NUMBER:
      out.push_back(NumberText(r->floatval));
      break;
    case XPATH_STRING:
      out.push_back(Wide(r->stringval));
      break;
    default:
      break;
  }
  return out;
}

ArticlePart ArticlePartFromName(std::u16string_view what) {
  const std::u16string_view t = TrimBlanks(what);
  if (SameText(t, u"html")) return ArticlePart::kHtml;
  if (SameText(t, u"title")) return ArticlePart::kTitle;
  return ArticlePart::kText;
}

void ClearSelectCache() { select::ClearThreadCache(); }

}  // namespace qv::library
