// A source position as the intermediate code writes it ("line:col"), kept
// in eight bytes: a very large script holds millions of them, and a text of
// more than seven units would cost a heap block each. Any other text (stored
// intermediate code may hold anything) is kept as it is, on the heap, so
// reading the position back always gives the text that was set.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qv {

class PackedPos {
 public:
  PackedPos() = default;
  explicit PackedPos(std::u16string_view text) : bits_(Pack(text)) {}
  PackedPos(const PackedPos& other) : bits_(Copy(other.bits_)) {}
  PackedPos(PackedPos&& other) noexcept : bits_(other.bits_) { other.bits_ = 0; }
  PackedPos& operator=(const PackedPos& other) {
    if (this != &other) Reset(Copy(other.bits_));
    return *this;
  }
  PackedPos& operator=(PackedPos&& other) noexcept {
    if (this != &other) {
      Reset(other.bits_);
      other.bits_ = 0;
    }
    return *this;
  }
  ~PackedPos() { Reset(0); }

  bool empty() const noexcept { return bits_ == 0; }
  std::u16string Text() const;
  // The line of a "line:col" position without making its text; false for
  // an empty or any other text.
  bool Line(int32_t& line) const noexcept {
    if ((bits_ & 1) == 0) return false;
    line = static_cast<int32_t>(bits_ >> 33);
    return true;
  }

 private:
  // 0: empty; odd: line in the top 31 bits, column in the next 32; even:
  // an owned std::u16string.
  static uint64_t Pack(std::u16string_view text);
  static uint64_t Copy(uint64_t bits);
  void Reset(uint64_t bits) noexcept;

  uint64_t bits_ = 0;
};

}  // namespace qv
