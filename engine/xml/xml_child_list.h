// The children of an XML item in one word: empty, the only child itself, or
// (tagged with the low bit) a heap block of owning pointers that also holds
// the size and the capacity. Documents have many short lists and most
// elements with children have just one, which then costs no block at all.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <span>
#include <stdexcept>
#include <utility>

namespace qv {

template <class T>
class XmlChildList {
 public:
  using Slot = std::unique_ptr<T>;

  XmlChildList() = default;
  XmlChildList(XmlChildList&& other) noexcept : head_(std::move(other.head_)) {}
  XmlChildList& operator=(XmlChildList&& other) noexcept {
    std::swap(head_, other.head_);
    return *this;
  }
  XmlChildList(const XmlChildList&) = delete;
  XmlChildList& operator=(const XmlChildList&) = delete;
  ~XmlChildList() { Free(); }

  size_t size() const { return IsBlock() ? Block()->size : (head_ ? 1 : 0); }
  bool empty() const { return size() == 0; }
  Slot* data() const { return IsBlock() ? Block()->Slots() : const_cast<Slot*>(&head_); }
  Slot* begin() const { return data(); }
  Slot* end() const { return data() + size(); }
  Slot& operator[](size_t i) const { return data()[i]; }
  Slot& back() const { return data()[size() - 1]; }
  std::span<const Slot> View() const { return {data(), size()}; }

  // Capacity for exactly `n` children when the list must grow.
  void reserve(size_t n) {
    if (n > Capacity()) Grow(n);
  }
  void push_back(Slot item) {
    if (!head_) {
      head_ = std::move(item);
      return;
    }
    if (size() == Capacity()) Grow(Capacity() < 4 ? Capacity() + 1 : Capacity() * 2);
    Rep* rep = Block();
    new (rep->Slots() + rep->size) Slot(std::move(item));
    ++rep->size;
  }
  // Removes the last item; the list frees its block when it becomes empty.
  Slot pop_back() {
    if (!IsBlock()) return std::move(head_);
    Rep* rep = Block();
    Slot last = std::move(rep->Slots()[rep->size - 1]);
    rep->Slots()[--rep->size].~Slot();
    if (rep->size == 0) Free();
    return last;
  }
  // `at` in 0..size().
  void insert(size_t at, Slot item) {
    push_back(std::move(item));
    Slot* s = data();
    for (size_t i = size() - 1; i > at; --i) std::swap(s[i], s[i - 1]);
  }
  // `at` in 0..size()-1; returns the removed item.
  Slot erase(size_t at) {
    Slot* s = data();
    for (size_t i = at; i + 1 < size(); ++i) std::swap(s[i], s[i + 1]);
    return pop_back();
  }
  // Destroys the items and releases the block.
  void clear() { Free(); }

 private:
  struct Rep {
    uint32_t size;
    uint32_t capacity;
    Slot* Slots() { return reinterpret_cast<Slot*>(this + 1); }
  };
  static_assert(sizeof(Rep) == 8 && alignof(Slot) <= 8);
  static constexpr uintptr_t kBlockTag = 1;  // items are aligned, so a child's low bit is 0

  bool IsBlock() const { return reinterpret_cast<uintptr_t>(head_.get()) & kBlockTag; }
  Rep* Block() const { return reinterpret_cast<Rep*>(reinterpret_cast<uintptr_t>(head_.get()) & ~kBlockTag); }
  // The tagged block pointer is never dereferenced as a T: every path out of
  // block form takes it back with release().
  void SetBlock(Rep* rep) { head_.reset(reinterpret_cast<T*>(reinterpret_cast<uintptr_t>(rep) | kBlockTag)); }
  size_t Capacity() const { return IsBlock() ? Block()->capacity : 1; }

  void Grow(size_t capacity) {
    if (capacity > UINT32_MAX) throw std::length_error("too many children");
    void* mem = ::operator new(sizeof(Rep) + capacity * sizeof(Slot));
    Rep* bigger = new (mem) Rep{0, static_cast<uint32_t>(capacity)};
    const size_t n = size();
    if (IsBlock()) {
      Rep* old = Block();
      for (size_t i = 0; i < n; ++i) {
        new (bigger->Slots() + i) Slot(std::move(old->Slots()[i]));
        old->Slots()[i].~Slot();
      }
      (void)head_.release();
      ::operator delete(old);
    } else if (head_) {
      new (bigger->Slots()) Slot(std::move(head_));
    }
    bigger->size = static_cast<uint32_t>(n);
    SetBlock(bigger);
  }

  void Free() {
    if (!IsBlock()) {
      head_.reset();
      return;
    }
    Rep* rep = Block();
    (void)head_.release();
    for (size_t i = rep->size; i-- > 0;) rep->Slots()[i].~Slot();
    ::operator delete(rep);
  }

  Slot head_;
};

}  // namespace qv
