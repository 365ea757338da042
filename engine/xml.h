// The XML model (Part 1.1): the grammars, the intermediate code and the
// scripts' own TfsXMLDocument objects all use it.
//
// An element has a name, an uninterpreted attribute text (kept escaped, as
// read or as built by SetProp) and children; there are no text nodes.
//
//   TfsXMLDocument doc;
//   TfsXMLItem* e = doc.Root()->Add();
//   e->SetName(u"number");
//   e->SetProp(u"text", u"1");        // e->Text() == u"text=\"1\""
//   e->SetProp(u"pos", u"3:7");       // u"text=\"1\" pos=\"3:7\""
//   doc.SaveToStream(stream);
//
// Ownership: an item owns its children (std::unique_ptr). Raw pointers
// returned by Add, Items, FindItem, ... stay valid until the item is removed
// or its parent destroyed. Trees of any depth can be read, written, copied
// and destroyed: none of these operations recurses.
//
// The reader and the writer convert element names from and to the system
// ANSI code page (support/codepage.h) and attribute texts from and to UTF-8.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

class Stream;
class TfsXMLReader;
class TfsXMLWriter;

// An immutable element name, shared between the items that carry it (the
// reader gives every `expr` element the same one). Copies are cheap.
class XmlName {
 public:
  XmlName() = default;
  explicit XmlName(std::u16string_view text);
  XmlName(const XmlName& other) noexcept;
  XmlName(XmlName&& other) noexcept : rep_(other.rep_) { other.rep_ = nullptr; }
  XmlName& operator=(XmlName other) noexcept {
    std::swap(rep_, other.rep_);
    return *this;
  }
  ~XmlName();

  std::u16string_view View() const;
  bool SharesRep(const XmlName& other) const { return rep_ == other.rep_; }

 private:
  struct Rep;
  Rep* rep_ = nullptr;
};

// The attribute text of one item: exactly sized UTF-16 storage.
class XmlText {
 public:
  XmlText() = default;
  explicit XmlText(std::u16string_view text) { Assign(text); }
  XmlText(const XmlText& other) { Assign(other.View()); }
  XmlText& operator=(const XmlText& other) {
    if (this != &other) Assign(other.View());
    return *this;
  }
  ~XmlText() { Release(); }

  std::u16string_view View() const;
  void Assign(std::u16string_view text);
  // Decodes UTF-8 bytes (invalid bytes become U+FFFD, one each).
  void AssignUtf8(std::string_view bytes);
  // Drops the last `n` code units.
  void Truncate(size_t n);

 private:
  char16_t* Allocate(size_t length);
  void Release();
  char* rep_ = nullptr;  // uint32_t length, then the code units
};

class TfsXMLItem {
 public:
  using ChildList = std::vector<std::unique_ptr<TfsXMLItem>>;

  TfsXMLItem() = default;
  TfsXMLItem(const TfsXMLItem&) = delete;
  TfsXMLItem& operator=(const TfsXMLItem&) = delete;
  ~TfsXMLItem();

  std::u16string_view Name() const { return name_.View(); }
  void SetName(std::u16string_view name) { name_ = XmlName(name); }
  void SetName(const XmlName& name) { name_ = name; }
  const XmlName& SharedName() const { return name_; }
  // Name compared without regard to case.
  bool NameIs(std::u16string_view name) const;

  // The raw, escaped attribute text.
  std::u16string_view Text() const { return text_.View(); }
  void SetText(std::u16string_view text) { text_.Assign(text); }

  intptr_t Data() const { return data_; }
  void SetData(intptr_t data) { data_ = data; }

  TfsXMLItem* Parent() const { return parent_; }
  // Detaches the item from its old parent's list and records `parent`
  // without joining its list. The caller receives the ownership that the old
  // parent held (empty when it had none) and must outlive neither.
  [[nodiscard]] std::unique_ptr<TfsXMLItem> SetParent(TfsXMLItem* parent);

  int Count() const { return items_ ? static_cast<int>(items_->size()) : 0; }
  // Child by zero-based index; ListIndexError outside 0..Count-1.
  TfsXMLItem* Items(int index) const;
  // All children, for fast walking.
  std::span<const std::unique_ptr<TfsXMLItem>> Children() const {
    if (!items_) return {};
    return {items_->data(), items_->size()};
  }

