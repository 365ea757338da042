// The name table's index: name -> the item of the newest entry of that name
// (nullptr when that entry is not an engine item). Names ignore case: two
// names are equal when their UpperCase forms are.
//
// Open addressing with linear probing over one flat array, so a lookup
// touches one or two cache lines instead of a chain of nodes. Keys are not
// copied: a slot points at the name its table entry keeps (the item's own,
// or the entry's), which stays where it is while the entry is in the
// table, and holds the hash of the name's upper-case form. Whoever changes
// the table keeps the slots pointing at live names (Assign with the next
// entry's name, or Erase).
//
//   UpperKey key(u"Total");                 // "TOTAL" and its hash
//   index.Assign(&entryName, key, item);
//   TfsCustomVariable* found = nullptr;
//   index.Find(key, found);
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace qv {

class TfsCustomVariable;

// A name's upper-case form; short names (all a script's identifiers in
// practice) are kept on the stack.
class UpperText {
 public:
  explicit UpperText(std::u16string_view name);
  UpperText(const UpperText&) = delete;
  UpperText& operator=(const UpperText&) = delete;
  std::u16string_view View() const noexcept { return view_; }

 private:
  static constexpr size_t kInline = 64;
  char16_t inline_[kInline];
  std::u16string heap_;
  std::u16string_view view_;
};

// The upper-case form and its hash, as the index keys names.
class UpperKey : public UpperText {
 public:
  explicit UpperKey(std::u16string_view name);
  // With a chosen hash: tests make names collide with it.
  UpperKey(std::u16string_view name, uint64_t hash) : UpperText(name), hash_(hash) {}
  uint64_t Hash() const noexcept { return hash_; }

 private:
  uint64_t hash_;
};

// Whether UpperCase(name) == upper, without allocating for ASCII names.
bool UpperEquals(std::u16string_view name, std::u16string_view upper);
// UpperCase(a) compared with UpperCase(b) (<0, 0, >0), the table's order.
int CompareUpper(std::u16string_view a, std::u16string_view b);

class NameIndex {
 public:
  static uint64_t Hash(std::u16string_view upper) noexcept;

  NameIndex() = default;
  ~NameIndex() { Clear(); }
  NameIndex(const NameIndex&) = delete;
  NameIndex& operator=(const NameIndex&) = delete;

  // Whether the name is present; its item goes to `item`.
  bool Find(const UpperKey& key, TfsCustomVariable*& item) const {
    if (size_ == 0) return false;
    const Slot& s = slots_[Probe(key)];
    if (s.name == nullptr) return false;
    item = s.item;
    return true;
  }
  // Enters *name, whose key is `key` (or points the slot of an equal name
  // at this name and item). *name must outlive its slot.
  void Assign(const std::u16string* name, const UpperKey& key, TfsCustomVariable* item);
  // Enters *name only when no equal name is present.
  void AssignIfAbsent(const std::u16string* name, const UpperKey& key, TfsCustomVariable* item);
  void Erase(const UpperKey& key);
  // Empties the index and gives its memory back.
  void Clear() noexcept;
  size_t Size() const noexcept { return size_; }

 private:
  struct Slot {
    uint64_t hash;               // of the name's upper-case form
    const std::u16string* name;  // nullptr: free
    TfsCustomVariable* item;
  };

  // The slot of the key's name, or the free slot where it would go.
  size_t Probe(const UpperKey& key) const;
  void Grow();

  Slot* slots_ = nullptr;  // mask_ + 1 of them, from calloc
  size_t mask_ = 0;        // capacity - 1; capacity is a power of two
  size_t size_ = 0;
};

}  // namespace qv
