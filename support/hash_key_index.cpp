#include "support/hash_key_index.h"

#include <functional>

#include "support/hashes.h"

namespace qv {

uint32_t HashKeyIndex::StrongHash(std::u16string_view key) {
  uint64_t h = std::hash<std::u16string_view>{}(key);
  return static_cast<uint32_t>(h ^ (h >> 32));
}

uint32_t HashKeyIndex::Pack(Place p) {
  // The top position would collide with kEmpty; THash never lets a bucket get that long.
  return (p.pos << 7) | p.bucket;
}

size_t HashKeyIndex::Find(const Buckets& buckets, std::u16string_view key, uint32_t strong) const {
  if (slots_.empty()) return kNone;
  const size_t mask = slots_.size() - 1;
  for (size_t i = strong & mask;; i = (i + 1) & mask) {
    const Slot& s = slots_[i];
    if (s.ref == kEmpty) return kNone;
    if (s.strong == strong) {
      Place p = Unpack(s.ref);
      if (buckets[p.bucket][p.pos].Key == key) return i;
    }
  }
}

void HashKeyIndex::Insert(uint32_t strong, Place place) {
  if ((count_ + 1) * 10 > slots_.size() * 7) Grow();
  const size_t mask = slots_.size() - 1;
  size_t i = strong & mask;
  while (slots_[i].ref != kEmpty) i = (i + 1) & mask;
  slots_[i] = {strong, Pack(place)};
  ++count_;
}

// Backward-shift deletion: no tombstones, so probes stay short after many deletes.
void HashKeyIndex::Erase(size_t slot) {
  const size_t mask = slots_.size() - 1;
  size_t hole = slot;
  for (size_t i = (slot + 1) & mask; slots_[i].ref != kEmpty; i = (i + 1) & mask) {
    size_t home = slots_[i].strong & mask;
    // Move the entry into the hole unless its home lies cyclically in (hole, i].
    bool homeBetween = hole <= i ? (home > hole && home <= i) : (home > hole || home <= i);
    if (!homeBetween) {
      slots_[hole] = slots_[i];
      hole = i;
    }
  }
  slots_[hole].ref = kEmpty;
  --count_;
}

void HashKeyIndex::Clear() {
  slots_.clear();
  count_ = 0;
}

void HashKeyIndex::Grow() {
  std::vector<Slot> old = std::move(slots_);
  slots_.assign(old.empty() ? 16 : old.size() * 2, Slot{0, kEmpty});
  const size_t mask = slots_.size() - 1;
  for (const Slot& s : old) {
    if (s.ref == kEmpty) continue;
    size_t i = s.strong & mask;
    while (slots_[i].ref != kEmpty) i = (i + 1) & mask;
    slots_[i] = s;
  }
}

}  // namespace qv
