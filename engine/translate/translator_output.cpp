#include "engine/translate/translator_output.h"

#include <algorithm>

#include "support/text.h"

namespace qv {

TfsXMLItem& ILOutput::Append(const XmlName& name, std::u16string_view attributes) {
  auto item = std::make_unique<TfsXMLItem>();
  item->SetName(name);
  item->SetText(attributes);
  top_.push_back(std::move(item));
  return *top_.back();
}

void ILOutput::Wrap(size_t from, const XmlName& name, std::u16string_view attributes) {
  from = std::min(from, top_.size());
  auto node = std::make_unique<TfsXMLItem>();
  node->SetName(name);
  node->SetText(attributes);
  node->ReserveChildren(top_.size() - from);
  for (size_t i = from; i < top_.size(); ++i) node->AddItem(std::move(top_[i]));
  top_.resize(from);
  top_.push_back(std::move(node));
}

void ILOutput::Insert(size_t index, std::unique_ptr<TfsXMLItem> item) {
  index = std::min(index, top_.size());
  top_.insert(top_.begin() + static_cast<std::ptrdiff_t>(index), std::move(item));
}

void ILOutput::Erase(size_t index) {
  if (index < top_.size()) top_.erase(top_.begin() + static_cast<std::ptrdiff_t>(index));
}

void ILOutput::MoveTo(TfsXMLItem& parent) {
  parent.ReserveChildren(top_.size());
  for (auto& item : top_) parent.AddItem(std::move(item));
  top_.clear();
}

void MoveChildren(TfsXMLItem& from, TfsXMLItem& to) {
  // Detaching from the end is cheap; the order is restored when appending.
  std::vector<std::unique_ptr<TfsXMLItem>> children;
  children.reserve(static_cast<size_t>(from.Count()));
  while (from.Count() > 0) children.push_back(from.Items(from.Count() - 1)->Detach());
  to.ReserveChildren(children.size());
  for (size_t i = children.size(); i-- > 0;) to.AddItem(std::move(children[i]));
}

void AppendEncoded(std::u16string& out, std::u16string_view value) {
  for (size_t i = 0; i < value.size(); ++i) {
    char16_t c = value[i];
    switch (c) {
      case u'\n':
        out += u"&#10;";
        continue;
      case u'\r':
        out += u"&#13;";
        continue;
      case u'"':
        out += u"&#34;";
        continue;
      case u'<':
        out += u"&#60;";
        continue;
      case u'>':
        out += u"&#62;";
        continue;
      case u'&':
        // Every ampersand: decoding turns "&#NN;" and "&quot;" back into
        // characters, so a literal "&#65;" must not look like one.
        out += u"&#38;";
        continue;
      default:
        break;
    }
    if (IsHighSurrogate(c) && i + 1 < value.size() && IsLowSurrogate(value[i + 1])) {
      out += c;
      out += value[++i];
    } else {
      out += IsSurrogate(c) ? u'\xFFFD' : c;
    }
  }
}

}  // namespace qv
