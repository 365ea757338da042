// The XML item and document, and attribute escaping. The reader
// and the writer live in xml_reader.cpp and xml_writer.cpp.
#include "engine/xml/xml.h"

#include <atomic>
#include <cstring>
#include <mutex>
#include <new>
#include <stdexcept>
#include <type_traits>
#include <unordered_map>

#include "engine/run/run_messages.h"
#include "engine/xml/stream.h"
#include "engine/xml/xml_io.h"
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

std::string_view XmlText::NarrowView() const {
  if (IsHeap()) return {static_cast<const char*>(HeapPtr()), HeapLength()};
  return {bytes_ + 1, static_cast<size_t>(Meta() & kLengthMask)};
}

std::u16string_view XmlText::WideView() const {
  if (!IsHeap()) return {};
  return {static_cast<const char16_t*>(HeapPtr()), HeapLength()};
}

char16_t XmlText::At(size_t i) const {
  if (IsNarrow()) return static_cast<unsigned char>(NarrowView()[i]);
  return WideView()[i];
}

std::u16string XmlText::Str() const {
  if (!IsNarrow()) return std::u16string(WideView());
  std::string_view v = NarrowView();
  std::u16string out(v.size(), u'\0');
  for (size_t i = 0; i < v.size(); ++i) out[i] = static_cast<unsigned char>(v[i]);
  return out;
}

void XmlText::Release() {
  if (IsHeap()) ::operator delete(HeapPtr());
  SetMeta(Meta() & kTail);
}

void XmlText::SwapWith(XmlText& other) noexcept {
  // Fixed sizes, so that the copies are a few moves.
  char mine[sizeof bytes_];
  if (TailLent()) {
    std::memcpy(mine, bytes_, kTailOffset);
    std::memcpy(bytes_, other.bytes_, kTailOffset);
    std::memcpy(other.bytes_, mine, kTailOffset);
  } else {
    std::memcpy(mine, bytes_, sizeof bytes_);
    std::memcpy(bytes_, other.bytes_, sizeof bytes_);
    std::memcpy(other.bytes_, mine, sizeof bytes_);
  }
}

// Latin-1 units into a new text: inline when they fit, else in a block.
// Returns where the units go.
char* XmlText::StartNarrow(size_t length) {
  if (length <= InlineCapacity()) {
    SetMeta(static_cast<uint8_t>((Meta() & kTail) | length));
    return bytes_ + 1;
  }
  char* out = static_cast<char*>(::operator new(length));
  SetHeap(out, length, kHeap);
  return out;
}

void* XmlText::LendTail() {
  if (!IsHeap() && Size() > kShortInline) {
    const size_t length = Size();
    char* out = static_cast<char*>(::operator new(length));
    std::memcpy(out, bytes_ + 1, length);
    SetHeap(out, length, kHeap);
  }
  SetMeta(Meta() | kTail);
  return Tail();
}

void XmlText::AssignLatin1(std::string_view bytes) {
  if (bytes.size() > UINT32_MAX) throw std::length_error("attribute text too long");
  XmlText copy = Blank();  // `bytes` may point into this very storage
  char* out = copy.StartNarrow(bytes.size());
  if (!bytes.empty()) std::memcpy(out, bytes.data(), bytes.size());
  SwapWith(copy);
}

void XmlText::Assign(std::u16string_view text) {
  if (text.size() > UINT32_MAX) throw std::length_error("attribute text too long");
  // Without an early exit the test is a plain reduction.
  char16_t bits = 0;
  for (char16_t c : text) bits |= c;
  const bool narrow = bits <= 0xFF;
  XmlText copy = Blank();
  if (narrow) {
    char* out = copy.StartNarrow(text.size());
    for (size_t i = 0; i < text.size(); ++i) out[i] = static_cast<char>(text[i]);
  } else {
    void* out = ::operator new(text.size() * sizeof(char16_t));
    std::memcpy(out, text.data(), text.size() * sizeof(char16_t));
    copy.SetHeap(out, text.size(), kHeap | kWide);
  }
  SwapWith(copy);
}

void XmlText::CopyFrom(const XmlText& other) {
  if (other.IsNarrow()) {
    AssignLatin1(other.NarrowView());
  } else {
    Assign(other.WideView());
  }
}

