#include "library/html/text_ops.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "support/text.h"

namespace qv::library::html {

namespace {

// The upper-case unit of every UTF-16 unit, made once.
const std::array<char16_t, 65536>& FoldTable() {
  static const auto table = [] {
    auto t = std::make_unique<std::array<char16_t, 65536>>();
    for (uint32_t c = 0; c < 65536; ++c) {
      char16_t u = static_cast<char16_t>(c);
      if (c >= 0xD800 && c <= 0xDFFF) {
        (*t)[c] = u;
        continue;
      }
      char32_t up = UpCaseCodePoint(c);
      (*t)[c] = up <= 0xFFFF && !(up >= 0xD800 && up <= 0xDFFF) ? static_cast<char16_t>(up) : u;
    }
    return t;
  }();
  return *table;
}

// Knuth-Morris-Pratt over folded (or plain) units: linear whatever the text.
class Matcher {
 public:
  Matcher(std::u16string_view needle, bool fold)
      : fold_(fold), needle_(fold ? FoldText(needle) : std::u16string(needle)), fail_(needle.size(), 0) {
    for (size_t i = 1, k = 0; i < needle_.size(); ++i) {
      while (k > 0 && needle_[i] != needle_[k]) k = fail_[k - 1];
      if (needle_[i] == needle_[k]) ++k;
      fail_[i] = k;
    }
  }

  // First occurrence at or after `from` in `s` (already folded when the
  // matcher folds), or npos.
  size_t Find(std::u16string_view s, size_t from) const {
    const size_t m = needle_.size();
    if (m == 0) return from <= s.size() ? from : std::u16string_view::npos;
    const char16_t first = needle_[0];
    size_t k = 0;
    for (size_t i = from; i < s.size(); ++i) {
      char16_t c = s[i];
      if (k == 0 && c != first) continue;
      while (k > 0 && c != needle_[k]) k = fail_[k - 1];
      if (c == needle_[k]) ++k;
      if (k == m) return i + 1 - m;
    }
    return std::u16string_view::npos;
  }

  std::u16string ReplaceAll(std::u16string_view s, std::u16string_view to) const {
    if (needle_.empty()) return std::u16string(s);
    const std::u16string folded = fold_ ? FoldText(s) : std::u16string();
    const std::u16string_view haystack = fold_ ? std::u16string_view(folded) : s;
    std::u16string out;
    size_t copied = 0;
    for (size_t at = Find(haystack, 0); at != std::u16string_view::npos; at = Find(haystack, copied)) {
      if (out.empty()) out.reserve(s.size());
      out.append(s.substr(copied, at - copied));
      out.append(to);
      copied = at + needle_.size();
    }
    if (copied == 0) return std::u16string(s);
    out.append(s.substr(copied));
    return out;
  }