  // One attribute, unescaped (EncodeXmlValue / DecodeXmlValue). A missing
  // attribute reads as empty text.
  std::u16string Prop(std::u16string_view name) const;
  void SetProp(std::u16string_view name, std::u16string_view value);
  bool PropExists(std::u16string_view name) const;
  // The attribute's value as stored (escaped); empty when missing.
  std::u16string_view RawProp(std::u16string_view name) const;

  // A new empty child at the end.
  TfsXMLItem* Add();
  // Appends a parentless item and takes it over.
  TfsXMLItem* AddItem(std::unique_ptr<TfsXMLItem> item);
  // Moves a child of any item (this one too: it then moves to the end).
  // Raises when the item is this one or one of its ancestors, or when no
  // item lists it (a parentless item must be handed over as unique_ptr).
  TfsXMLItem* AddItem(TfsXMLItem* item);
  // AddItem, then moves the item from the end to `index`; an index outside
  // 0..Count-1 raises ListIndexError and leaves the item at the end.
  TfsXMLItem* InsertItem(int index, std::unique_ptr<TfsXMLItem> item);
  TfsXMLItem* InsertItem(int index, TfsXMLItem* item);
  // Removes the item from its parent's list and returns it (empty when no
  // list held it). The item is then parentless.
  [[nodiscard]] std::unique_ptr<TfsXMLItem> Detach();

  // Index of the first child with this name (any case), or -1.
  int Find(std::u16string_view name) const;
  // That child; a new child with this name at the end when there is none.
  TfsXMLItem* FindItem(std::u16string_view name);
  int IndexOf(const TfsXMLItem* item) const;
  TfsXMLItem* Root();
  // Destroys all children.
  void Clear();
  // Clears, then (when `item` is given) copies its name, text, data and a
  // deep copy of its children.
  void Assign(const TfsXMLItem* item);

 private:
  friend class TfsXMLReader;
  void AppendOwned(std::unique_ptr<TfsXMLItem> item);
  bool IsSelfOrAncestorOf(const TfsXMLItem* item) const;
  int FindPropValue(std::u16string_view name, size_t& valueStart) const;
  static void DestroyAll(ChildList&& items);

  XmlName name_;
  XmlText text_;
  TfsXMLItem* parent_ = nullptr;
  intptr_t data_ = 0;
  std::unique_ptr<ChildList> items_;  // created on first insertion
};

class TfsXMLDocument {
 public:
  TfsXMLDocument();
  ~TfsXMLDocument();
  TfsXMLDocument(const TfsXMLDocument&) = delete;
  TfsXMLDocument& operator=(const TfsXMLDocument&) = delete;

  bool AutoIndent() const { return autoIndent_; }
  void SetAutoIndent(bool on) { autoIndent_ = on; }
  // Created with the document and never replaced; loading fills it in place.
  TfsXMLItem* Root() const { return root_.get(); }

  // Clears the root's children.
  void Clear();
  // Reads the header and the root element from the stream's position. Any
  // malformed input raises ScriptError "Invalid file format"; the root keeps
  // what was read before. Afterwards (also after an error) the stream is
  // just after the last byte consumed.
  void LoadFromStream(Stream& stream);
  // Writes the header and the root element at the stream's position.
  void SaveToStream(Stream& stream) const;
  void LoadFromFile(std::u16string_view fileName);
  void SaveToFile(std::u16string_view fileName) const;
  // The same, on bytes in memory.
  void LoadFromBytes(std::string_view bytes);
  std::string SaveToBytes() const;

 private:
  bool autoIndent_ = false;
  std::unique_ptr<TfsXMLItem> root_;
};

// Attribute value escaping of Part 1.1: LF, CR, '"', '<' and '>' become
// "&#10;", "&#13;", "&#34;", "&#60;", "&#62;"; "&quot;" becomes "&#34;";
// every other character, '&' included, is kept.
std::u16string EncodeXmlValue(std::u16string_view value);
// Numeric references "&#N;" (decimal) and "&quot;" are replaced; nothing else
// ("&lt;" stays "&lt;"). A reference that is not well formed is kept as is.
std::u16string DecodeXmlValue(std::u16string_view value);

// The message of every reading error.
inline constexpr std::u16string_view kInvalidXmlFormat = u"Invalid file format";

}  // namespace qv
