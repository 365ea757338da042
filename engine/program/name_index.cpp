// The name table's open-addressing index and its name comparisons.
#include "engine/program/name_index.h"

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <new>

#include "support/text.h"

namespace qv {

UpperText::UpperText(std::u16string_view name) {
  if (name.size() <= kInline) {
    std::copy(name.begin(), name.end(), inline_);
    UpperCaseInPlace(inline_, name.size());
    view_ = std::u16string_view(inline_, name.size());
  } else {
    heap_ = UpperCase(name);
    view_ = heap_;
  }
}

UpperKey::UpperKey(std::u16string_view name) : UpperText(name), hash_(NameIndex::Hash(View())) {}

bool UpperEquals(std::u16string_view name, std::u16string_view upper) {
  if (name.size() != upper.size()) return false;
  for (size_t i = 0; i < name.size(); ++i) {
    // Beyond ASCII a code point may span two units: the whole text decides.
    if (name[i] >= 0x80) return UpperText(name).View() == upper;
    if (UpCaseCodePoint(name[i]) != upper[i]) return false;
  }
  return true;
}

int CompareUpper(std::u16string_view a, std::u16string_view b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    // ASCII maps to ASCII one unit at a time; anything else (which may
    // even map into ASCII) compares the whole upper-case texts.
    if (a[i] >= 0x80 || b[i] >= 0x80) return UpperText(a).View().compare(UpperText(b).View());
    const char32_t x = UpCaseCodePoint(a[i]);
    const char32_t y = UpCaseCodePoint(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

uint64_t NameIndex::Hash(std::u16string_view upper) noexcept {
  return std::hash<std::u16string_view>{}(upper);
}

size_t NameIndex::Probe(const UpperKey& key) const {
  const uint64_t hash = key.Hash();
  for (size_t i = hash & mask_;; i = (i + 1) & mask_) {
    const Slot& s = slots_[i];
    if (s.name == nullptr || (s.hash == hash && UpperEquals(*s.name, key.View()))) return i;
  }
}

void NameIndex::Grow() {
  // At most half full: a miss (every new declaration's check) ends after
  // a probe or two.
  const size_t capacity = slots_ ? (mask_ + 1) * 2 : 16;
  // Zeroed memory is free slots.
  auto* fresh = static_cast<Slot*>(std::calloc(capacity, sizeof(Slot)));
  if (fresh == nullptr) throw std::bad_alloc();
  const size_t mask = capacity - 1;
  if (slots_)
    for (size_t i = 0; i <= mask_; ++i) {
      const Slot& s = slots_[i];
      if (s.name == nullptr) continue;
      size_t at = s.hash & mask;
      while (fresh[at].name != nullptr) at = (at + 1) & mask;
      fresh[at] = s;
    }
  if (slots_) std::free(slots_);
  slots_ = fresh;
  mask_ = mask;
}

void NameIndex::Assign(const std::u16string* name, const UpperKey& key, TfsCustomVariable* item) {
  if (!slots_ || (size_ + 1) * 2 > mask_ + 1) Grow();
  Slot& s = slots_[Probe(key)];
  if (s.name == nullptr) ++size_;
  s = Slot{key.Hash(), name, item};
}

void NameIndex::AssignIfAbsent(const std::u16string* name, const UpperKey& key, TfsCustomVariable* item) {
  if (!slots_ || (size_ + 1) * 2 > mask_ + 1) Grow();
  Slot& s = slots_[Probe(key)];
  if (s.name != nullptr) return;
  ++size_;
  s = Slot{key.Hash(), name, item};
}

void NameIndex::Erase(const UpperKey& key) {
  if (size_ == 0) return;
  size_t hole = Probe(key);
  if (slots_[hole].name == nullptr) return;
  // Backward shift: later slots of the run move up into the hole unless
  // their home lies cyclically after the hole, so no probe ever stops
  // early at a gap.
  for (size_t j = (hole + 1) & mask_; slots_[j].name != nullptr; j = (j + 1) & mask_) {
    const size_t home = slots_[j].hash & mask_;
    const bool stays = hole <= j ? (hole < home && home <= j) : (hole < home || home <= j);
    if (stays) continue;
    slots_[hole] = slots_[j];
    hole = j;
  }
  slots_[hole] = Slot{0, nullptr, nullptr};
  --size_;
}

void NameIndex::Clear() noexcept {
  if (slots_) std::free(slots_);
  slots_ = nullptr;
  mask_ = 0;
  size_ = 0;
}

}  // namespace qv
