// The XML item and document, and attribute escaping (Part 1.1). The reader
// and the writer live in xml_reader.cpp and xml_writer.cpp.
#include "engine/xml.h"

#include <atomic>
#include <cstring>
#include <new>

#include "engine/stream.h"
#include "engine/xml_io.h"
#include "support/errors.h"
#include "support/text.h"

namespace qv {

// ---- XmlName: a reference-counted immutable string

struct XmlName::Rep {
  std::atomic<uint32_t> refs;
  uint32_t length;
  char16_t* Chars() { return reinterpret_cast<char16_t*>(this + 1); }
};

XmlName::XmlName(std::u16string_view text) {
  if (text.empty()) return;
  void* mem = ::operator new(sizeof(Rep) + text.size() * sizeof(char16_t));
  rep_ = new (mem) Rep{{1}, static_cast<uint32_t>(text.size())};
  std::memcpy(rep_->Chars(), text.data(), text.size() * sizeof(char16_t));
}

XmlName::XmlName(const XmlName& other) noexcept : rep_(other.rep_) {
  if (rep_) rep_->refs.fetch_add(1, std::memory_order_relaxed);
}

XmlName::~XmlName() {
  if (rep_ && rep_->refs.fetch_sub(1, std::memory_order_acq_rel) == 1) {
    rep_->~Rep();
    ::operator delete(rep_);
  }
}

std::u16string_view XmlName::View() const {
  if (!rep_) return {};
  return {rep_->Chars(), rep_->length};
}

// ---- XmlText

std::u16string_view XmlText::View() const {
  if (!rep_) return {};
  uint32_t n;
  std::memcpy(&n, rep_, sizeof n);
  return {reinterpret_cast<const char16_t*>(rep_ + sizeof n), n};
}

char16_t* XmlText::Allocate(size_t length) {
  Release();
  if (length == 0) return nullptr;
  uint32_t n = static_cast<uint32_t>(length);
  rep_ = static_cast<char*>(::operator new(sizeof n + length * sizeof(char16_t)));
  std::memcpy(rep_, &n, sizeof n);
  return reinterpret_cast<char16_t*>(rep_ + sizeof n);
}

void XmlText::Release() {
  ::operator delete(rep_);
  rep_ = nullptr;
}

void XmlText::Assign(std::u16string_view text) {
  if (text.empty()) {
    Release();
    return;
  }
  // `text` may point into this very storage.
  XmlText copy;
  char16_t* out = copy.Allocate(text.size());
  std::memcpy(out, text.data(), text.size() * sizeof(char16_t));
  std::swap(rep_, copy.rep_);
}

void XmlText::AssignUtf8(std::string_view bytes) {
  size_t i = 0;
  while (i < bytes.size() && static_cast<unsigned char>(bytes[i]) < 0x80) ++i;
  if (i == bytes.size()) {  // ASCII: the common case, widened in place
    char16_t* out = Allocate(bytes.size());
    for (size_t k = 0; k < bytes.size(); ++k) out[k] = static_cast<unsigned char>(bytes[k]);
    return;
  }
  Assign(FromUtf8(bytes));
}

void XmlText::Truncate(size_t n) {
  std::u16string_view v = View();
  if (n >= v.size()) {
    Release();
    return;
  }
  uint32_t len = static_cast<uint32_t>(v.size() - n);
  std::memcpy(rep_, &len, sizeof len);  // the storage stays; only the length shrinks
}

// ---- case-insensitive matching of names

namespace {

inline char32_t Fold(char16_t c) {
  if (c < 0x80) return (c >= 'a' && c <= 'z') ? c - 32 : c;
  if (c >= 0xD800 && c <= 0xDFFF) return c;
  return UpCaseCodePoint(c);
}

// True when `text` at `at` starts with `word`, ignoring case.
inline bool MatchesAt(std::u16string_view text, size_t at, std::u16string_view word) {
  if (text.size() - at < word.size()) return false;
  for (size_t i = 0; i < word.size(); ++i) {
    char16_t a = text[at + i], b = word[i];
    if (a != b && Fold(a) != Fold(b)) return false;
  }
  return true;
}

}  // namespace

bool TfsXMLItem::NameIs(std::u16string_view name) const {
  std::u16string_view mine = Name();
  return mine.size() == name.size() && MatchesAt(mine, 0, name);
}

// ---- TfsXMLItem

static_assert(sizeof(TfsXMLItem) <= 40, "an item is kept small: documents have many");

TfsXMLItem::~TfsXMLItem() {
  if (items_) DestroyAll(std::move(*items_));
}

// Destroys a forest without recursion: every item is emptied of its
// children before it is destroyed.
void TfsXMLItem::DestroyAll(ChildList&& items) {
  ChildList work = std::move(items);
  while (!work.empty()) {
    std::unique_ptr<TfsXMLItem> item = std::move(work.back());
    work.pop_back();
    if (item->items_) {
      for (auto& child : *item->items_) work.push_back(std::move(child));
      item->items_.reset();
    }
  }
}

TfsXMLItem* TfsXMLItem::Items(int index) const {
  if (index < 0 || index >= Count()) throw ListIndexError(index);
  return (*items_)[static_cast<size_t>(index)].get();
}

void TfsXMLItem::AppendOwned(std::unique_ptr<TfsXMLItem> item) {
  if (!items_) items_ = std::make_unique<ChildList>();
  item->parent_ = this;
  items_->push_back(std::move(item));
}

bool TfsXMLItem::IsSelfOrAncestorOf(const TfsXMLItem* item) const {
  for (const TfsXMLItem* p = item; p; p = p->parent_)
    if (p == this) return true;
  return false;
}

TfsXMLItem* TfsXMLItem::Add() {
  AppendOwned(std::make_unique<TfsXMLItem>());
  return items_->back().get();
}

TfsXMLItem* TfsXMLItem::AddItem(std::unique_ptr<TfsXMLItem> item) {
  if (!item) throw ScriptError(u"Cannot add a nil item");
  if (item->IsSelfOrAncestorOf(this)) throw ScriptError(u"Cannot add an item to its own descendant");
  TfsXMLItem* raw = item.get();
  AppendOwned(std::move(item));
  return raw;
}

TfsXMLItem* TfsXMLItem::AddItem(TfsXMLItem* item) {
  if (!item) throw ScriptError(u"Cannot add a nil item");
  if (item->IsSelfOrAncestorOf(this)) throw ScriptError(u"Cannot add an item to its own descendant");
  std::unique_ptr<TfsXMLItem> owned = item->Detach();
  if (!owned) throw ScriptError(u"Cannot add an item that no list owns");
  AppendOwned(std::move(owned));
  return item;
}

namespace {

void MoveLastTo(TfsXMLItem::ChildList& list, int index) {
  if (index < 0 || static_cast<size_t>(index) >= list.size()) throw ListIndexError(index);
  std::unique_ptr<TfsXMLItem> last = std::move(list.back());
  list.pop_back();
  list.insert(list.begin() + index, std::move(last));
}

}  // namespace

TfsXMLItem* TfsXMLItem::InsertItem(int index, std::unique_ptr<TfsXMLItem> item) {
  TfsXMLItem* raw = AddItem(std::move(item));
  MoveLastTo(*items_, index);
  return raw;
}

TfsXMLItem* TfsXMLItem::InsertItem(int index, TfsXMLItem* item) {
  AddItem(item);
  MoveLastTo(*items_, index);
  return item;
}

std::unique_ptr<TfsXMLItem> TfsXMLItem::Detach() {
  std::unique_ptr<TfsXMLItem> owned;
  if (parent_ && parent_->items_) {
    ChildList& list = *parent_->items_;
    for (size_t i = list.size(); i-- > 0;) {
      if (list[i].get() == this) {
        owned = std::move(list[i]);
        list.erase(list.begin() + static_cast<ptrdiff_t>(i));
        break;
      }
    }
  }
  parent_ = nullptr;
  return owned;
}

std::unique_ptr<TfsXMLItem> TfsXMLItem::SetParent(TfsXMLItem* parent) {
  std::unique_ptr<TfsXMLItem> owned = Detach();
  parent_ = parent;
  return owned;
}

int TfsXMLItem::Find(std::u16string_view name) const {
  if (!items_) return -1;
  const ChildList& list = *items_;
  for (size_t i = 0; i < list.size(); ++i)
    if (list[i]->NameIs(name)) return static_cast<int>(i);
  return -1;
}

TfsXMLItem* TfsXMLItem::FindItem(std::u16string_view name) {
  int i = Find(name);
  if (i >= 0) return (*items_)[static_cast<size_t>(i)].get();
  TfsXMLItem* item = Add();
  item->SetName(name);
  return item;
}

int TfsXMLItem::IndexOf(const TfsXMLItem* item) const {
  if (!items_) return -1;
  const ChildList& list = *items_;
  for (size_t i = 0; i < list.size(); ++i)
    if (list[i].get() == item) return static_cast<int>(i);
  return -1;
}

TfsXMLItem* TfsXMLItem::Root() {
  TfsXMLItem* p = this;
  while (p->parent_) p = p->parent_;
  return p;
}

void TfsXMLItem::Clear() {
  if (!items_) return;
  std::unique_ptr<ChildList> list = std::move(items_);
  DestroyAll(std::move(*list));
}

// Deep copy without recursion: a work list of (source, copy) pairs.
void TfsXMLItem::Assign(const TfsXMLItem* item) {
  if (item && IsSelfOrAncestorOf(item)) {  // the source would die in Clear
    TfsXMLItem copy;
    copy.Assign(item);
    Assign(&copy);
    return;
  }
  Clear();
  if (!item) return;
  name_ = item->name_;
  text_ = item->text_;
  data_ = item->data_;
  std::vector<std::pair<const TfsXMLItem*, TfsXMLItem*>> work{{item, this}};
  while (!work.empty()) {
    auto [from, to] = work.back();
    work.pop_back();
    if (!from->items_) continue;
    to->items_ = std::make_unique<ChildList>();
    to->items_->reserve(from->items_->size());
    for (const auto& child : *from->items_) {
      auto copy = std::make_unique<TfsXMLItem>();
      copy->name_ = child->name_;
      copy->text_ = child->text_;
      copy->data_ = child->data_;
      copy->parent_ = to;
      if (child->items_) work.emplace_back(child.get(), copy.get());
      to->items_->push_back(std::move(copy));
    }
  }
}

// ---- attributes

// Finds ` name="` in " " + Text, ignoring case. Returns the index in Text
// where the name starts (-1 when missing) and sets the value's start.
int TfsXMLItem::FindPropValue(std::u16string_view name, size_t& valueStart) const {
  std::u16string_view text = Text();
  for (size_t j = 0; j + name.size() + 2 <= text.size(); ++j) {
    if (j > 0 && text[j - 1] != u' ') continue;
    if (!MatchesAt(text, j, name)) continue;
    size_t k = j + name.size();
    if (text[k] == u'=' && text[k + 1] == u'"') {
      valueStart = k + 2;
      return static_cast<int>(j);
    }
  }
  return -1;
}

std::u16string_view TfsXMLItem::RawProp(std::u16string_view name) const {
  size_t start;
  if (FindPropValue(name, start) < 0) return {};
  std::u16string_view text = Text();
  size_t end = text.find(u'"', start);
  if (end == std::u16string_view::npos) end = text.size();  // unterminated: the rest
  return text.substr(start, end - start);
}

std::u16string TfsXMLItem::Prop(std::u16string_view name) const { return DecodeXmlValue(RawProp(name)); }

bool TfsXMLItem::PropExists(std::u16string_view name) const {
  size_t start;
  return FindPropValue(name, start) >= 0;
}

void TfsXMLItem::SetProp(std::u16string_view name, std::u16string_view value) {
  std::u16string_view text = Text();
  size_t start;
  int at = FindPropValue(name, start);
  size_t from = text.size(), to = text.size();
  if (at >= 0) {
    from = static_cast<size_t>(at);
    size_t close = text.find(u'"', start);
    to = close == std::u16string_view::npos ? text.size() : close + 1;
  }
  std::u16string out;
  std::u16string encoded = EncodeXmlValue(value);
  out.reserve(text.size() + name.size() + encoded.size() + 4);
  out.append(text.substr(0, from));
  if (from > 0 && text[from - 1] != u' ') out += u' ';
  out.append(name);
  out += u"=\"";
  out.append(encoded);
  out += u'"';
  out.append(text.substr(to));
  text_.Assign(out);
}

std::u16string EncodeXmlValue(std::u16string_view value) {
  std::u16string out;
  out.reserve(value.size());
  for (size_t i = 0; i < value.size(); ++i) {
    char16_t c = value[i];
    if (c == u'\n' || c == u'\r' || c == u'"' || c == u'<' || c == u'>') {
      out += u"&#";
      out += IntToText(c);
      out += u';';
    } else if (c == u'&' && value.substr(i, 6) == u"&quot;") {
      out += u"&#34;";
      i += 5;
    } else {
      out += c;
    }
  }
  return out;
}

namespace {

void AppendCodePoint(std::u16string& out, uint32_t c) {
  if (c < 0x10000) {
    out += static_cast<char16_t>(c);
  } else {
    c -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (c >> 10));
    out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
  }
}

}  // namespace

