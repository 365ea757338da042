// The name table's open-addressing index.
#include "engine/program/name_index.h"

#include <algorithm>
#include <functional>
#include <new>

#include "support/text.h"

namespace qv {

uint64_t NameIndex::Hash(std::u16string_view upper) noexcept { return std::hash<std::u16string_view>{}(upper); }

size_t NameIndex::Probe(std::u16string_view upper, uint64_t hash) const noexcept {
  for (size_t i = hash & mask_;; i = (i + 1) & mask_) {
    const Slot& s = slots_[i];
    if (s.key == nullptr || (s.hash == hash && *s.key == upper)) return i;
  }
}

void NameIndex::Grow() {
  // At most half full: a miss (every new declaration's check) ends after
  // a probe or two.
  const size_t capacity = slots_ ? (mask_ + 1) * 2 : 16;
  // Zeroed memory is free slots; calloc gets large blocks already zeroed.
  std::unique_ptr<Slot[], FreeSlots> fresh(static_cast<Slot*>(std::calloc(capacity, sizeof(Slot))));
  if (!fresh) throw std::bad_alloc();
  const size_t mask = capacity - 1;
  if (slots_)
    for (size_t i = 0; i <= mask_; ++i) {
      const Slot& s = slots_[i];
      if (s.key == nullptr) continue;
      size_t at = s.hash & mask;
      while (fresh[at].key != nullptr) at = (at + 1) & mask;
      fresh[at] = s;
    }
  slots_ = std::move(fresh);
  mask_ = mask;
}

void NameIndex::Assign(const std::u16string* key, uint64_t hash, TfsCustomVariable* item) {
  if (!slots_ || (size_ + 1) * 2 > mask_ + 1) Grow();
  Slot& s = slots_[Probe(*key, hash)];
  if (s.key == nullptr) ++size_;
  s = Slot{hash, key, item};
}

void NameIndex::AssignIfAbsent(const std::u16string* key, uint64_t hash, TfsCustomVariable* item) {
  if (!slots_ || (size_ + 1) * 2 > mask_ + 1) Grow();
  Slot& s = slots_[Probe(*key, hash)];
  if (s.key != nullptr) return;
  ++size_;
  s = Slot{hash, key, item};
}

void NameIndex::Erase(std::u16string_view upper, uint64_t hash) noexcept {
  if (size_ == 0) return;
  size_t hole = Probe(upper, hash);
  if (slots_[hole].key == nullptr) return;
  // Backward shift: later slots of the run move up into the hole unless
  // their home lies cyclically after the hole, so no probe ever stops
  // early at a gap.
  for (size_t j = (hole + 1) & mask_; slots_[j].key != nullptr; j = (j + 1) & mask_) {
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
  slots_.reset();
  mask_ = 0;
  size_ = 0;
}

UpperKey::UpperKey(std::u16string_view name) {
  if (name.size() <= kInline) {
    std::copy(name.begin(), name.end(), inline_);
    UpperCaseInPlace(inline_, name.size());
    view_ = std::u16string_view(inline_, name.size());
  } else {
    heap_ = UpperCase(name);
    view_ = heap_;
  }
  hash_ = NameIndex::Hash(view_);
}

}  // namespace qv
