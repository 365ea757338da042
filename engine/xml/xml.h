// The XML model: the grammars, the intermediate code and the
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
#include <cstring>
#include <memory>
#include <new>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/xml/xml_child_list.h"

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

// The attribute text of one item. Text whose code units are all below 256
// (nearly all of it: the intermediate code is escaped ASCII) is kept as
// Latin-1 bytes, inline up to kInline units and otherwise in an exactly
// sized block; other text is kept as UTF-16 in such a block.
//
// An item may borrow the last 8 bytes to keep its child list there, so that
// it fits a smaller allocation; inline text is then limited to kShortInline
// units.
class XmlText {
 public:
  static constexpr size_t kInline = 23;
  static constexpr size_t kShortInline = 15;

  XmlText() = default;
  explicit XmlText(std::u16string_view text) { Assign(text); }
  // Copies the text only: the copy has no borrowed tail.
  XmlText(const XmlText& other) { CopyFrom(other); }
  XmlText& operator=(const XmlText& other) {
    if (this != &other) CopyFrom(other);
    return *this;
  }
  // A borrowed tail must have been given back or emptied by then.
  ~XmlText() { Release(); }

  size_t Size() const { return IsHeap() ? HeapLength() : Meta() & kLengthMask; }
  bool Empty() const { return Size() == 0; }
  // False when the text is held as UTF-16 (some unit is 256 or above).
  bool IsNarrow() const { return !(Meta() & kWide); }
  // The Latin-1 units; only while IsNarrow().
  std::string_view NarrowView() const;
  // The UTF-16 units; only while !IsNarrow().
  std::u16string_view WideView() const;
  char16_t At(size_t i) const;
  std::u16string Str() const;
  // Calls `f` with the text as std::string_view (Latin-1) or as
  // std::u16string_view.
  template <class F>
  decltype(auto) Visit(F&& f) const {
    if (IsNarrow()) return f(NarrowView());
    return f(WideView());
  }

  void Assign(std::u16string_view text);
  void AssignLatin1(std::string_view bytes);
  // Decodes UTF-8 bytes (malformed input becomes U+FFFD, as FromUtf8 has it).
  void AssignUtf8(std::string_view bytes);
  // Drops the last `n` code units.
  void Truncate(size_t n);

  bool TailLent() const { return Meta() & kTail; }

 private:
  friend class TfsXMLItem;
  // The borrowed tail: 8 aligned bytes whose content the owner manages.
  // LendTail moves inline text longer than kShortInline to a block.
  void* LendTail();
  void* Tail() const { return const_cast<char*>(bytes_ + kTailOffset); }
  void ReturnTail() { SetMeta(Meta() & ~kTail); }

  static constexpr uint8_t kHeap = 0x80, kWide = 0x40, kTail = 0x20, kLengthMask = 0x1F;
  static constexpr size_t kTailOffset = 16;
  // bytes_[0] holds kHeap, kWide, kTail and the inline length; bytes_[1..]
  // the inline units, or bytes_[4..8) a 32-bit length and bytes_[8..16) a
  // block pointer; bytes_[16..24) are the tail.
  uint8_t Meta() const { return static_cast<uint8_t>(bytes_[0]); }
  void SetMeta(uint8_t meta) { bytes_[0] = static_cast<char>(meta); }
  bool IsHeap() const { return Meta() & kHeap; }
  size_t InlineCapacity() const { return TailLent() ? kShortInline : kInline; }
  void* HeapPtr() const {
    void* p;
    std::memcpy(&p, bytes_ + 8, sizeof p);
    return p;
  }
  uint32_t HeapLength() const {
    uint32_t n;
    std::memcpy(&n, bytes_ + 4, sizeof n);
    return n;
  }
  // Keeps the tail flag.
  void SetHeap(void* p, size_t length, uint8_t flags) {
    std::memcpy(bytes_ + 8, &p, sizeof p);
    uint32_t n = static_cast<uint32_t>(length);
    std::memcpy(bytes_ + 4, &n, sizeof n);
    SetMeta(static_cast<uint8_t>((Meta() & kTail) | flags));
  }
  struct MetaTag {
    uint8_t meta;
  };
  explicit XmlText(MetaTag tag) { SetMeta(tag.meta); }
  // An empty text with this one's inline capacity, to build a new value in.
  XmlText Blank() const { return XmlText(MetaTag{static_cast<uint8_t>(Meta() & kTail)}); }
  char* StartNarrow(size_t length);
  void CopyFrom(const XmlText& other);
  // Exchanges the texts of two texts that agree on TailLent().
  void SwapWith(XmlText& other) noexcept;
  void Release();

