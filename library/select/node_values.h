// What a selection gives for one node: its collapsed text, its outer or
// inner HTML, or an attribute's value. All in UTF-8, as libxml2 holds it.
#pragma once

#include <libxml/tree.h>

#include <string>
#include <string_view>

namespace qv::library::select {

// The node after `n` in document order without leaving `root`'s subtree
// (nullptr at its end): an element's children first, then the next sibling
// of the nearest node that has one. Walks need no stack at any depth.
inline xmlNode* NextInTree(xmlNode* n, const xmlNode* root) {
  if (n->type == XML_ELEMENT_NODE && n->children != nullptr) return n->children;
  while (n != nullptr && n != root && n->next == nullptr) n = n->parent;
  return (n == nullptr || n == root) ? nullptr : n->next;
}

// True for the elements whose start and end separate words in rendered
// text (blocks, list items, table cells, <br>).
bool IsBlockName(const xmlChar* name);

// The text content with every run of white space collapsed to one blank and
// trimmed; block boundaries and <br> count as white space; script and style
// below `node` are left out. Walks without recursion, so any depth works.
std::string CollapsedText(xmlNode* node);

// Appends `text` to `out` with white space runs collapsed (a run at the
// start becomes one blank only when `out` does not already end in one).
void AppendCollapsed(std::string& out, std::string_view text);

std::string OuterHtml(xmlDoc* doc, xmlNode* node);
std::string InnerHtml(xmlDoc* doc, xmlNode* node);

}  // namespace qv::library::select
