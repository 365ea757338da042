// The bytes of a response body as they arrive, in one block: a small body
// from the heap (grown with realloc), a large one in a mapping of its own
// that grows by remapping, so a body of unknown length never holds an old
// and a new copy at once, as a doubling std::string does, and leaves no
// freed copy in the heap. Failing to get memory is an answer (false), not
// an exception: the transfer then ends with a reason.
//
//   BodyBuffer body;
//   body.Reserve(announcedLength);   // address space only; pages are taken as written
//   if (!body.Append(data, n)) ...   // out of memory
//   std::string_view bytes = body.View();
#pragma once

#include <cstddef>
#include <string_view>

namespace qv::web {

class BodyBuffer {
 public:
  BodyBuffer() = default;
  ~BodyBuffer();
  BodyBuffer(BodyBuffer&& other) noexcept;
  BodyBuffer& operator=(BodyBuffer&& other) noexcept;
  BodyBuffer(const BodyBuffer&) = delete;
  BodyBuffer& operator=(const BodyBuffer&) = delete;

  std::string_view View() const { return {data_, size_}; }
  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }

  // Room for `n` bytes in all. False when the memory is not there.
  bool Reserve(size_t n);
  // Appends, growing the block by doubling. False when the memory is not
  // there (the bytes so far stay).
  bool Append(const char* data, size_t n);
  // Frees the block.
  void Clear();

 private:
  char* data_ = nullptr;
  size_t size_ = 0;
  size_t capacity_ = 0;
  bool mapped_ = false;
};

}  // namespace qv::web