void XmlText::AssignUtf8(std::string_view bytes) {
  size_t i = 0;
  while (i < bytes.size() && static_cast<unsigned char>(bytes[i]) < 0x80) ++i;
  if (i == bytes.size()) {  // ASCII: the common case
    AssignLatin1(bytes);
    return;
  }
  Assign(FromUtf8(bytes));
}

void XmlText::Truncate(size_t n) {
  size_t size = Size();
  if (n >= size) {
    Release();
    return;
  }
  if (IsHeap()) {
    SetHeap(HeapPtr(), size - n, Meta() & (kHeap | kWide));  // the block stays; only the length shrinks
  } else {
    SetMeta(static_cast<uint8_t>((Meta() & ~kLengthMask) | (size - n)));
  }
}

// ---- case-insensitive matching of names

namespace {

inline char32_t Fold(char16_t c) {
  if (c < 0x80) return (c >= 'a' && c <= 'z') ? c - 32 : c;
  if (IsSurrogate(c)) return c;
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

static_assert(sizeof(XmlText) == 24);
static_assert(sizeof(TfsXMLItem) <= 40, "an item is kept small: documents have many");
static_assert(alignof(TfsXMLItem) >= 2, "the child list and the parent link use the low bit");

namespace {

// Data() of the items that have one.
struct DataTable {
  std::mutex lock;
  std::unordered_map<const TfsXMLItem*, intptr_t> values;
};

DataTable& Datas() {
  static DataTable* table = new DataTable;  // never destroyed: items may outlive static destructors
  return *table;
}

}  // namespace

TfsXMLItem::~TfsXMLItem() {
  if (Kids()) DestroyAll(TakeKids());
  SetData(0);
}

intptr_t TfsXMLItem::Data() const {
  if (!HasData()) return 0;
  DataTable& table = Datas();
  std::lock_guard<std::mutex> guard(table.lock);
  auto it = table.values.find(this);
  return it == table.values.end() ? 0 : it->second;
}

void TfsXMLItem::SetData(intptr_t data) {
  if (data == 0 && !HasData()) return;
  DataTable& table = Datas();
  std::lock_guard<std::mutex> guard(table.lock);
  if (data == 0) {
    table.values.erase(this);
    parentBits_ &= ~kHasData;
  } else {
    table.values[this] = data;
    parentBits_ |= kHasData;
  }
}

TfsXMLItem::ChildList& TfsXMLItem::OpenKids() {
  if (ChildList* kids = Kids()) return *kids;
  return *new (text_.LendTail()) ChildList;
}

TfsXMLItem::ChildList TfsXMLItem::TakeKids() {
  ChildList* kids = Kids();
  if (!kids) return {};
  ChildList taken(std::move(*kids));
  kids->~ChildList();
  text_.ReturnTail();
  return taken;
}

void TfsXMLItem::CloseKidsIfEmpty() {
  ChildList* kids = Kids();
  if (kids && kids->empty()) {
    kids->~ChildList();
    text_.ReturnTail();
  }
}

// Destroys a forest without recursion: every item is emptied of its
// children before it is destroyed.
void TfsXMLItem::DestroyAll(ChildList&& items) {
  std::vector<std::unique_ptr<TfsXMLItem>> work;
  work.reserve(items.size());
  for (auto& child : items) work.push_back(std::move(child));
  items.clear();
  while (!work.empty()) {
    std::unique_ptr<TfsXMLItem> item = std::move(work.back());
    work.pop_back();
    if (item->Kids()) {
      ChildList kids = item->TakeKids();
      for (auto& child : kids) work.push_back(std::move(child));
    }
  }
}

TfsXMLItem* TfsXMLItem::Items(int index) const {
  if (index < 0 || index >= Count()) throw ListIndexError(index);
  return (*Kids())[static_cast<size_t>(index)].get();
}

void TfsXMLItem::AppendOwned(std::unique_ptr<TfsXMLItem> item) {
  item->SetParentLink(this);
  OpenKids().push_back(std::move(item));
}

bool TfsXMLItem::IsSelfOrAncestorOf(const TfsXMLItem* item) const {
  for (const TfsXMLItem* p = item; p; p = p->Parent())
    if (p == this) return true;
  return false;
}

void TfsXMLItem::ReserveChildren(size_t n) {
  if (n == 0) return;
  ChildList& kids = OpenKids();
  kids.reserve(kids.size() + n);
}

TfsXMLItem* TfsXMLItem::Add() {
  AppendOwned(std::make_unique<TfsXMLItem>());
  return Kids()->back().get();
}

TfsXMLItem* TfsXMLItem::AddItem(std::unique_ptr<TfsXMLItem> item) {
  if (!item) throw ScriptError(run_msg::kAddNilItem);
  if (item->IsSelfOrAncestorOf(this)) throw ScriptError(run_msg::kAddToDescendant);
  TfsXMLItem* raw = item.get();
  AppendOwned(std::move(item));
  return raw;
}

TfsXMLItem* TfsXMLItem::AddItem(TfsXMLItem* item) {
  if (!item) throw ScriptError(run_msg::kAddNilItem);
  if (item->IsSelfOrAncestorOf(this)) throw ScriptError(run_msg::kAddToDescendant);
  std::unique_ptr<TfsXMLItem> owned = item->Detach();
  if (!owned) throw ScriptError(run_msg::kAddUnownedItem);
  AppendOwned(std::move(owned));
  return item;
}

namespace {

void MoveLastTo(TfsXMLItem::ChildList& list, int index) {
  if (index < 0 || static_cast<size_t>(index) >= list.size()) throw ListIndexError(index);
  std::unique_ptr<TfsXMLItem> last = list.pop_back();
  list.insert(static_cast<size_t>(index), std::move(last));
}

}  // namespace

TfsXMLItem* TfsXMLItem::InsertItem(int index, std::unique_ptr<TfsXMLItem> item) {
  TfsXMLItem* raw = AddItem(std::move(item));
  MoveLastTo(*Kids(), index);
  return raw;
}

TfsXMLItem* TfsXMLItem::InsertItem(int index, TfsXMLItem* item) {
  AddItem(item);
  MoveLastTo(*Kids(), index);
  return item;
}

std::unique_ptr<TfsXMLItem> TfsXMLItem::Detach() {
  std::unique_ptr<TfsXMLItem> owned;
  TfsXMLItem* parent = Parent();
  if (ChildList* list = parent ? parent->Kids() : nullptr) {
    for (size_t i = list->size(); i-- > 0;) {
      if ((*list)[i].get() == this) {
        owned = list->erase(i);
        break;
      }
    }
    parent->CloseKidsIfEmpty();
  }
  SetParentLink(nullptr);
  return owned;
}

std::unique_ptr<TfsXMLItem> TfsXMLItem::SetParent(TfsXMLItem* parent) {
  std::unique_ptr<TfsXMLItem> owned = Detach();
  SetParentLink(parent);
  return owned;
}

int TfsXMLItem::Find(std::u16string_view name) const {
  auto list = Children();
  for (size_t i = 0; i < list.size(); ++i)
    if (list[i]->NameIs(name)) return static_cast<int>(i);
  return -1;
}

TfsXMLItem* TfsXMLItem::FindItem(std::u16string_view name) {
  int i = Find(name);
  if (i >= 0) return Children()[static_cast<size_t>(i)].get();
  TfsXMLItem* item = Add();
  item->SetName(name);
  return item;
}

int TfsXMLItem::IndexOf(const TfsXMLItem* item) const {
  auto list = Children();
  for (size_t i = 0; i < list.size(); ++i)
    if (list[i].get() == item) return static_cast<int>(i);
  return -1;
}

TfsXMLItem* TfsXMLItem::Root() {
  TfsXMLItem* p = this;
  while (p->Parent()) p = p->Parent();
  return p;
}

void TfsXMLItem::Clear() {
  if (Kids()) DestroyAll(TakeKids());
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
  SetData(item->Data());
  std::vector<std::pair<const TfsXMLItem*, TfsXMLItem*>> work{{item, this}};
  while (!work.empty()) {
    auto [from, to] = work.back();
    work.pop_back();
    auto children = from->Children();
    if (children.empty()) continue;
    ChildList& list = to->OpenKids();
    list.reserve(children.size());
    for (const auto& child : children) {
      auto copy = std::make_unique<TfsXMLItem>();
      copy->name_ = child->name_;
      copy->text_ = child->text_;
      copy->SetData(child->Data());
      copy->SetParentLink(to);
      if (!child->Children().empty()) work.emplace_back(child.get(), copy.get());
      list.push_back(std::move(copy));
    }
  }
}

// ---- attributes

namespace {

// Finds ` name="` in " " + text, ignoring case.
template <class Char>
int FindPropIn(std::basic_string_view<Char> text, std::u16string_view name, size_t& valueStart) {
  for (size_t j = 0; j + name.size() + 2 <= text.size(); ++j) {
    if (j > 0 && text[j - 1] != Char(' ')) continue;
    bool same = true;
    for (size_t i = 0; i < name.size() && same; ++i) {
      char16_t a = static_cast<std::make_unsigned_t<Char>>(text[j + i]), b = name[i];
      same = a == b || Fold(a) == Fold(b);
    }
    if (!same) continue;
    size_t k = j + name.size();
    if (text[k] == Char('=') && text[k + 1] == Char('"')) {
      valueStart = k + 2;
      return static_cast<int>(j);
    }
  }
  return -1;
}

}  // namespace

TfsXMLItem::PropPlace TfsXMLItem::FindProp(std::u16string_view name) const {
  return text_.Visit([&](auto text) {
    PropPlace place;
    place.at = FindPropIn(text, name, place.valueStart);
    if (place.at < 0) return place;
    size_t close = text.find('"', place.valueStart);
    // unterminated: the value is the rest
    place.valueEnd = close == text.npos ? text.size() : close;
    place.end = close == text.npos ? text.size() : close + 1;
    return place;
  });
}

namespace {

// Appends Latin-1 or UTF-16 units.
void AppendUnits(std::u16string& out, std::string_view units) {
  const size_t at = out.size();
  out.resize(at + units.size());
  for (size_t i = 0; i < units.size(); ++i) out[at + i] = static_cast<unsigned char>(units[i]);
}
void AppendUnits(std::u16string& out, std::u16string_view units) { out.append(units); }

}  // namespace

std::u16string TfsXMLItem::RawProp(std::u16string_view name) const {
  PropPlace place = FindProp(name);
  if (place.at < 0) return {};
  std::u16string out;
  text_.Visit(
      [&](auto text) { AppendUnits(out, text.substr(place.valueStart, place.valueEnd - place.valueStart)); });
  return out;
}

std::u16string TfsXMLItem::Prop(std::u16string_view name) const {
  std::u16string out;
  PropTo(name, out);
  return out;
}

void TfsXMLItem::PropTo(std::u16string_view name, std::u16string& out) const {
  out.clear();
  PropPlace place = FindProp(name);
  if (place.at < 0) return;
  text_.Visit([&](auto text) {
    const auto raw = text.substr(place.valueStart, place.valueEnd - place.valueStart);
    if (raw.find('&') == raw.npos) {
      AppendUnits(out, raw);
    } else {
      std::u16string wide;
      AppendUnits(wide, raw);
      out = DecodeXmlValue(wide);
    }
  });
}

bool TfsXMLItem::PropExists(std::u16string_view name) const { return FindProp(name).at >= 0; }

void TfsXMLItem::SetProp(std::u16string_view name, std::u16string_view value) {
  const std::u16string text = text_.Str();
  PropPlace place = FindProp(name);
  size_t from = text.size(), to = text.size();
  if (place.at >= 0) {
    from = static_cast<size_t>(place.at);
    to = place.end;
  }
  std::u16string out;
  std::u16string encoded = EncodeXmlValue(value);
  out.reserve(text.size() + name.size() + encoded.size() + 4);
  out.append(text, 0, from);
  if (from > 0 && text[from - 1] != u' ') out += u' ';
  out.append(name);
  out += u"=\"";
  out.append(encoded);
  out += u'"';
  out.append(text, to);
  text_.Assign(out);
}

std::u16string EncodeXmlValue(std::u16string_view value) {
  std::u16string out;
  out.reserve(value.size());
  for (size_t i = 0; i < value.size(); ++i) {
    char16_t c = value[i];
    if (c == u'\n' || c == u'\r' || c == u'"' || c == u'&' || c == u'<' || c == u'>') {
      out += u"&#";
      out += IntToText(c);
      out += u';';
    } else {
      out += c;
    }
  }
  return out;
}

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
