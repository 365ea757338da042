#include "library/select/node_values.h"

#include <libxml/HTMLtree.h>
#include <libxml/xmlsave.h>

#include <cstring>
#include <memory>

namespace qv::library::select {

namespace {

bool IsSpaceByte(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

bool NameIs(const xmlChar* name, const char* what) {
  return name != nullptr && std::strcmp(reinterpret_cast<const char*>(name), what) == 0;
}

bool IsHiddenText(const xmlNode* n) {
  return n->type == XML_ELEMENT_NODE &&
         (NameIs(n->name, "script") || NameIs(n->name, "style") || NameIs(n->name, "template"));
}

void AddBreak(std::string& out) {
  if (!out.empty() && out.back() != ' ') out += ' ';
}

struct OutputDeleter {
  void operator()(xmlOutputBuffer* b) const { xmlOutputBufferClose(b); }
};

std::string Dump(xmlDoc* doc, xmlNode* node) {
  std::unique_ptr<xmlOutputBuffer, OutputDeleter> buf(xmlAllocOutputBuffer(nullptr));
  if (!buf) return {};
  // Serialise the node without its following siblings (libxml2 writes the
  // node only, not the tail text).
  htmlNodeDumpFormatOutput(buf.get(), doc, node, nullptr, 0);
  xmlOutputBufferFlush(buf.get());
  const xmlChar* content = xmlOutputBufferGetContent(buf.get());
  return content ? std::string(reinterpret_cast<const char*>(content), xmlOutputBufferGetSize(buf.get()))
                 : std::string();
}

}  // namespace

bool IsBlockName(const xmlChar* name) {
  static const char* const kBlocks[] = {
      "address", "article", "aside", "blockquote", "br",       "caption",    "center",  "dd",      "details",
      "dialog",  "div",     "dl",    "dt",         "fieldset", "figcaption", "figure",  "footer",  "form",
      "h1",      "h2",      "h3",    "h4",         "h5",       "h6",         "header",  "hr",      "li",
      "main",    "nav",     "ol",    "option",     "p",        "pre",        "section", "summary", "table",
      "tbody",   "td",      "tfoot", "th",         "thead",    "title",      "tr",      "ul",      "body",
      "html",    "head",    "img",   "input",      "select",   "textarea"};
  if (name == nullptr) return false;
  for (const char* b : kBlocks)
    if (NameIs(name, b)) return true;
  return false;
}

void AppendCollapsed(std::string& out, std::string_view text) {
  for (char c : text) {
    if (IsSpaceByte(c)) {
      AddBreak(out);
    } else {
      out += c;
    }
  }
}

std::string CollapsedText(xmlNode* node) {
  std::string out;
  if (node == nullptr) return out;
  if (node->type != XML_ELEMENT_NODE && node->type != XML_DOCUMENT_NODE &&
      node->type != XML_HTML_DOCUMENT_NODE) {
    if (node->content) AppendCollapsed(out, reinterpret_cast<const char*>(node->content));
  } else {
    // Pre-order walk with the parent links; `node` itself is the root.
    xmlNode* n = node->children;
    while (n != nullptr) {
      if (n->type == XML_TEXT_NODE || n->type == XML_CDATA_SECTION_NODE) {
        if (n->content) AppendCollapsed(out, reinterpret_cast<const char*>(n->content));
      } else if (n->type == XML_ELEMENT_NODE && !IsHiddenText(n)) {
        if (IsBlockName(n->name)) AddBreak(out);
        if (n->children != nullptr) {
          n = n->children;
          continue;
        }
      }
      // Leave n, and every ancestor whose last child it was.
      for (;;) {
        if (n->type == XML_ELEMENT_NODE && IsBlockName(n->name)) AddBreak(out);
        if (n->next != nullptr) {
          n = n->next;
          break;
        }
        n = n->parent;
        if (n == nullptr || n == node) {
          n = nullptr;
          break;
        }
      }
    }
  }
  size_t start = 0;
  while (start < out.size() && out[start] == ' ') ++start;
  size_t end = out.size();
  while (end > start && out[end - 1] == ' ') --end;
  return out.substr(start, end - start);
}

std::string OuterHtml(xmlDoc* doc, xmlNode* node) { return Dump(doc, node); }

std::string InnerHtml(xmlDoc* doc, xmlNode* node) {
  std::string out;
  for (xmlNode* c = node->children; c != nullptr; c = c->next) out += Dump(doc, c);
  return out;
}

}  // namespace qv::library::select
