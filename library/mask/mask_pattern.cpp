#include "library/mask/mask_pattern.h"

#include "library/strings/split_text.h"
#include "support/text.h"

namespace qv::library {

namespace {

bool ContainsIgnoreCase(std::u16string_view text, std::u16string_view part) {
  if (part.empty()) return false;
  return UpperCase(text).find(UpperCase(part)) != std::u16string::npos;
}

}  // namespace

std::u16string FoldAscii(std::u16string_view s) {
  std::u16string r(s);
  for (char16_t& c : r)
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
  return r;
}

MaskPattern CompileMask(std::u16string_view pattern, std::u16string_view hideMask,
                        std::u16string_view captureMask) {
  MaskPattern mask;
  if (!ContainsIgnoreCase(pattern, captureMask) && !ContainsIgnoreCase(pattern, hideMask)) return mask;
  mask.hasMasks = true;
  bool first = true;
  for (std::u16string& piece : SplitText(pattern, hideMask)) {
    if (!first) mask.gaps.push_back(GapKind::Hide);
    first = false;
    bool firstSub = true;
    for (std::u16string& sub : SplitText(piece, captureMask)) {
      if (!firstSub) mask.gaps.push_back(GapKind::Capture);
      firstSub = false;
      mask.segments.push_back(std::move(sub));
    }
  }
  return mask;
}

MaskSpan MaskMatchAt(std::u16string_view text, std::u16string_view folded, size_t from,
                     const MaskPattern& mask, std::u16string_view contact, bool whole,
                     std::u16string* captures) {
  MaskSpan span;
  const std::u16string_view source = text.substr(from);
  const std::u16string_view work = folded.substr(from);
  // The one segment of a pattern without masks is the source itself.
  const size_t count = mask.hasMasks ? mask.segments.size() : 1;
  auto segmentAt = [&](size_t i) -> std::u16string_view {
    return mask.hasMasks ? std::u16string_view(mask.segments[i]) : source;
  };
  const size_t k = count - 1;
  size_t pos = 0;  // source characters consumed
  long long start = -1;
  std::u16string result;
  auto appendCapture = [&](std::u16string_view piece) {
    if (!result.empty()) result += contact;
    result += piece;
  };
  std::u16string seg;
  for (size_t i = 0; i < count; ++i) {
    if (pos >= work.size()) break;  // nothing left: success with what was collected
    seg = FoldAscii(segmentAt(i));
    if (seg.empty() && i == 0) {
      start = 0;
      continue;
    }
    if (seg.empty() && i == k) {
      if (mask.gaps[k - 1] == GapKind::Capture) appendCapture(source.substr(pos));
      pos = source.size();
      break;
    }
    // 1-based position in the rest of the work text, 0 when missing.
    size_t a = 0;
    if (!seg.empty()) {
      const size_t at = work.find(seg, pos);
      if (at != std::u16string_view::npos) a = at - pos + 1;
    }
    if (whole && start == -1) start = static_cast<long long>(a);
    if (a == 0) return span;
    if (i > 0 && mask.gaps[i - 1] == GapKind::Capture) appendCapture(source.substr(pos, a - 1));
    pos += a + seg.size() - 1;
  }
  span.matched = true;
  const size_t first = start < 1 ? 1 : static_cast<size_t>(start);
  span.begin = from + first - 1;
  span.end = from + (first > pos ? first - 1 : pos);
  if (captures) *captures = std::move(result);
  return span;
}

std::u16string MaskMatch(std::u16string_view source, const MaskPattern& mask, std::u16string_view contact,
                         bool whole) {
  const std::u16string folded = FoldAscii(source);
  std::u16string captures;
  const MaskSpan span = MaskMatchAt(source, folded, 0, mask, contact, whole, whole ? nullptr : &captures);
  if (!span.matched) return {};
  if (whole) return std::u16string(source.substr(span.begin, span.end - span.begin));
  return captures;
}

std::u16string MaskMatch(std::u16string_view source, std::u16string_view pattern, std::u16string_view contact,
                         std::u16string_view hideMask, std::u16string_view captureMask, bool whole) {
  return MaskMatch(source, CompileMask(pattern, hideMask, captureMask), contact, whole);
}

std::u16string DescribeMask(const MaskPattern& mask) {
  if (!mask.hasMasks) return u"(no masks)";
  std::u16string r;
  for (size_t i = 0; i < mask.segments.size(); ++i) {
    if (i > 0) r += mask.gaps[i - 1] == GapKind::Capture ? u" (*) " : u" [*] ";
    r += u"\"" + mask.segments[i] + u"\"";
  }
  return r;
}

}  // namespace qv::library
