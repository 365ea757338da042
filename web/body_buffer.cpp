#include "web/body_buffer.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace qv::web {

namespace {

// Bodies up to this size live on the heap, whose freed memory the next
// download reuses; larger ones get a mapping of their own.
constexpr size_t kMapFrom = size_t{8} << 20;
constexpr size_t kPage = size_t{4} << 10;

size_t PageRound(size_t n) { return (n + kPage - 1) & ~(kPage - 1); }

}  // namespace

BodyBuffer::~BodyBuffer() { Clear(); }

BodyBuffer::BodyBuffer(BodyBuffer&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      capacity_(std::exchange(other.capacity_, 0)),
      mapped_(std::exchange(other.mapped_, false)) {}

BodyBuffer& BodyBuffer::operator=(BodyBuffer&& other) noexcept {
  if (this != &other) {
    Clear();
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
    capacity_ = std::exchange(other.capacity_, 0);
    mapped_ = std::exchange(other.mapped_, false);
  }
  return *this;
}

// A large body gets a mapping, which grows by remapping: the pages move,
// nothing is copied, and no freed copy stays behind in the heap.
bool BodyBuffer::Reserve(size_t n) {
  if (n <= capacity_) return true;
  if (n < kMapFrom && !mapped_) {
    void* grown = std::realloc(data_, n);
    if (grown == nullptr) return false;
    data_ = static_cast<char*>(grown);
    capacity_ = n;
    return true;
  }
  n = PageRound(n);
  void* block = mapped_ ? ::mremap(data_, capacity_, n, MREMAP_MAYMOVE)
                        : ::mmap(nullptr, n, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (block == MAP_FAILED) return false;
  // On huge pages where the system gives them on request, as the heap's own
  // large blocks (support/memory_policy.h): a stop while a large page is
  // arriving ends the process without the kernel freeing it 4 KB at a time.
  ::madvise(block, n, MADV_HUGEPAGE);
  if (!mapped_) {
    if (size_ > 0) std::memcpy(block, data_, size_);
    std::free(data_);
  }
  data_ = static_cast<char*>(block);
  capacity_ = n;
  mapped_ = true;
  return true;
}

bool BodyBuffer::Append(const char* data, size_t n) {
  if (n > capacity_ - size_) {
    constexpr size_t kFirst = size_t{64} << 10;
    size_t need = size_ + n;
    if (need < size_) return false;  // wrapped
    if (!Reserve(std::max({need, capacity_ * 2, kFirst})) && !Reserve(need)) return false;
  }
  if (n > 0) std::memcpy(data_ + size_, data, n);
  size_ += n;
  return true;
}

void BodyBuffer::Clear() {
  if (mapped_)
    ::munmap(data_, capacity_);
  else
    std::free(data_);
  data_ = nullptr;
  size_ = capacity_ = 0;
  mapped_ = false;
}

}  // namespace qv::web
