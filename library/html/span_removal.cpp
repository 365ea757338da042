#include "library/html/span_removal.h"

#include <algorithm>
#include <map>
#include <unordered_map>
#include <vector>

#include "library/html/text_ops.h"
#include "library/mask/mask_pattern.h"

namespace qv::library::html {

namespace {

constexpr size_t kNone = static_cast<size_t>(-1);

char16_t LowerAscii(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }

std::u16string LowerAscii(std::u16string_view s) {
  std::u16string r(s);
  for (char16_t& c : r) c = LowerAscii(c);
  return r;
}

// The literal loop.
std::u16string LiteralLoop(std::u16string work, const MaskPattern& mask, const SpanSink& onSpan) {
  for (;;) {
    std::u16string span = MaskMatch(work, mask, u"", true);
    if (span.empty()) return work;
    if (onSpan) onSpan(span);
    std::u16string next = ReplaceAllNoCase(work, span, u"");
    if (next.size() == work.size()) return work;  // cannot happen: the span is in the text
    work = std::move(next);
  }
}

// Every start of `seg` (ASCII, lower-case) in `text` with its ASCII letters
// lower-cased, overlapping ones included.
std::vector<size_t> Occurrences(std::u16string_view text, std::u16string_view seg) {
  std::vector<size_t> at;
  const char16_t first = seg[0];
  const bool letter = first >= u'a' && first <= u'z';
  for (size_t p = 0; p + seg.size() <= text.size(); ++p) {
    if (!letter) {
      p = FindUnit(text, first, p);
      if (p == std::u16string_view::npos || p + seg.size() > text.size()) break;
    } else if (LowerAscii(text[p]) != first) {
      continue;
    }
    size_t i = 1;
    while (i < seg.size() && LowerAscii(text[p + i]) == seg[i]) ++i;
    if (i == seg.size()) at.push_back(p);
  }
  return at;
}

class IndexedRemoval {
 public:
  IndexedRemoval(std::u16string_view text, const MaskPattern& mask, const SpanSink& onSpan)
      : text_(text), mask_(mask), onSpan_(onSpan) {}

  // False when the text needs the literal loop from the start.
  bool Prepare() {
    if (!mask_.hasMasks || mask_.segments.empty()) return false;
    for (const std::u16string& seg : mask_.segments) {
      if (seg.empty()) return false;
      for (char16_t c : seg)
        if (c >= 0x80) return false;
      segs_.push_back(LowerAscii(seg));
      longest_ = std::max(longest_, seg.size());
    }
    if (HasFoldsToAscii(text_)) return false;
    starts_ = Occurrences(text_, segs_[0]);
    // The span of each start, as the mask finds it when that start is the first.
    std::vector<std::vector<size_t>> occ(segs_.size());
    std::vector<size_t> next(segs_.size(), 0);
    for (size_t j = 1; j < segs_.size(); ++j) occ[j] = Occurrences(text_, segs_[j]);
    ends_.assign(starts_.size(), kNone);
    for (size_t i = 0; i < starts_.size(); ++i) {
      size_t pos = starts_[i] + segs_[0].size();
      bool found = true;
      for (size_t j = 1; j < segs_.size() && pos < text_.size(); ++j) {
        while (next[j] < occ[j].size() && occ[j][next[j]] < pos) ++next[j];
        if (next[j] == occ[j].size()) {
          found = false;
          break;
        }
        pos = occ[j][next[j]] + segs_[j].size();
      }
      if (!found) break;  // no later start has a span either
      ends_[i] = pos;
    }
    // Spans must not overlap, nor hold another start.
    for (size_t i = 0; i + 1 < starts_.size() && ends_[i] != kNone; ++i)
      if (starts_[i + 1] < ends_[i]) return false;
    for (size_t i = 0; i < starts_.size() && ends_[i] != kNone; ++i)
      groups_[FoldText(text_.substr(starts_[i], ends_[i] - starts_[i]))].push_back(i);
    removed_.assign(starts_.size(), false);
    return true;
  }

  std::u16string Run() {
    out_.reserve(text_.size());
    size_t cur = 0;  // text before `cur` is settled in out_
    for (size_t si = 0;; ++si) {
      while (si < starts_.size() && removed_[si]) ++si;
      if (si == starts_.size() || ends_[si] == kNone) break;  // the mask matches no more
      const size_t p = starts_[si], e = ends_[si];
      AppendKept(cur, p);
      const std::u16string_view span = text_.substr(p, e - p);
      if (onSpan_) onSpan_(span);
      removed_[si] = true;
      cur = e;
      std::vector<size_t> joins{e};
      for (size_t other : groups_[FoldText(span)])
        if (other > si && !removed_[other]) {
          removed_[other] = true;
          AddHole(starts_[other], ends_[other]);
          joins.push_back(starts_[other]);
        }
      for (size_t at : joins)
        if (Straddles(at == e ? LeftOfFront() : LeftContext(at, cur),
                      RightContext(at == e ? e : HoleEnd(at))))
          return LiteralLoop(Current(cur), mask_, onSpan_);
    }
    AppendKept(cur, text_.size());
    return std::move(out_);
  }