// The scan runs from the first character to the last but one; a reference
// needs "&#" and at least two more characters. A replaced character is not
// scanned again, so "&#38;#65;" gives "&#65;".
std::u16string DecodeXmlValue(std::u16string_view value) {
  if (value.find(u'&') == std::u16string_view::npos) return std::u16string(value);
  std::u16string out;
  out.reserve(value.size());
  size_t i = 0;
  while (i < value.size()) {
    char16_t c = value[i];
    if (c == u'&' && i + 3 < value.size() && value[i + 1] == u'#') {
      size_t semi = value.find(u';', i + 2);
      uint32_t code = 0;
      bool ok = semi != std::u16string_view::npos && semi > i + 2 && semi - (i + 2) <= 7;
      for (size_t k = i + 2; ok && k < semi; ++k) {
        ok = value[k] >= u'0' && value[k] <= u'9';
        code = code * 10 + (value[k] - u'0');
      }
      if (ok && code <= 0x10FFFF) {
        AppendCodePoint(out, code);
        i = semi + 1;
        continue;
      }
    } else if (c == u'&' && value.substr(i, 6) == u"&quot;") {
      out += u'"';
      i += 6;
      continue;
    }
    out += c;
    ++i;
  }
  return out;
}

// ---- TfsXMLDocument

