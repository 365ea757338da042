// The children of an XML item: owning pointers in one heap block that also
// holds the size and the capacity, so that an item pays one pointer and one
// exactly sized block for its list (documents have many short lists).
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
  XmlChildList(XmlChildList&& other) noexcept : rep_(other.rep_) { other.rep_ = nullptr; }
  XmlChildList& operator=(XmlChildList&& other) noexcept {
    std::swap(rep_, other.rep_);
    return *this;
  }
  XmlChildList(const XmlChildList&) = delete;
  XmlChildList& operator=(const XmlChildList&) = delete;
  ~XmlChildList() { Free(); }

  size_t size() const { return rep_ ? rep_->size : 0; }
  bool empty() const { return size() == 0; }
  Slot* data() const { return rep_ ? rep_->Slots() : nullptr; }
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
    if (size() == Capacity()) Grow(Capacity() < 4 ? Capacity() + 1 : Capacity() * 2);
    new (rep_->Slots() + rep_->size) Slot(std::move(item));
    ++rep_->size;
  }
  Slot pop_back() {
    Slot last = std::move(back());
    back().~Slot();
    --rep_->size;
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

  size_t Capacity() const { return rep_ ? rep_->capacity : 0; }

  void Grow(size_t capacity) {
    if (capacity > UINT32_MAX) throw std::length_error("too many children");
    void* mem = ::operator new(sizeof(Rep) + capacity * sizeof(Slot));
    Rep* bigger = new (mem) Rep{0, static_cast<uint32_t>(capacity)};
    for (size_t i = 0; i < size(); ++i) {
      new (bigger->Slots() + i) Slot(std::move(rep_->Slots()[i]));
      rep_->Slots()[i].~Slot();
    }
    bigger->size = static_cast<uint32_t>(size());
    if (rep_) ::operator delete(rep_);
    rep_ = bigger;
  }

  void Free() {
    if (!rep_) return;
    Rep* rep = rep_;
    rep_ = nullptr;
    for (size_t i = rep->size; i-- > 0;) rep->Slots()[i].~Slot();
    ::operator delete(rep);
  }

  Rep* rep_ = nullptr;
};

}  // namespace qv