 private:
  // Copies text[from, to) without the holes in it.
  void AppendKept(size_t from, size_t to) {
    for (auto it = holes_.lower_bound(from); it != holes_.end() && it->first < to; ++it) {
      if (it->first > from) out_.append(text_.substr(from, it->first - from));
      from = std::max(from, it->second);
    }
    if (to > from) out_.append(text_.substr(from, to - from));
  }

  // A removed span ahead of the settled text; touching holes merge.
  void AddHole(size_t b, size_t e) {
    auto after = holes_.find(e);
    if (after != holes_.end()) {
      e = after->second;
      holes_.erase(after);
      holeByEnd_.erase(e);
    }
    auto before = holeByEnd_.find(b);
    if (before != holeByEnd_.end()) {
      b = before->second;
      holeByEnd_.erase(before);
      holes_.erase(b);
    }
    holes_[b] = e;
    holeByEnd_[e] = b;
  }

  // End of the hole that holds position `at`.
  size_t HoleEnd(size_t at) const {
    auto it = holes_.upper_bound(at);
    return it == holes_.begin() ? at : std::prev(it)->second;
  }

  std::u16string LeftOfFront() const {
    size_t n = std::min(out_.size(), longest_);
    return out_.substr(out_.size() - n);
  }

  // Up to `longest_` kept characters before `at`, the settled text included.
  std::u16string LeftContext(size_t at, size_t cur) const {
    std::u16string r;
    size_t x = at;
    auto it = holes_.upper_bound(at);
    if (it != holes_.begin() && std::prev(it)->second > at) x = std::prev(it)->first;
    while (r.size() < longest_ && x > cur) {
      auto h = holeByEnd_.find(x);
      if (h != holeByEnd_.end()) {
        x = h->second;
        continue;
      }
      r.insert(r.begin(), text_[--x]);
    }
    if (r.size() < longest_) {
      size_t n = std::min(out_.size(), longest_ - r.size());
      r.insert(0, out_.substr(out_.size() - n));
    }
    return r;
  }

  // Up to `longest_` kept characters from `at` on.
  std::u16string RightContext(size_t at) const {
    std::u16string r;
    size_t x = at;
    while (r.size() < longest_ && x < text_.size()) {
      auto h = holes_.find(x);
      if (h != holes_.end()) {
        x = h->second;
        continue;
      }
      r += text_[x++];
    }
    return r;
  }

  // True when a mask literal would run across the join of `left` and `right`.
  bool Straddles(std::u16string_view left, std::u16string_view right) const {
    const std::u16string l = LowerAscii(left), r = LowerAscii(right);
    for (const std::u16string& seg : segs_)
      for (size_t k = 1; k < seg.size(); ++k)
        if (k <= l.size() && seg.size() - k <= r.size() && l.compare(l.size() - k, k, seg, 0, k) == 0 &&
            r.compare(0, seg.size() - k, seg, k, seg.size() - k) == 0)
          return true;
    return false;
  }

  std::u16string Current(size_t cur) {
    AppendKept(cur, text_.size());
    return std::move(out_);
  }

  std::u16string_view text_;
  const MaskPattern& mask_;
  const SpanSink& onSpan_;
  std::vector<std::u16string> segs_;  // the literals, ASCII lower-cased
  size_t longest_ = 0;
  std::vector<size_t> starts_, ends_;
  std::unordered_map<std::u16string, std::vector<size_t>> groups_;  // folded span -> starts
  std::vector<bool> removed_;
  std::map<size_t, size_t> holes_;      // start -> end
  std::map<size_t, size_t> holeByEnd_;  // end -> start
  std::u16string out_;
};

}  // namespace

std::u16string RemoveMatchedSpans(std::u16string_view text, std::u16string_view pattern,
                                  const SpanSink& onSpan) {
  const MaskPattern mask = CompileMask(pattern);
  IndexedRemoval fast(text, mask, onSpan);
  if (!fast.Prepare()) return LiteralLoop(std::u16string(text), mask, onSpan);
  return fast.Run();
}

}  // namespace qv::library::html
