// Internal to THash: an open-addressing index from a key to the place of its
// record (bucket, position). The 128 buckets keep the order scripts see; this
// index keeps lookups O(1) however long the buckets grow.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

struct THashRecord;

class HashKeyIndex {
 public:
  static constexpr size_t kNone = static_cast<size_t>(-1);
  struct Place {
    uint32_t bucket;
    uint32_t pos;
  };
  using Buckets = std::vector<THashRecord>[128];

  static uint32_t StrongHash(std::u16string_view key);

  // Slot holding `key`, or kNone.
  size_t Find(const Buckets& buckets, std::u16string_view key, uint32_t strong) const;
  Place At(size_t slot) const { return Unpack(slots_[slot].ref); }
  void Insert(uint32_t strong, Place place);
  void Erase(size_t slot);
  void Move(size_t slot, Place place) { slots_[slot].ref = Pack(place); }
  void Clear();

 private:
  struct Slot {
    uint32_t strong;
    uint32_t ref;  // kEmpty or pos << 7 | bucket
  };
  static constexpr uint32_t kEmpty = 0xFFFFFFFFu;
  static uint32_t Pack(Place p);
  static Place Unpack(uint32_t ref) { return {ref & 127u, ref >> 7}; }
  void Grow();

  std::vector<Slot> slots_;
  size_t count_ = 0;
};

}  // namespace qv