 private:
  bool fold_;
  std::u16string needle_;
  std::vector<size_t> fail_;
};

// A needle of ASCII characters that starts with one that only matches itself
// ("&nbsp;", "<body"): occurrences are found by looking for that character
// and comparing the rest, without folding the whole text.
bool QuickNeedle(std::u16string_view needle) {
  if (needle.empty()) return false;
  for (char16_t c : needle)
    if (c >= 0x80) return false;
  char16_t f = needle[0];
  return !((f >= u'a' && f <= u'z') || (f >= u'A' && f <= u'Z'));
}

// First occurrence at or after `from` of a QuickNeedle, without regard to case.
size_t QuickFind(std::u16string_view s, std::u16string_view needle, size_t from) {
  char16_t upper[16];  // the needle upper-cased (it is ASCII)
  if (needle.size() > std::size(upper)) return Matcher(needle, true).Find(FoldText(s), from);
  for (size_t i = 0; i < needle.size(); ++i) {
    const char16_t c = needle[i];
    upper[i] = c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c;
  }
  for (size_t at = FindUnit(s, needle[0], from); at != std::u16string_view::npos;
       at = FindUnit(s, needle[0], at + 1)) {
    if (s.size() - at < needle.size()) return std::u16string_view::npos;
    size_t i = 1;
    while (i < needle.size() && FoldUnit(s[at + i]) == upper[i]) ++i;
    if (i == needle.size()) return at;
  }
  return std::u16string_view::npos;
}

}  // namespace

char16_t FoldUnit(char16_t c) {
  if (c < 0x80) return c >= 'a' && c <= 'z' ? static_cast<char16_t>(c - 32) : c;
  return FoldTable()[c];
}

std::u16string FoldText(std::u16string_view s) {
  std::u16string out(s);
  for (size_t i = 0; i < out.size(); ++i) {
    char16_t c = out[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < out.size() && out[i + 1] >= 0xDC00 && out[i + 1] <= 0xDFFF) {
      char32_t cp = 0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (out[i + 1] - 0xDC00);
      char32_t up = UpCaseCodePoint(cp);
      if (up >= 0x10000 && up <= 0x10FFFF) {
        out[i] = static_cast<char16_t>(0xD800 + ((up - 0x10000) >> 10));
        out[i + 1] = static_cast<char16_t>(0xDC00 + ((up - 0x10000) & 0x3FF));
      }
      ++i;
    } else {
      out[i] = FoldUnit(c);
    }
  }
  return out;
}

bool FoldsToAscii(char16_t c) { return c >= 0x80 && FoldUnit(c) < 0x80; }

size_t FindUnit(std::u16string_view s, char16_t c, size_t from) {
  constexpr size_t kBlock = 32;
  size_t at = from;
  for (; at + kBlock <= s.size(); at += kBlock) {
    const char16_t* p = s.data() + at;
    unsigned hit = 0;
    for (size_t i = 0; i < kBlock; ++i) hit |= p[i] == c;
    if (hit) break;
  }
  for (; at < s.size(); ++at)
    if (s[at] == c) return at;
  return std::u16string_view::npos;
}

size_t FindText(std::u16string_view s, std::u16string_view what, size_t from) {
  if (what.empty()) return from <= s.size() ? from : std::u16string_view::npos;
  for (size_t at = FindUnit(s, what[0], from); at != std::u16string_view::npos;
       at = FindUnit(s, what[0], at + 1)) {
    if (s.size() - at < what.size()) break;
    if (s.compare(at, what.size(), what) == 0) return at;
  }
  return std::u16string_view::npos;
}

bool HasFoldsToAscii(std::u16string_view s) {
  // There are only a few such units (dotless i, long s): each unit is
  // compared with all of them, in fixed blocks the compiler vectorises,
  // instead of a table look-up per unit.
  static const std::vector<char16_t> units = [] {
    std::vector<char16_t> u;
    for (uint32_t c = 0x80; c < 0x10000; ++c)
      if (FoldsToAscii(static_cast<char16_t>(c))) u.push_back(static_cast<char16_t>(c));
    return u;
  }();
  if (units.empty()) return false;
  if (units.size() > 4) return std::any_of(s.begin(), s.end(), FoldsToAscii);
  const char16_t u0 = units[0], u1 = units[std::min<size_t>(1, units.size() - 1)],
                 u2 = units[std::min<size_t>(2, units.size() - 1)], u3 = units.back();
  constexpr size_t kBlock = 256;
  size_t at = 0;
  for (; at + kBlock <= s.size(); at += kBlock) {
    const char16_t* p = s.data() + at;
    unsigned hit = 0;
    for (size_t i = 0; i < kBlock; ++i) hit |= (p[i] == u0) | (p[i] == u1) | (p[i] == u2) | (p[i] == u3);
    if (hit) return true;
  }
  return std::any_of(s.begin() + static_cast<std::ptrdiff_t>(at), s.end(), FoldsToAscii);
}

std::u16string_view TrimView(std::u16string_view s) { return TrimBlanks(s); }

size_t FindNoCase(std::u16string_view s, std::u16string_view what, size_t from) {
  if (QuickNeedle(what)) return QuickFind(s, what, from);
  return Matcher(what, true).Find(FoldText(s), from);
}

std::u16string ReplaceAll(std::u16string_view s, std::u16string_view from, std::u16string_view to) {
  return Matcher(from, false).ReplaceAll(s, to);
}

std::u16string ReplaceAllNoCase(std::u16string_view s, std::u16string_view from, std::u16string_view to) {
  if (!QuickNeedle(from)) return Matcher(from, true).ReplaceAll(s, to);
  std::u16string out;
  size_t copied = 0;
  for (size_t at = QuickFind(s, from, 0); at != std::u16string_view::npos; at = QuickFind(s, from, copied)) {
    if (out.empty()) out.reserve(s.size());
    out.append(s.substr(copied, at - copied));
    out.append(to);
    copied = at + from.size();
  }
  if (copied == 0) return std::u16string(s);
  out.append(s.substr(copied));
  return out;
}

size_t CountNoCase(std::u16string_view s, std::u16string_view what) {
  if (what.empty()) return 0;
  Matcher m(what, true);
  const std::u16string folded = FoldText(s);
  size_t count = 0;
  for (size_t at = m.Find(folded, 0); at != std::u16string_view::npos; at = m.Find(folded, at + what.size()))
    ++count;
  return count;
}

namespace {

// Polynomial hashes modulo 2^61 - 1 of every window of one length.
constexpr uint64_t kMod = (uint64_t{1} << 61) - 1;
constexpr uint64_t kBase = 0x1F3D5B79A3C1E5ull % kMod;

uint64_t MulMod(uint64_t a, uint64_t b) {
  unsigned __int128 p = static_cast<unsigned __int128>(a) * b;
  uint64_t r = static_cast<uint64_t>(p & kMod) + static_cast<uint64_t>(p >> 61);
  return r >= kMod ? r - kMod : r;
}

uint64_t HashOf(std::u16string_view s) {
  uint64_t h = 0;
  for (char16_t c : s) {
    h = MulMod(h, kBase) + c + 1;
    if (h >= kMod) h -= kMod;
  }
  return h;
}

}  // namespace

std::unordered_map<std::u16string, size_t> CountEach(std::u16string_view s,
                                                     const std::vector<std::u16string>& whats, Case mode) {
  auto key = [&](std::u16string_view w) { return mode == Case::Ignore ? FoldText(w) : std::u16string(w); };
  struct Wanted {
    std::u16string text;
    size_t count = 0;
    size_t free = 0;  // next position where an occurrence may start
  };
  std::vector<Wanted> wanted;
  std::unordered_map<std::u16string, size_t> index;  // key -> wanted
  std::unordered_map<size_t, std::unordered_map<uint64_t, std::vector<size_t>>> byLength;
  for (const std::u16string& w : whats) {
    std::u16string f = key(w);
    if (w.empty() || f.size() > s.size() || index.count(f)) continue;
    index.emplace(f, wanted.size());
    byLength[f.size()][HashOf(f)].push_back(wanted.size());
    wanted.push_back({std::move(f)});
  }
  const std::u16string folded = wanted.empty() ? std::u16string() : key(s);
  // A bit per hash value (modulo its size) keeps most windows away from the map.
  std::vector<uint64_t> filter(1 << 14);
  for (auto& [length, hashes] : byLength) {
    std::fill(filter.begin(), filter.end(), 0);
    for (const auto& [hash, ks] : hashes) filter[(hash >> 6) & 0x3FFF] |= uint64_t{1} << (hash & 63);
    uint64_t power = 1;  // kBase^(length - 1)
    for (size_t i = 1; i < length; ++i) power = MulMod(power, kBase);
    uint64_t h = HashOf(std::u16string_view(folded).substr(0, length));
    for (size_t at = 0;; ++at) {
      auto hit = (filter[(h >> 6) & 0x3FFF] >> (h & 63)) & 1 ? hashes.find(h) : hashes.end();
      if (hit != hashes.end())
        for (size_t k : hit->second) {
          Wanted& w = wanted[k];
          if (at >= w.free && folded.compare(at, length, w.text) == 0) {
            ++w.count;
            w.free = at + length;
          }
        }
      if (at + length >= folded.size()) break;
      // Slide the window by one unit.
      uint64_t out = MulMod(folded[at] + 1, power);
      h = h >= out ? h - out : h + kMod - out;
      h = MulMod(h, kBase) + folded[at + length] + 1;
      if (h >= kMod) h -= kMod;
    }
  }
  std::unordered_map<std::u16string, size_t> counts;
  for (const std::u16string& w : whats) {
    std::u16string f = key(w);
    auto it = index.find(f);
    counts[f] = it == index.end() ? 0 : wanted[it->second].count;
  }
  return counts;
}

void ReplaceUntilGone(std::u16string& s, std::u16string_view from, std::u16string_view to) {
  if (from.empty() || to.size() >= from.size()) return;
  Matcher m(from, false);
  while (m.Find(s, 0) != std::u16string_view::npos) s = m.ReplaceAll(s, to);
}

void TrimBytes(std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  if (e < s.size()) s.resize(e);
  if (b > 0) s.erase(0, b);
}

void CollapseLineBreakRuns(std::string& s) {
  size_t at = s.find("\r\n\r\n");
  if (at == std::string::npos) return;
  size_t kept = at, from = at;  // s[0, kept) is done, s[from, ...) not yet read
  auto keep = [&](size_t to) {
    if (to > from) std::memmove(&s[kept], &s[from], to - from);
    kept += to - from;
  };
  while (at != std::string::npos) {
    keep(at);
    s[kept++] = '\r';
    s[kept++] = '\n';
    at += 4;
    while (s.compare(at, 2, "\r\n") == 0) at += 2;
    from = at;
    at = s.find("\r\n\r\n", at);
  }
  keep(s.size());
  s.resize(kept);
}

}  // namespace qv::library::html
