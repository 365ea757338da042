#include "library/mask/mask_pattern.h"

#include "library/strings/split_text.h"
#include "support/text.h"

namespace qv::library {

namespace {

char16_t FoldAscii(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c; }

std::u16string FoldAscii(std::u16string_view s) {
  std::u16string r(s);
  for (char16_t& c : r) c = FoldAscii(c);
  return r;
}

bool ContainsIgnoreCase(std::u16string_view text, std::u16string_view part) {
  if (part.empty()) return false;
  return UpperCase(text).find(UpperCase(part)) != std::u16string::npos;
}

}  // namespace

MaskPattern CompileMask(std::u16string_view pattern, std::u16string_view hideMask, std::u16string_view captureMask) {
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

std::u16string MaskMatch(std::u16string_view source, const MaskPattern& mask, std::u16string_view contact,
                         bool whole) {
  std::u16string result;
  const std::u16string work = FoldAscii(source);
  // The one segment of a pattern without masks is the source itself.
  const std::u16string_view sourceSegment[] = {source};
  const size_t count = mask.hasMasks ? mask.segments.size() : 1;
  auto segmentAt = [&](size_t i) -> std::u16string_view {
    return mask.hasMasks ? std::u16string_view(mask.segments[i]) : sourceSegment[0];
  };
  const size_t k = count - 1;
  size_t pos = 0;  // source characters consumed
  long long start = -1;
  auto appendCapture = [&](std::u16string_view piece) {
    if (!result.empty()) result += contact;
    result += piece;
  };
  for (size_t i = 0; i < count; ++i) {
    if (pos >= work.size()) break;  // nothing left: success with what was collected
    const std::u16string seg = FoldAscii(segmentAt(i));
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
      const size_t at = std::u16string_view(work).find(seg, pos);
      if (at != std::u16string_view::npos) a = at - pos + 1;
    }
    if (whole && start == -1) start = static_cast<long long>(a);
    if (a == 0) return {};
    if (i > 0 && mask.gaps[i - 1] == GapKind::Capture) appendCapture(source.substr(pos, a - 1));
    pos += a + seg.size() - 1;
  }
  if (whole) {
    const size_t from = start < 1 ? 1 : static_cast<size_t>(start);
    if (from > pos) return {};
    return std::u16string(source.substr(from - 1, pos - from + 1));
  }
  return result;
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
