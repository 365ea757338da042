// Memory for single large arrays (a name table of a million entries and its
// index): mapped on its own, zeroed, and backed by huge pages where the
// system allows, so that filling it costs a page fault per 2 MB instead of
// one per 4 KB. Small requests go to the ordinary heap.
//
//   std::vector<Entry, LargeBlockAllocator<Entry>> entries;
//   void* p = AllocateLarge(bytes);  // zeroed; FreeLarge(p, bytes)
#pragma once

#include <cstddef>
#include <new>

namespace qv {

// Requests from this size up are mapped on their own.
inline constexpr size_t kLargeBlockBytes = size_t{1} << 21;

// Zeroed memory of `bytes`; throws std::bad_alloc.
void* AllocateLarge(size_t bytes);
// Frees what AllocateLarge returned for the same `bytes`.
void FreeLarge(void* p, size_t bytes) noexcept;

template <class T>
struct LargeBlockAllocator {
  using value_type = T;
  LargeBlockAllocator() = default;
  template <class U>
  LargeBlockAllocator(const LargeBlockAllocator<U>&) noexcept {}

  T* allocate(size_t n) {
    if (n > static_cast<size_t>(-1) / sizeof(T)) throw std::bad_array_new_length();
    return static_cast<T*>(AllocateLarge(n * sizeof(T)));
  }
  void deallocate(T* p, size_t n) noexcept { FreeLarge(p, n * sizeof(T)); }
  template <class U>
  bool operator==(const LargeBlockAllocator<U>&) const noexcept {
    return true;
  }
};

}  // namespace qv
