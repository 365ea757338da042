#include "library/encode/base64.h"

#include <array>
#include <cstdint>

namespace qv::library {

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Six-bit value of each byte, or -1 outside the alphabet.
constexpr std::array<int8_t, 256> MakeValues() {
  std::array<int8_t, 256> v{};
  for (auto& x : v) x = -1;
  for (int i = 0; i < 64; ++i) v[static_cast<unsigned char>(kAlphabet[i])] = static_cast<int8_t>(i);
  return v;
}
constexpr std::array<int8_t, 256> kValues = MakeValues();

int ValueOf(char c) { return kValues[static_cast<unsigned char>(c)]; }

}  // namespace

std::string Base64Encode(std::string_view in) {
  std::string out((in.size() + 2) / 3 * 4, '=');
  const auto* p = reinterpret_cast<const unsigned char*>(in.data());
  size_t full = in.size() / 3, o = 0;
  for (size_t g = 0; g < full; ++g, p += 3) {
    uint32_t v = (uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | p[2];
    out[o++] = kAlphabet[v >> 18];
    out[o++] = kAlphabet[(v >> 12) & 63];
    out[o++] = kAlphabet[(v >> 6) & 63];
    out[o++] = kAlphabet[v & 63];
  }
  size_t rest = in.size() - full * 3;
  if (rest > 0) {
    uint32_t v = uint32_t{p[0]} << 16;
    if (rest == 2) v |= uint32_t{p[1]} << 8;
    out[o++] = kAlphabet[v >> 18];
    out[o++] = kAlphabet[(v >> 12) & 63];
    if (rest == 2) out[o] = kAlphabet[(v >> 6) & 63];
  }
  return out;
}

std::string Base64Decode(std::string_view in) {
  if (in.empty() || in.size() % 4 != 0) return {};
  size_t pad = in.back() != '=' ? 0 : in[in.size() - 2] == '=' ? 2 : 1;
  std::string out;
  out.resize(in.size() / 4 * 3);
  size_t o = 0;
  for (size_t i = 0; i < in.size(); i += 4) {
    bool last = i + 4 == in.size();
    int used = last ? 4 - static_cast<int>(pad) : 4;
    uint32_t v = 0;
    for (int k = 0; k < 4; ++k) {
      int d = k < used ? ValueOf(in[i + k]) : 0;
      if (d < 0) return {};
      v = (v << 6) | static_cast<uint32_t>(d);
    }
    out[o++] = static_cast<char>(v >> 16);
    if (used > 2) out[o++] = static_cast<char>(v >> 8);
    if (used > 3) out[o++] = static_cast<char>(v);
  }
  out.resize(o);
  return out;
}

std::string Base64DecodeUntilStop(std::string_view in) {
  in = in.substr(0, in.size() / 4 * 4);
  std::string out;
  out.reserve(in.size() / 4 * 3);
  unsigned bits = 0;
  int count = 0;
  for (char c : in) {
    int d = ValueOf(c);
    if (d < 0) break;
    bits = (bits << 6) | static_cast<unsigned>(d);
    count += 6;
    if (count >= 8) {
      count -= 8;
      out += static_cast<char>(bits >> count);
      bits &= (1u << count) - 1;
    }
  }
  return out;
}

void Base64BlockDecoder::DecodeBlock(std::string_view block, std::string& out) {
  for (char c : block) {
    if (c == '\r' || c == '\n') continue;
    int d = ValueOf(c);
    if (d < 0) return;
    bits_ = (bits_ << 6) | static_cast<unsigned>(d);
    count_ += 6;
    if (count_ >= 8) {
      count_ -= 8;
      out += static_cast<char>(bits_ >> count_);
      bits_ &= (1u << count_) - 1;
    }
  }
}

}  // namespace qv::library
