#include "library/encode/base64.h"

#include <array>
#include <cstdint>
#include <cstring>

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

// The two characters of every 12-bit value, so that three bytes take two
// look-ups.
struct Pairs {
  char chars[4096][2];
  constexpr Pairs() : chars() {
    for (int i = 0; i < 4096; ++i) {
      chars[i][0] = kAlphabet[i >> 6];
      chars[i][1] = kAlphabet[i & 63];
    }
  }
};
constexpr Pairs kPairs;

// The value of a character shifted to its place in a group of four; bad
// characters set the top byte, so one test per group finds them.
struct Shifted {
  uint32_t at[4][256];
  constexpr Shifted() : at() {
    for (int place = 0; place < 4; ++place)
      for (int c = 0; c < 256; ++c) {
        int v = kValues[static_cast<size_t>(c)];
        at[place][c] = v < 0 ? 0xFF000000u : static_cast<uint32_t>(v) << (18 - 6 * place);
      }
  }
};
constexpr Shifted kShifted;

}  // namespace

std::string Base64Encode(std::string_view in) {
  std::string out((in.size() + 2) / 3 * 4, '=');
  const auto* p = reinterpret_cast<const unsigned char*>(in.data());
  char* o = out.data();
  size_t full = in.size() / 3;
  for (size_t g = 0; g < full; ++g, p += 3, o += 4) {
    uint32_t v = (uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | p[2];
    std::memcpy(o, kPairs.chars[v >> 12], 2);
    std::memcpy(o + 2, kPairs.chars[v & 4095], 2);
  }
  size_t rest = in.size() - full * 3;
  if (rest > 0) {
    uint32_t v = uint32_t{p[0]} << 16;
    if (rest == 2) v |= uint32_t{p[1]} << 8;
    o[0] = kAlphabet[v >> 18];
    o[1] = kAlphabet[(v >> 12) & 63];
    if (rest == 2) o[2] = kAlphabet[(v >> 6) & 63];
  }
  return out;
}

std::string Base64Decode(std::string_view in) {
  if (in.empty() || in.size() % 4 != 0) return {};
  size_t pad = in.back() != '=' ? 0 : in[in.size() - 2] == '=' ? 2 : 1;
  std::string out(in.size() / 4 * 3, '\0');
  const auto* p = reinterpret_cast<const unsigned char*>(in.data());
  char* o = out.data();
  size_t groups = in.size() / 4 - (pad ? 1 : 0);
  for (size_t g = 0; g < groups; ++g, p += 4, o += 3) {
    uint32_t v = kShifted.at[0][p[0]] | kShifted.at[1][p[1]] | kShifted.at[2][p[2]] | kShifted.at[3][p[3]];
    if (v & 0xFF000000u) return {};
    o[0] = static_cast<char>(v >> 16);
    o[1] = static_cast<char>(v >> 8);
    o[2] = static_cast<char>(v);
  }
  if (pad) {  // the last group: "xx==" is one byte, "xxx=" two
    uint32_t v = kShifted.at[0][p[0]] | kShifted.at[1][p[1]] | (pad == 1 ? kShifted.at[2][p[2]] : 0);
    if (v & 0xFF000000u) return {};
    *o++ = static_cast<char>(v >> 16);
    if (pad == 1) *o++ = static_cast<char>(v >> 8);
  }
  out.resize(static_cast<size_t>(o - out.data()));
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
