// TStrings and TStringList: lists of text entries, each with an attached
// object reference (an integer identity, 0 for none).
//
//   TStringList list;
//   list.SetSorted(true);
//   list.Add(u"b"); list.Add(u"a");         // a, b
//   int at; list.Find(u"ab", at);           // false, at == 1
//   list.SetCommaText(u"x,\"y z\"");        // x | y z
//   list.SetValue(u"key", u"1");            // adds "key=1"
//
// Entries compare without regard to case unless CaseSensitive is set
// (sorting, Find, duplicates, IndexOfName); IndexOf looks for the exact text.
// Text joins the entries with CR LF after each; setting it splits at CR LF,
// LF or CR.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/classes/object.h"
#include "engine/classes/text_file.h"

namespace qv {

class Stream;

enum class TDuplicates : int32_t { dupIgnore = 0, dupAccept = 1, dupError = 2 };

class TStrings : public TPersistent {
 public:
  static const HostClass& StaticClass();
  const HostClass& Class() const override { return StaticClass(); }

  int Count() const { return static_cast<int>(entries_.size()); }
  const std::u16string& Get(int index) const;
  virtual void Put(int index, std::u16string s);
  int32_t GetObject(int index) const;
  void PutObject(int index, int32_t object);

  int Add(std::u16string s) { return AddObject(std::move(s), 0); }
  virtual int AddObject(std::u16string s, int32_t object);
  void Insert(int index, std::u16string s) { InsertObject(index, std::move(s), 0); }
  virtual void InsertObject(int index, std::u16string s, int32_t object);
  void Delete(int index);
  void Clear() { entries_.clear(); }
  virtual void Move(int curIndex, int newIndex);
  virtual void Exchange(int index1, int index2);
  void AddStrings(const TStrings& other);

  virtual int IndexOf(std::u16string_view s) const;
  int IndexOfName(std::u16string_view name) const;
  int IndexOfObject(int32_t object) const;

  // Entries of the form name=value. An entry without "=" has an empty name.
  std::u16string Name(int index) const;
  std::u16string Value(std::u16string_view name) const;
  // Replaces the value of `name`, adds the entry when absent; the empty
  // value removes the entry.
  void SetValue(std::u16string_view name, std::u16string_view value);

  std::u16string CommaText() const;
  void SetCommaText(std::u16string_view text);
  std::u16string Text() const;
  void SetText(std::u16string_view text);

  void LoadFromFile(std::u16string_view fileName);
  void SaveToFile(std::u16string_view fileName) const;
  void LoadFromStream(Stream& stream);
  void SaveToStream(Stream& stream) const;
  // The encoding of the last load, used again by the saves.
  TextEncoding Encoding() const { return encoding_; }

  void Assign(const HostObject* source) override;

 protected:
  struct Entry {
    std::u16string text;
    int32_t object = 0;
  };

  virtual int CompareStrings(std::u16string_view a, std::u16string_view b) const;
  // True when entries must stay in order, so that no entry is put in place.
  virtual bool KeepsOrder() const { return false; }
  void CheckIndex(int index) const;
  void CheckRoom() const;

  std::vector<Entry> entries_;
  TextEncoding encoding_ = TextEncoding::Ansi;
};

class TStringList : public TStrings {
 public:
  static const HostClass& StaticClass();
  const HostClass& Class() const override { return StaticClass(); }

  bool Sorted() const { return sorted_; }
  // Setting true sorts the list and keeps it sorted from then on.
  void SetSorted(bool sorted);
  // What adding an entry equal to an existing one does in a sorted list.
  // Any value is stored; 0 ignores, 2 raises, anything else adds.
  int32_t Duplicates() const { return duplicates_; }
  void SetDuplicates(int32_t duplicates) { duplicates_ = duplicates; }
  bool CaseSensitive() const { return caseSensitive_; }
  void SetCaseSensitive(bool caseSensitive);

  // In a sorted list: true when `s` is present, `index` the first match or
  // where `s` would be inserted. In an unsorted list a linear search; when
  // absent `index` is Count, where Add would put it.
  bool Find(std::u16string_view s, int& index) const;
  void Sort();

  void Put(int index, std::u16string s) override;
  int AddObject(std::u16string s, int32_t object) override;
  void InsertObject(int index, std::u16string s, int32_t object) override;
  void Move(int curIndex, int newIndex) override;
  void Exchange(int index1, int index2) override;
  int IndexOf(std::u16string_view s) const override;
  void Assign(const HostObject* source) override;

 protected:
  int CompareStrings(std::u16string_view a, std::u16string_view b) const override;
  bool KeepsOrder() const override { return sorted_; }

 private:
  void CheckUnsorted() const;

  bool sorted_ = false;
  bool caseSensitive_ = false;
  int32_t duplicates_ = static_cast<int32_t>(TDuplicates::dupIgnore);
};

}  // namespace qv
