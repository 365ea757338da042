#include "web/body_buffer.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace qv::web {

BodyBuffer::~BodyBuffer() { std::free(data_); }

BodyBuffer::BodyBuffer(BodyBuffer&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      capacity_(std::exchange(other.capacity_, 0)) {}

BodyBuffer& BodyBuffer::operator=(BodyBuffer&& other) noexcept {
  if (this != &other) {
    std::free(data_);
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
    capacity_ = std::exchange(other.capacity_, 0);
  }
  return *this;
}

bool BodyBuffer::Reserve(size_t n) {
  if (n <= capacity_) return true;
  void* grown = std::realloc(data_, n);
  if (grown == nullptr) return false;
  data_ = static_cast<char*>(grown);
  capacity_ = n;
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
  std::free(data_);
  data_ = nullptr;
  size_ = capacity_ = 0;
}

}  // namespace qv::web
