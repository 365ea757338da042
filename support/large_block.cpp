#include "support/large_block.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>

namespace qv {

namespace {

constexpr size_t kHugePage = size_t{1} << 21;

size_t MappedSize(size_t bytes) { return (bytes + kHugePage - 1) & ~(kHugePage - 1); }

}  // namespace

void* AllocateLarge(size_t bytes) {
  if (bytes < kLargeBlockBytes) {
    void* p = std::calloc(1, bytes == 0 ? 1 : bytes);
    if (p == nullptr) throw std::bad_alloc();
    return p;
  }
  const size_t size = MappedSize(bytes);
  if (size < bytes) throw std::bad_alloc();
  // One huge page more than needed, so the block can start on a huge-page
  // boundary; the rest is given back at once.
  void* raw = mmap(nullptr, size + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) throw std::bad_alloc();
  const auto start = reinterpret_cast<uintptr_t>(raw);
  const uintptr_t aligned = (start + kHugePage - 1) & ~(kHugePage - 1);
  if (aligned > start) munmap(raw, aligned - start);
  const uintptr_t end = start + size + kHugePage;
  if (end > aligned + size) munmap(reinterpret_cast<void*>(aligned + size), end - (aligned + size));
  // Only advice: where huge pages are off, this is ordinary memory.
  madvise(reinterpret_cast<void*>(aligned), size, MADV_HUGEPAGE);
  return reinterpret_cast<void*>(aligned);
}

void FreeLarge(void* p, size_t bytes) noexcept {
  if (p == nullptr) return;
  if (bytes < kLargeBlockBytes) {
    std::free(p);
    return;
  }
  munmap(p, MappedSize(bytes));
}

}  // namespace qv
