// Hexadecimal digits shared by the encoders.
#pragma once

namespace qv::library {

// The value of one hexadecimal digit of either case, or -1.
constexpr int HexValue(char32_t c) {
  if (c >= '0' && c <= '9') return static_cast<int>(c - '0');
  if (c >= 'a' && c <= 'f') return static_cast<int>(c - 'a' + 10);
  if (c >= 'A' && c <= 'F') return static_cast<int>(c - 'A' + 10);
  return -1;
}

inline constexpr char kUpperHex[] = "0123456789ABCDEF";
inline constexpr char kLowerHex[] = "0123456789abcdef";

}  // namespace qv::library
