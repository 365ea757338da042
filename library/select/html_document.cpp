#include "library/select/html_document.h"

#include <libxml/HTMLtree.h>
#include <libxml/parser.h>
#include <libxml/xmlerror.h>
#include <libxml/xpathInternals.h>

#include <climits>
#include <cstring>
#include <iterator>
#include <list>
#include <mutex>
#include <unordered_map>
#include <utility>
#include <vector>

#include "library/select/node_values.h"
#include "library/select/select.h"
#include "support/errors.h"
#include "support/text.h"

namespace qv::library::select {

namespace {

void IgnoreGeneric(void*, const char*, ...) {}
void IgnoreStructured(void*, xmlErrorPtr) {}

constexpr int kParseOptions =
    HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET | HTML_PARSE_COMPACT;

// At most this many documents and this much estimated memory per thread.
constexpr size_t kCacheDocs = 4;
constexpr size_t kCacheBytes = 64u << 20;
constexpr size_t kCompiledExprs = 32;

struct DocDeleter {
  void operator()(xmlDoc* d) const { xmlFreeDoc(d); }
};

// The page's elements in document order, all and by name.
struct ElementIndex {
  std::vector<xmlNode*> all;
  std::unordered_map<std::string, std::vector<xmlNode*>> byName;

  explicit ElementIndex(xmlDoc* doc) {
    xmlNode* root = reinterpret_cast<xmlNode*>(doc);
    for (xmlNode* n = root->children; n != nullptr; n = NextInTree(n, root)) {
      if (n->type != XML_ELEMENT_NODE) continue;
      all.push_back(n);
      if (n->name) byName[reinterpret_cast<const char*>(n->name)].push_back(n);
    }
  }
};

struct CachedPage {
  std::unique_ptr<ElementIndex> index;  // made on the first selection
  std::u16string text;
  DocHandle doc;
  size_t cost;
  // The last few selections on this page (most recent first): a script
  // that asks for one selector's text and then its links walks the tree once.
  std::list<std::pair<std::u16string, std::vector<xmlNode*>>> selections;
};
constexpr size_t kSelectionsPerPage = 8;

struct CompiledExpr {
  std::u16string text;
  xmlXPathCompExprPtr comp;
};

// Everything a thread keeps between calls. Freed when the thread ends.
struct ThreadState {
  std::list<CachedPage> pages;  // most recent first
  size_t pageBytes = 0;
  std::list<CompiledExpr> exprs;  // most recent first
  ~ThreadState() {
    for (CompiledExpr& e : exprs) xmlXPathFreeCompExpr(e.comp);
  }
};

ThreadState& State() {
  thread_local ThreadState state;
  return state;
}

// The parsed tree takes several times the page's bytes: about one node of
// 120 bytes per dozen bytes of markup, plus the key's UTF-16 copy.
size_t EstimatedCost(size_t textUnits) { return textUnits * 2 + textUnits * 8; }

// UTF-8 for the parser: lone surrogates (by ToUtf8) and NULs become U+FFFD.
std::string ParserInput(std::u16string_view page) {
  std::string utf8 = ToUtf8(page);
  if (utf8.find('\0') == std::string::npos) return utf8;
  std::string out;
  out.reserve(utf8.size() + 16);
  for (char c : utf8) {
    if (c == '\0') {
      out += "\xEF\xBF\xBD";
    } else {
      out += c;
    }
  }
  return out;
}

std::u16string PositionText(size_t pos) { return IntToText(static_cast<long long>(pos)); }

struct XPathError {
  bool set = false;
  int offset = 0;
  std::string message;
};

// libxml2 hands the XPath error code to a context's handler without its
// text.
const char* XPathErrorText(int code) {
  static const char* const kTexts[] = {"ok",
                                       "invalid number",
                                       "unfinished literal",
                                       "literal expected",
                                       "'$' expected before a variable name",
                                       "undefined variable",
                                       "invalid predicate",
                                       "invalid expression",
                                       "missing closing brace",
                                       "unknown function",
                                       "invalid operand",
                                       "invalid type",
                                       "wrong number of arguments",
                                       "invalid context size",
                                       "invalid context position",
                                       "out of memory",
                                       "syntax error",
                                       "resource error",
                                       "sub-resource error",
                                       "undefined namespace prefix",
                                       "encoding error",
                                       "character out of range",
                                       "invalid or incomplete context",
                                       "stack usage error",
                                       "variables are not allowed",
                                       "operation limit exceeded",
                                       "nested too deeply"};
  const int i = code - XML_XPATH_EXPRESSION_OK;
  if (i >= 0 && i < static_cast<int>(std::size(kTexts))) return kTexts[i];
  return "invalid expression";
}

void RecordXPathError(void* data, xmlErrorPtr error) {
  auto* e = static_cast<XPathError*>(data);
  if (e->set || error == nullptr) return;
  e->set = true;
  e->offset = error->int1;
  e->message = error->message ? error->message : XPathErrorText(error->code);
  while (!e->message.empty() && (e->message.back() == '\n' || e->message.back() == ' '))
    e->message.pop_back();
}

struct ContextDeleter {
  void operator()(xmlXPathContext* c) const { xmlXPathFreeContext(c); }
};
using ContextPtr = std::unique_ptr<xmlXPathContext, ContextDeleter>;

[[noreturn]] void RaiseExprError(std::u16string_view expr, const std::string& utf8, const XPathError& err,
                                 ExprSource source) {
  size_t pos = 1;
  if (source == ExprSource::kXPath && err.offset > 0 && static_cast<size_t>(err.offset) <= utf8.size())
    pos = FromUtf8(std::string_view(utf8).substr(0, err.offset)).size() + 1;
  const std::u16string label =
      source == ExprSource::kSelector ? u"Invalid selector at " : u"Invalid XPath at ";
  std::u16string message = err.set ? FromUtf8(err.message) : u"invalid expression";
  (void)expr;
  throw ScriptError(label + PositionText(pos) + u": " + message);
}

xmlXPathCompExprPtr Compile(xmlXPathContext* ctx, std::u16string_view expr, ExprSource source) {
  ThreadState& st = State();
  for (auto it = st.exprs.begin(); it != st.exprs.end(); ++it) {
    if (it->text != expr) continue;
    if (it != st.exprs.begin()) st.exprs.splice(st.exprs.begin(), st.exprs, it);
    return st.exprs.front().comp;
  }
  const std::string utf8 = ToUtf8(expr);
  XPathError err;
  ctx->error = RecordXPathError;
  ctx->userData = &err;
  xmlXPathCompExprPtr comp =
      utf8.find('\0') == std::string::npos ? xmlXPathCtxtCompile(ctx, BAD_CAST utf8.c_str()) : nullptr;
  if (comp == nullptr) {
    if (!err.set) {
      err.set = true;
      err.offset = static_cast<int>(utf8.find('\0'));
      err.message = "unexpected NUL";
    }
    RaiseExprError(expr, utf8, err, source);
  }
  st.exprs.push_front({std::u16string(expr), comp});
  if (st.exprs.size() > kCompiledExprs) {
    xmlXPathFreeCompExpr(st.exprs.back().comp);
    st.exprs.pop_back();
  }
  return comp;
}

}  // namespace

void PrepareThread() {
  static std::once_flag once;
  std::call_once(once, [] { xmlInitParser(); });
  thread_local bool quiet = false;
  if (!quiet) {
    // libxml2 keeps its error handlers per thread.
    xmlSetGenericErrorFunc(nullptr, IgnoreGeneric);
    xmlSetStructuredErrorFunc(nullptr, IgnoreStructured);
    quiet = true;
  }
}

DocHandle ParseHtml(std::u16string_view page) {
  PrepareThread();
  const std::string input = ParserInput(page);
  xmlDoc* doc = nullptr;
  if (!input.empty() && input.size() <= static_cast<size_t>(INT_MAX))
    doc = htmlReadMemory(input.data(), static_cast<int>(input.size()), nullptr, "UTF-8", kParseOptions);
  if (doc == nullptr) doc = htmlNewDocNoDtD(nullptr, nullptr);
  if (doc == nullptr) throw std::bad_alloc();
  return DocHandle(doc, DocDeleter());
}

DocHandle CachedDocument(std::u16string_view page) {
  ThreadState& st = State();
  for (auto it = st.pages.begin(); it != st.pages.end(); ++it) {
    if (it->text.size() != page.size() || std::memcmp(it->text.data(), page.data(), page.size() * 2) != 0)
      continue;
    if (it != st.pages.begin()) st.pages.splice(st.pages.begin(), st.pages, it);
    return st.pages.front().doc;
  }
  DocHandle doc = ParseHtml(page);
  const size_t cost = EstimatedCost(page.size());
  if (cost > kCacheBytes) return doc;
  while (!st.pages.empty() && (st.pages.size() >= kCacheDocs || st.pageBytes + cost > kCacheBytes)) {
    st.pageBytes -= st.pages.back().cost;
    st.pages.pop_back();
  }
  st.pages.emplace_front();
  st.pages.front().text.assign(page);
  st.pages.front().doc = doc;
  st.pages.front().cost = cost;
  st.pageBytes += cost;
  return doc;
}

const std::vector<xmlNode*>* CachedSelection(const xmlDoc* doc, std::u16string_view expr) {
  for (CachedPage& page : State().pages) {
    if (page.doc.get() != doc) continue;
    for (auto it = page.selections.begin(); it != page.selections.end(); ++it) {
      if (it->first != expr) continue;
      if (it != page.selections.begin()) page.selections.splice(page.selections.begin(), page.selections, it);
      return &page.selections.front().second;
    }
  }
  return nullptr;
}

const std::vector<xmlNode*>& KeepSelection(const xmlDoc* doc, std::u16string_view expr,
                                           std::vector<xmlNode*> nodes) {
  for (CachedPage& page : State().pages) {
    if (page.doc.get() != doc) continue;
    page.selections.emplace_front(std::u16string(expr), std::move(nodes));
    if (page.selections.size() > kSelectionsPerPage) page.selections.pop_back();
    return page.selections.front().second;
  }
  // A page too large to keep: the caller's copy lives until the next call.
  thread_local std::vector<xmlNode*> uncached;
  uncached = std::move(nodes);
  return uncached;
}

void ClearThreadCache() {
  ThreadState& st = State();
  st.pages.clear();
  st.pageBytes = 0;
  for (CompiledExpr& e : st.exprs) xmlXPathFreeCompExpr(e.comp);
  st.exprs.clear();
}

namespace {

// Supplies $qv-all and $qv-e-NAME from the index.
xmlXPathObjectPtr IndexVariable(void* data, const xmlChar* name, const xmlChar* nsUri) {
  if (nsUri != nullptr || name == nullptr) return nullptr;
  const auto* index = static_cast<const ElementIndex*>(data);
  static const std::string all = ToUtf8(kAllElementsVariable);
  static const std::string prefix = ToUtf8(kElementsVariablePrefix);
  const std::string_view n = reinterpret_cast<const char*>(name);
  const std::vector<xmlNode*>* nodes = nullptr;
  static const std::vector<xmlNode*> none;
  if (n == all) {
    nodes = &index->all;
  } else if (n.substr(0, prefix.size()) == prefix) {
    auto it = index->byName.find(std::string(n.substr(prefix.size())));
    nodes = it == index->byName.end() ? &none : &it->second;
  } else {
    return nullptr;
  }
  xmlNodeSetPtr set = xmlXPathNodeSetCreate(nullptr);
  if (set == nullptr) return nullptr;
  for (xmlNode* node : *nodes) xmlXPathNodeSetAddUnique(set, node);
  return xmlXPathWrapNodeSet(set);
}

}  // namespace

XPathResult EvaluateIndexed(xmlDoc* doc, std::u16string_view expr) {
  ElementIndex* index = nullptr;
  for (CachedPage& page : State().pages) {
    if (page.doc.get() != doc) continue;
    if (!page.index) page.index = std::make_unique<ElementIndex>(doc);
    index = page.index.get();
  }
  if (index == nullptr) return nullptr;
  PrepareThread();
  ContextPtr ctx(xmlXPathNewContext(doc));
  if (!ctx) throw std::bad_alloc();
  xmlXPathRegisterVariableLookup(ctx.get(), IndexVariable, index);
  xmlXPathCompExprPtr comp = Compile(ctx.get(), expr, ExprSource::kSelector);
  XPathError err;
  ctx->error = RecordXPathError;
  ctx->userData = &err;
  ctx->node = reinterpret_cast<xmlNode*>(doc);
  XPathResult result(xmlXPathCompiledEval(comp, ctx.get()));
  if (!result) RaiseExprError(expr, {}, err, ExprSource::kSelector);
  return result;
}

XPathResult Evaluate(xmlDoc* doc, std::u16string_view expr, ExprSource source) {
  PrepareThread();
  ContextPtr ctx(xmlXPathNewContext(doc));
  if (!ctx) throw std::bad_alloc();
  xmlXPathCompExprPtr comp = Compile(ctx.get(), expr, source);
  XPathError err;
  ctx->error = RecordXPathError;
  ctx->userData = &err;
  ctx->node = reinterpret_cast<xmlNode*>(doc);
  XPathResult result(xmlXPathCompiledEval(comp, ctx.get()));
  if (!result) {
    err.offset = 0;  // evaluation errors have no position of their own
    RaiseExprError(expr, {}, err, source);
  }
  return result;
}

}  // namespace qv::library::select