  alignas(void*) char bytes_[kInline + 1] = {};
};

class TfsXMLItem {
 public:
  using ChildList = XmlChildList<TfsXMLItem>;

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
  std::u16string Text() const { return text_.Str(); }
  const XmlText& RawText() const { return text_; }
  void SetText(std::u16string_view text) { text_.Assign(text); }
  void SetText(const XmlText& text) { text_ = text; }

  // A value for scripts; rarely set, so it is kept outside the item.
  intptr_t Data() const;
  void SetData(intptr_t data);

  TfsXMLItem* Parent() const { return reinterpret_cast<TfsXMLItem*>(parentBits_ & ~kHasData); }
  // Detaches the item from its old parent's list and records `parent`
  // without joining its list. The caller receives the ownership that the old
  // parent held (empty when it had none) and must outlive neither.
  [[nodiscard]] std::unique_ptr<TfsXMLItem> SetParent(TfsXMLItem* parent);

  int Count() const { return Kids() ? static_cast<int>(Kids()->size()) : 0; }
  // Child by zero-based index; ListIndexError outside 0..Count-1.
  TfsXMLItem* Items(int index) const;
  // All children, for fast walking.
  std::span<const std::unique_ptr<TfsXMLItem>> Children() const {
    if (const ChildList* kids = Kids()) return kids->View();
    return {};
  }

  // One attribute, unescaped (EncodeXmlValue / DecodeXmlValue). A missing
  // attribute reads as empty text.
  std::u16string Prop(std::u16string_view name) const;
  // Prop into `out`, reusing its room: the builder reads a position or a
  // name from nearly every element.
  void PropTo(std::u16string_view name, std::u16string& out) const;
  void SetProp(std::u16string_view name, std::u16string_view value);
  bool PropExists(std::u16string_view name) const;
  // The attribute's value as stored (escaped); empty when missing.
  std::u16string RawProp(std::u16string_view name) const;

  // Makes room for `n` more children, so that a list built in one go is
  // allocated exactly.
  void ReserveChildren(size_t n);
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
  // Where ` name="` starts in " " + text (-1 when missing), and the value.
  struct PropPlace {
    int at = -1;
    size_t valueStart = 0, valueEnd = 0, end = 0;
  };
  PropPlace FindProp(std::u16string_view name) const;
  static void DestroyAll(ChildList&& items);

  // The child list lives in the text's tail while the item has one.
  ChildList* Kids() const {
    return text_.TailLent() ? std::launder(static_cast<ChildList*>(text_.Tail())) : nullptr;
  }
  // The list, made on first use.
  ChildList& OpenKids();
  // Hands the children over and gives the tail back to the text.
  ChildList TakeKids();
  void CloseKidsIfEmpty();

  void SetParentLink(TfsXMLItem* parent) {
    parentBits_ = reinterpret_cast<uintptr_t>(parent) | (parentBits_ & kHasData);
  }
  bool HasData() const { return parentBits_ & kHasData; }

  static constexpr uintptr_t kHasData = 1;

  XmlName name_;
  XmlText text_;
  // The parent's address, with kHasData in the low bit when Data() is set.
  uintptr_t parentBits_ = 0;
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

// Attribute value escaping: LF, CR, '"', '&', '<' and '>' become
// "&#10;", "&#13;", "&#34;", "&#38;", "&#60;", "&#62;"; every other
// character is kept. Every '&' is encoded so that a value holding "&#65;"
// or "&quot;" reads back unchanged.
std::u16string EncodeXmlValue(std::u16string_view value);
// Numeric references "&#N;" (decimal) and "&quot;" are replaced; nothing else
// ("&lt;" stays "&lt;"). A reference that is not well formed is kept as is.
std::u16string DecodeXmlValue(std::u16string_view value);

// The message of every reading error.
inline constexpr std::u16string_view kInvalidXmlFormat = u"Invalid file format";

}  // namespace qv
