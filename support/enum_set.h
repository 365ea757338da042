// A set of the values of a small enumeration, stored as bits.
//
//   EnumSet<Color> warm{Color::Red, Color::Yellow};
//   if (warm.Contains(Color::Red)) ...
#pragma once

#include <cstdint>
#include <initializer_list>

namespace qv {

template <class E>
class EnumSet {
 public:
  constexpr EnumSet() = default;
  constexpr EnumSet(std::initializer_list<E> values) {
    for (E v : values) Include(v);
  }
  constexpr bool Contains(E v) const { return (bits_ & Bit(v)) != 0; }
  constexpr EnumSet& Include(E v) {
    bits_ |= Bit(v);
    return *this;
  }
  constexpr EnumSet& Exclude(E v) {
    bits_ &= ~Bit(v);
    return *this;
  }
  constexpr bool Empty() const { return bits_ == 0; }
  constexpr uint32_t Bits() const { return bits_; }
  friend constexpr bool operator==(EnumSet a, EnumSet b) { return a.bits_ == b.bits_; }

 private:
  static constexpr uint32_t Bit(E v) { return uint32_t{1} << static_cast<unsigned>(v); }
  uint32_t bits_ = 0;
};

}  // namespace qv
