// The translator's output while it runs: the elements emitted so far, as a
// list of top-level element trees.
//
// The translator's emitting steps are defined on a flat list of tag lines:
// append a token element, wrap the lines from a remembered count to the end
// in a start and an end tag, delete the lines from a remembered count on.
// Every count the translator remembers is taken where the list is balanced,
// so it always falls between top-level elements; each step is then an
// operation on the list of top-level trees, and the trees become the
// document directly, without writing the lines out and reading them back.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/xml/xml.h"

namespace qv {

class ILOutput {
 public:
  size_t Count() const { return top_.size(); }
  TfsXMLItem& At(size_t index) const { return *top_[index]; }

  // A new element without children at the end.
  TfsXMLItem& Append(const XmlName& name, std::u16string_view attributes);
  // Wraps the elements from `from` to the end in a new element.
  void Wrap(size_t from, const XmlName& name, std::u16string_view attributes);
  void Insert(size_t index, std::unique_ptr<TfsXMLItem> item);
  void Erase(size_t index);
  // Keeps the first `count` elements.
  void Truncate(size_t count) {
    if (count < top_.size()) top_.resize(count);
  }
  // Moves every element, in order, to the end of `parent`'s children.
  void MoveTo(TfsXMLItem& parent);
  void Clear() { top_.clear(); }

 private:
  std::vector<std::unique_ptr<TfsXMLItem>> top_;
};

// Appends `value` with the attribute escaping of the XML model: LF, CR, '"',
// '&', '<' and '>' become numeric references. A lone surrogate becomes
// U+FFFD, as it would through UTF-8.
void AppendEncoded(std::u16string& out, std::u16string_view value);

// Moves the children of `from` to the end of `to`, in order.
void MoveChildren(TfsXMLItem& from, TfsXMLItem& to);

}  // namespace qv
