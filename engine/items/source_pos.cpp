#include "engine/items/source_pos.h"

#include <limits>

namespace qv {

namespace {

// A decimal number without leading zeros (a lone "0" aside), at most `max`.
bool ParseNumber(std::u16string_view digits, uint64_t max, uint64_t& out) {
  if (digits.empty() || digits.size() > 10 || (digits[0] == u'0' && digits.size() > 1)) return false;
  uint64_t n = 0;
  for (char16_t c : digits) {
    if (c < u'0' || c > u'9') return false;
    n = n * 10 + static_cast<uint64_t>(c - u'0');
  }
  if (n > max) return false;
  out = n;
  return true;
}

void AppendNumber(std::u16string& s, uint64_t n) {
  char16_t buf[20];
  size_t i = sizeof buf / sizeof buf[0];
  do {
    buf[--i] = static_cast<char16_t>(u'0' + n % 10);
    n /= 10;
  } while (n != 0);
  s.append(buf + i, buf + sizeof buf / sizeof buf[0]);
}

std::u16string* AsText(uint64_t bits) {
  return reinterpret_cast<std::u16string*>(static_cast<uintptr_t>(bits));
}

}  // namespace

uint64_t PackedPos::Pack(std::u16string_view text) {
  if (text.empty()) return 0;
  const size_t colon = text.find(u':');
  uint64_t line = 0;
  uint64_t col = 0;
  if (colon != std::u16string_view::npos && ParseNumber(text.substr(0, colon), (1u << 31) - 1, line) &&
      ParseNumber(text.substr(colon + 1), std::numeric_limits<uint32_t>::max(), col))
    return (line << 33) | (col << 1) | 1;
  auto* owned = new std::u16string(text);
  static_assert(alignof(std::u16string) >= 2);
  return static_cast<uint64_t>(reinterpret_cast<uintptr_t>(owned));
}

uint64_t PackedPos::Copy(uint64_t bits) {
  if (bits == 0 || (bits & 1) != 0) return bits;
  return static_cast<uint64_t>(reinterpret_cast<uintptr_t>(new std::u16string(*AsText(bits))));
}

void PackedPos::Reset(uint64_t bits) noexcept {
  if (bits_ != 0 && (bits_ & 1) == 0) delete AsText(bits_);
  bits_ = bits;
}

std::u16string PackedPos::Text() const {
  if (bits_ == 0) return {};
  if ((bits_ & 1) == 0) return *AsText(bits_);
  std::u16string s;
  AppendNumber(s, bits_ >> 33);
  s += u':';
  AppendNumber(s, (bits_ >> 1) & 0xFFFFFFFFu);
  return s;
}

}  // namespace qv
