// The name table's index: upper-case name -> the item of the newest entry of
// that name (nullptr when that entry is not an engine item).
//
// Open addressing with linear probing over one flat array, so a lookup
// touches one or two cache lines instead of a chain of nodes. Keys are not
// copied: a slot points at the upper-case name its table entry keeps (the
// item's own, or the entry's), which stays where it is while the entry is in
// the table. Whoever changes the table keeps the slots pointing at live
// names (Assign with the next entry's name, or Erase).
//
//   UpperKey key(u"Total");                 // "TOTAL" and its hash
//   index.Assign(&entryUpper, key.Hash(), item);
//   TfsCustomVariable* found = nullptr;
//   index.Find(key.View(), key.Hash(), found);
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

namespace qv {

class TfsCustomVariable;

class NameIndex {
 public:
  static uint64_t Hash(std::u16string_view upper) noexcept;

  NameIndex() = default;
  NameIndex(const NameIndex&) = delete;
  NameIndex& operator=(const NameIndex&) = delete;

  // Whether `upper` is present; its item goes to `item`.
  bool Find(std::u16string_view upper, uint64_t hash, TfsCustomVariable*& item) const noexcept {
    if (size_ == 0) return false;
    for (size_t i = hash & mask_;; i = (i + 1) & mask_) {
      const Slot& s = slots_[i];
      if (s.key == nullptr) return false;
      if (s.hash == hash && *s.key == upper) {
        item = s.item;
        return true;
      }
    }
  }
  // Enters *key (or points its slot at this key and item when the name is
  // there already). *key must outlive its slot.
  void Assign(const std::u16string* key, uint64_t hash, TfsCustomVariable* item);
  // Enters *key only when the name is absent.
  void AssignIfAbsent(const std::u16string* key, uint64_t hash, TfsCustomVariable* item);
  void Erase(std::u16string_view upper, uint64_t hash) noexcept;
  // Empties the index and gives its memory back.
  void Clear() noexcept;
  size_t Size() const noexcept { return size_; }

 private:
  struct Slot {
    uint64_t hash;
    const std::u16string* key;  // nullptr: free
    TfsCustomVariable* item;
  };
  struct FreeSlots {
    void operator()(Slot* p) const noexcept { std::free(p); }
  };

  // The slot of `upper`, or the free slot where it would go.
  size_t Probe(std::u16string_view upper, uint64_t hash) const noexcept;
  void Grow();

  std::unique_ptr<Slot[], FreeSlots> slots_;
  size_t mask_ = 0;  // capacity - 1; capacity is a power of two
  size_t size_ = 0;
};

// A name's upper-case form and its hash; short names (all a script's
// identifiers in practice) are kept on the stack.
class UpperKey {
 public:
  explicit UpperKey(std::u16string_view name);
  UpperKey(const UpperKey&) = delete;
  UpperKey& operator=(const UpperKey&) = delete;
  std::u16string_view View() const noexcept { return view_; }
  uint64_t Hash() const noexcept { return hash_; }

 private:
  static constexpr size_t kInline = 64;
  char16_t inline_[kInline];
  std::u16string heap_;
  std::u16string_view view_;
  uint64_t hash_;
};

}  // namespace qv
