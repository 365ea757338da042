#include "engine/classes/string_list.h"

#include <algorithm>
#include <limits>

#include "engine/run/run_messages.h"
#include "engine/xml/stream.h"
#include "support/errors.h"
#include "support/text.h"

namespace qv {

namespace {

class StringListError : public ScriptError {
 public:
  explicit StringListError(std::u16string message) : ScriptError(std::move(message), u"EStringListError") {}
};

bool IsBlank(char16_t c) { return c <= u' '; }

// The name part of "name=value"; empty when there is no "=".
std::u16string_view NamePart(std::u16string_view entry) {
  size_t eq = entry.find(u'=');
  return eq == std::u16string_view::npos ? std::u16string_view() : entry.substr(0, eq);
}

// Reads a quoted entry starting at the quote at `pos`; a doubled quote
// stands for one. Leaves `pos` after the closing quote (or at the end).
std::u16string ExtractQuoted(std::u16string_view text, size_t& pos) {
  std::u16string out;
  ++pos;
  while (pos < text.size()) {
    char16_t c = text[pos++];
    if (c == u'"') {
      if (pos < text.size() && text[pos] == u'"') {
        ++pos;
      } else {
        return out;
      }
    }
    out += c;
  }
  return out;
}

}  // namespace

// ---- TStrings ----

const HostClass& TStrings::StaticClass() {
  static const HostClass cls = MakeHostClass<TStrings>(u"TStrings", &TPersistent::StaticClass());
  return cls;
}

void TStrings::CheckIndex(int index) const {
  if (index < 0 || index >= Count()) throw ListIndexError(index);
}

void TStrings::CheckRoom() const {
  if (entries_.size() >= static_cast<size_t>(std::numeric_limits<int>::max()))
    throw StringListError(run_msg::kListCapacity + IntToText(Count()) + u")");
}

const std::u16string& TStrings::Get(int index) const {
  CheckIndex(index);
  return entries_[static_cast<size_t>(index)].text;
}

void TStrings::Put(int index, std::u16string s) {
  CheckIndex(index);
  entries_[static_cast<size_t>(index)].text = std::move(s);
}

int32_t TStrings::GetObject(int index) const {
  CheckIndex(index);
  return entries_[static_cast<size_t>(index)].object;
}

void TStrings::PutObject(int index, int32_t object) {
  CheckIndex(index);
  entries_[static_cast<size_t>(index)].object = object;
}

int TStrings::AddObject(std::u16string s, int32_t object) {
  int index = Count();
  InsertObject(index, std::move(s), object);
  return index;
}

void TStrings::InsertObject(int index, std::u16string s, int32_t object) {
  if (index < 0 || index > Count()) throw ListIndexError(index);
  CheckRoom();
  entries_.insert(entries_.begin() + index, Entry{std::move(s), object});
}

void TStrings::Delete(int index) {
  CheckIndex(index);
  entries_.erase(entries_.begin() + index);
}

void TStrings::Move(int curIndex, int newIndex) {
  if (curIndex == newIndex) return;
  CheckIndex(curIndex);
  CheckIndex(newIndex);
  auto first = entries_.begin();
  if (curIndex < newIndex) {
    std::rotate(first + curIndex, first + curIndex + 1, first + newIndex + 1);
  } else {
    std::rotate(first + newIndex, first + curIndex, first + curIndex + 1);
  }
}

void TStrings::Exchange(int index1, int index2) {
  CheckIndex(index1);
  CheckIndex(index2);
  std::swap(entries_[static_cast<size_t>(index1)], entries_[static_cast<size_t>(index2)]);
}

void TStrings::AddStrings(const TStrings& other) {
  if (&other == this) {
    // Adding to itself would read entries while they move.
    std::vector<Entry> copy = entries_;
    for (auto& e : copy) AddObject(std::move(e.text), e.object);
    return;
  }
  for (const auto& e : other.entries_) AddObject(e.text, e.object);
}

int TStrings::CompareStrings(std::u16string_view a, std::u16string_view b) const { return CompareText(a, b); }

int TStrings::IndexOf(std::u16string_view s) const {
  for (size_t i = 0; i < entries_.size(); ++i)
    if (entries_[i].text == s) return static_cast<int>(i);
  return -1;
}

int TStrings::IndexOfName(std::u16string_view name) const {
  for (size_t i = 0; i < entries_.size(); ++i) {
    const std::u16string& t = entries_[i].text;
    size_t eq = t.find(u'=');
    if (eq != std::u16string::npos && CompareStrings(std::u16string_view(t).substr(0, eq), name) == 0)
      return static_cast<int>(i);
  }
  return -1;
}

int TStrings::IndexOfObject(int32_t object) const {
  for (size_t i = 0; i < entries_.size(); ++i)
    if (entries_[i].object == object) return static_cast<int>(i);
  return -1;
}

std::u16string TStrings::Name(int index) const { return std::u16string(NamePart(Get(index))); }

std::u16string TStrings::Value(std::u16string_view name) const {
  int i = IndexOfName(name);
  if (i < 0) return {};
  const std::u16string& t = entries_[static_cast<size_t>(i)].text;
  return t.substr(t.find(u'=') + 1);
}

void TStrings::SetValue(std::u16string_view name, std::u16string_view value) {
  int i = IndexOfName(name);
  if (value.empty()) {
    if (i >= 0) Delete(i);
    return;
  }
  std::u16string entry(name);
  entry += u'=';
  entry += value;
  if (i < 0) {
    Add(std::move(entry));
    return;
  }
  // A sorted list may not take Put; re-adding keeps the new entry in order.
  if (KeepsOrder()) {
    int32_t object = entries_[static_cast<size_t>(i)].object;
    Delete(i);
    AddObject(std::move(entry), object);
  } else {
    Put(i, std::move(entry));
  }
}

// Entries that contain blanks, control characters, commas or quotes are
// quoted, with inner quotes doubled; a single empty entry is written "".
std::u16string TStrings::CommaText() const {
  if (entries_.size() == 1 && entries_[0].text.empty()) return u"\"\"";
  std::u16string out;
  for (size_t i = 0; i < entries_.size(); ++i) {
    const std::u16string& s = entries_[i].text;
    if (i) out += u',';
    bool quote =
        std::any_of(s.begin(), s.end(), [](char16_t c) { return IsBlank(c) || c == u'"' || c == u','; });
    if (!quote) {
      out += s;
      continue;
    }
    out += u'"';
    for (char16_t c : s) {
      if (c == u'"') out += u'"';
      out += c;
    }
    out += u'"';
  }
  return out;
}

// The reverse: entries are separated by commas or by blanks outside
// quotes; a comma at the very end adds an empty entry.
void TStrings::SetCommaText(std::u16string_view text) {
  Clear();
  size_t pos = 0, n = text.size();
  auto skipBlanks = [&] {
    while (pos < n && IsBlank(text[pos])) ++pos;
  };
  skipBlanks();
  while (pos < n) {
    std::u16string s;
    if (text[pos] == u'"') {
      s = ExtractQuoted(text, pos);
    } else {
      size_t start = pos;
      while (pos < n && !IsBlank(text[pos]) && text[pos] != u',') ++pos;
      s.assign(text.substr(start, pos - start));
    }
    Add(std::move(s));
    skipBlanks();
    if (pos < n && text[pos] == u',') {
      if (pos + 1 == n) Add(std::u16string());
      ++pos;
      skipBlanks();
    }
  }
}

std::u16string TStrings::Text() const {
  size_t total = 0;
  for (const auto& e : entries_) total += e.text.size() + 2;
  std::u16string out;
  out.reserve(total);
  for (const auto& e : entries_) {
    out += e.text;
    out += u"\r\n";
  }
  return out;
}

void TStrings::SetText(std::u16string_view text) {
  Clear();
  size_t pos = 0, n = text.size();
  while (pos < n) {
    size_t end = text.find_first_of(u"\r\n", pos);
    if (end == std::u16string_view::npos) end = n;
    Add(std::u16string(text.substr(pos, end - pos)));
    pos = end;
    if (pos < n && text[pos] == u'\r') ++pos;
    if (pos < n && text[pos] == u'\n') ++pos;
  }
}

void TStrings::LoadFromStream(Stream& stream) {
  std::string bytes = ReadRestOfStream(stream);
  TextEncoding enc;
  std::u16string text = DecodeTextBytes(bytes, &enc);
  SetText(text);
  encoding_ = enc;
}

void TStrings::SaveToStream(Stream& stream) const {
  std::string bytes = EncodeTextBytes(Text(), encoding_);
  stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
}

void TStrings::LoadFromFile(std::u16string_view fileName) {
  FileStream file(fileName, FileMode::OpenRead, ShareMode::DenyWrite);
  LoadFromStream(file);
}

void TStrings::SaveToFile(std::u16string_view fileName) const {
  std::string bytes = EncodeTextBytes(Text(), encoding_);
  FileStream file(fileName, FileMode::Create);
  file.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
}

void TStrings::Assign(const HostObject* source) {
  auto* other = dynamic_cast<const TStrings*>(source);
  if (!other) return TPersistent::Assign(source);
  if (other == this) return;
  Clear();
  AddStrings(*other);
}

// ---- TStringList ----

const HostClass& TStringList::StaticClass() {
  static const HostClass cls = MakeHostClass<TStringList>(u"TStringList", &TStrings::StaticClass());
  return cls;
}

int TStringList::CompareStrings(std::u16string_view a, std::u16string_view b) const {
  if (caseSensitive_) return a.compare(b) < 0 ? -1 : (a == b ? 0 : 1);
  return CompareText(a, b);
}

void TStringList::CheckUnsorted() const {
  if (sorted_) throw StringListError(run_msg::kSortedList);
}

void TStringList::Sort() {
  std::stable_sort(entries_.begin(), entries_.end(),
                   [this](const Entry& a, const Entry& b) { return CompareStrings(a.text, b.text) < 0; });
}

void TStringList::SetSorted(bool sorted) {
  if (sorted && !sorted_) Sort();
  sorted_ = sorted;
}

void TStringList::SetCaseSensitive(bool caseSensitive) {
  if (caseSensitive == caseSensitive_) return;
  caseSensitive_ = caseSensitive;
  if (sorted_) Sort();
}

bool TStringList::Find(std::u16string_view s, int& index) const {
  if (!sorted_) {
    for (size_t i = 0; i < entries_.size(); ++i) {
      if (CompareStrings(entries_[i].text, s) == 0) {
        index = static_cast<int>(i);
        return true;
      }
    }
    index = Count();
    return false;
  }
  auto it = std::lower_bound(
      entries_.begin(), entries_.end(), s,
      [this](const Entry& e, std::u16string_view v) { return CompareStrings(e.text, v) < 0; });
  index = static_cast<int>(it - entries_.begin());
  return it != entries_.end() && CompareStrings(it->text, s) == 0;
}

int TStringList::AddObject(std::u16string s, int32_t object) {
  if (!sorted_) return TStrings::AddObject(std::move(s), object);
  int index;
  if (Find(s, index)) {
    if (duplicates_ == static_cast<int32_t>(TDuplicates::dupIgnore)) return index;
    if (duplicates_ == static_cast<int32_t>(TDuplicates::dupError))
      throw StringListError(run_msg::kDuplicateString);
  }
  TStrings::InsertObject(index, std::move(s), object);
  return index;
}

void TStringList::Put(int index, std::u16string s) {
  CheckUnsorted();
  TStrings::Put(index, std::move(s));
}

void TStringList::InsertObject(int index, std::u16string s, int32_t object) {
  CheckUnsorted();
  TStrings::InsertObject(index, std::move(s), object);
}

void TStringList::Move(int curIndex, int newIndex) {
  if (curIndex != newIndex) CheckUnsorted();
  TStrings::Move(curIndex, newIndex);
}

void TStringList::Exchange(int index1, int index2) {
  if (index1 != index2) CheckUnsorted();
  TStrings::Exchange(index1, index2);
}

int TStringList::IndexOf(std::u16string_view s) const {
  if (!sorted_) return TStrings::IndexOf(s);
  // The exact text lies among the entries that compare equal to it.
  int index;
  if (!Find(s, index)) return -1;
  for (size_t i = static_cast<size_t>(index); i < entries_.size() && CompareStrings(entries_[i].text, s) == 0;
       ++i)
    if (entries_[i].text == s) return static_cast<int>(i);
  return -1;
}

void TStringList::Assign(const HostObject* source) {
  auto* other = dynamic_cast<const TStringList*>(source);
  if (!other) return TStrings::Assign(source);
  if (other == this) return;
  // The source's settings come along; its entries already obey them.
  sorted_ = other->sorted_;
  caseSensitive_ = other->caseSensitive_;
  duplicates_ = other->duplicates_;
  entries_ = other->entries_;
}

}  // namespace qv
