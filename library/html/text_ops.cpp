#include "library/html/text_ops.h"

#include <array>
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
  Matcher(std::u16string_view needle, bool fold) : fold_(fold), needle_(needle), fail_(needle.size(), 0) {
    if (fold_)
      for (char16_t& c : needle_) c = FoldUnit(c);
    for (size_t i = 1, k = 0; i < needle_.size(); ++i) {
      while (k > 0 && needle_[i] != needle_[k]) k = fail_[k - 1];
      if (needle_[i] == needle_[k]) ++k;
      fail_[i] = k;
    }
  }

  // First occurrence at or after `from`, or npos.
  size_t Find(std::u16string_view s, size_t from) const {
    const size_t m = needle_.size();
    if (m == 0) return from <= s.size() ? from : std::u16string_view::npos;
    const char16_t first = needle_[0];
    size_t k = 0;
    for (size_t i = from; i < s.size(); ++i) {
      char16_t c = fold_ ? FoldUnit(s[i]) : s[i];
      if (k == 0 && c != first) continue;
      while (k > 0 && c != needle_[k]) k = fail_[k - 1];
      if (c == needle_[k]) ++k;
      if (k == m) return i + 1 - m;
    }
    return std::u16string_view::npos;
  }

  std::u16string ReplaceAll(std::u16string_view s, std::u16string_view to) const {
    if (needle_.empty()) return std::u16string(s);
    std::u16string out;
    size_t copied = 0;
    for (size_t at = Find(s, 0); at != std::u16string_view::npos; at = Find(s, copied)) {
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

}  // namespace

char16_t FoldUnit(char16_t c) {
  if (c < 0x80) return c >= 'a' && c <= 'z' ? static_cast<char16_t>(c - 32) : c;
  return FoldTable()[c];
}

std::u16string_view TrimView(std::u16string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && s[b] <= u' ') ++b;
  while (e > b && s[e - 1] <= u' ') --e;
  return s.substr(b, e - b);
}

size_t FindNoCase(std::u16string_view s, std::u16string_view what, size_t from) {
  return Matcher(what, true).Find(s, from);
}

std::u16string ReplaceAll(std::u16string_view s, std::u16string_view from, std::u16string_view to) {
  return Matcher(from, false).ReplaceAll(s, to);
}

std::u16string ReplaceAllNoCase(std::u16string_view s, std::u16string_view from, std::u16string_view to) {
  return Matcher(from, true).ReplaceAll(s, to);
}

size_t CountNoCase(std::u16string_view s, std::u16string_view what) {
  if (what.empty()) return 0;
  Matcher m(what, true);
  size_t count = 0;
  for (size_t at = m.Find(s, 0); at != std::u16string_view::npos; at = m.Find(s, at + what.size())) ++count;
  return count;
}

void ReplaceUntilGone(std::u16string& s, std::u16string_view from, std::u16string_view to) {
  if (from.empty() || to.size() >= from.size()) return;
  Matcher m(from, false);
  while (m.Find(s, 0) != std::u16string_view::npos) s = m.ReplaceAll(s, to);
}

}  // namespace qv::library::html