TfsXMLDocument::TfsXMLDocument() : root_(std::make_unique<TfsXMLItem>()) {}
TfsXMLDocument::~TfsXMLDocument() = default;

void TfsXMLDocument::Clear() { root_->Clear(); }

void TfsXMLDocument::LoadFromStream(Stream& stream) {
  root_->Clear();
  TfsXMLReader reader(stream);
  reader.ReadHeader();
  reader.ReadRootItem(root_.get());
}

void TfsXMLDocument::SaveToStream(Stream& stream) const {
  TfsXMLWriter writer(stream, autoIndent_);
  writer.WriteHeader();
  writer.WriteRootItem(*root_);
  writer.Flush();
}

void TfsXMLDocument::LoadFromFile(std::u16string_view fileName) {
  FileStream file(fileName, FileMode::OpenRead, ShareMode::DenyWrite);
  LoadFromStream(file);
}

void TfsXMLDocument::SaveToFile(std::u16string_view fileName) const {
  FileStream file(fileName, FileMode::Create);
  SaveToStream(file);
}

void TfsXMLDocument::LoadFromBytes(std::string_view bytes) {
  MemoryStream stream{std::string(bytes)};
  LoadFromStream(stream);
}

std::string TfsXMLDocument::SaveToBytes() const {
  MemoryStream stream;
  SaveToStream(stream);
  return stream.Data();
}

}  // namespace qv
