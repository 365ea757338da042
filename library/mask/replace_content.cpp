#include "library/mask/replace_content.h"

#include <optional>
#include <unordered_set>

#include "library/mask/mask_pattern.h"
#include "support/text.h"

namespace qv::library {

std::u16string ReplaceAllIgnoreCase(std::u16string_view text, std::u16string_view old,
                                    std::u16string_view with) {
  if (old.empty() || text.size() < old.size()) return std::u16string(text);
  // Upper-casing keeps lengths, so positions in the upper-case copy are
  // positions in the text.
  const std::u16string upper = UpperCase(text);
  const std::u16string upperOld = UpperCase(old);
  std::u16string out;
  size_t from = 0;
  for (size_t at; (at = upper.find(upperOld, from)) != std::u16string::npos; from = at + old.size()) {
    if (out.empty()) out.reserve(text.size());
    out.append(text.substr(from, at - from));
    out.append(with);
  }
  if (from == 0) return std::u16string(text);
  out.append(text.substr(from));
  return out;
}

namespace {

bool Uncased(char16_t c) { return UpCaseCodePoint(c) == c && LowCaseCodePoint(c) == c; }

// Characters outside ASCII whose upper case is an ASCII letter.
bool HasAsciiUpperTwins(std::u16string_view s) {
  return s.find_first_of(u"\u017f\u0131") != std::u16string_view::npos;
}

size_t CountOccurrences(std::u16string_view folded, std::u16string_view seg) {
  size_t n = 0;
  for (size_t at = folded.find(seg); at != std::u16string_view::npos; at = folded.find(seg, at + 1)) ++n;
  return n;
}

// The repetition in one left-to-right scan, for the masks where that scan
// gives exactly what the repetition gives: literal segments of ASCII or
// uncased characters, a first segment that is not empty and that the
// target does not contain, and spans that hold the first segment only at
// their start. Then every span, and every occurrence of a span replaced
// earlier, starts at an occurrence of the first segment, and replacements
// cannot create or hide one. Returns nothing when a condition fails; the
// caller then repeats as specified.
std::optional<std::u16string> ReplaceInOneScan(std::u16string_view content, const MaskPattern& mask,
                                               std::u16string_view target) {
  if (mask.segments.empty() || mask.segments[0].empty()) return std::nullopt;
  for (const std::u16string& seg : mask.segments)
    for (char16_t c : seg)
      if (c >= 0x80 && !Uncased(c)) return std::nullopt;
  if (HasAsciiUpperTwins(content) || HasAsciiUpperTwins(target)) return std::nullopt;
  const std::u16string first = FoldAscii(mask.segments[0]);
  const std::u16string folded = FoldAscii(content);
  if (FoldAscii(target).find(first) != std::u16string::npos) return std::nullopt;
  const size_t firstCount = CountOccurrences(folded, first);
  if (content.size() + firstCount * target.size() > kMaxReplaceLength) return std::nullopt;

  std::unordered_set<std::u16string> replaced;  // upper-case spans
  std::u16string out;
  out.reserve(content.size());
  size_t copied = 0, replacedCount = 0;
  for (size_t at = folded.find(first); at != std::u16string::npos;) {
    const MaskSpan span = MaskMatchAt(content, folded, at, mask, u"", true);
    if (!span.matched || span.end <= span.begin) break;
    const std::u16string_view text = content.substr(span.begin, span.end - span.begin);
    // A span with the first segment inside may overlap another span.
    if (std::u16string_view(folded).substr(span.begin + 1, text.size() - 1).find(first) !=
        std::u16string::npos)
      return std::nullopt;
    std::u16string key = UpperCase(text);
    const bool known = replaced.count(key) > 0;
    if (known || replaced.size() < kMaxReplacePasses) {
      if (!known) replaced.insert(std::move(key));
      out.append(content.substr(copied, span.begin - copied));
      out.append(target);
      copied = span.end;
      ++replacedCount;
    }
    at = folded.find(first, span.end);
  }
  out.append(content.substr(copied));
  // A join of kept text and target that formed a new first segment would
  // have changed the later matches.
  if (CountOccurrences(FoldAscii(out), first) != firstCount - replacedCount) return std::nullopt;
  return out;
}

}  // namespace

std::u16string ReplaceContent(std::u16string_view content, std::u16string_view pattern,
                              std::u16string_view target) {
  const bool masked = pattern.find(kHideMask) != std::u16string_view::npos ||
                      pattern.find(kCaptureMask) != std::u16string_view::npos;
  if (!masked) return ReplaceAllIgnoreCase(content, pattern, target);

  const MaskPattern mask = CompileMask(pattern);
  if (auto scanned = ReplaceInOneScan(content, mask, target)) return std::move(*scanned);
  return ReplaceContentByPasses(content, mask, target);
}

std::u16string ReplaceContentByPasses(std::u16string_view content, const MaskPattern& mask,
                                      std::u16string_view target) {
  const std::u16string upperTarget = UpperCase(target);
  std::u16string result(content);
  std::u16string span = MaskMatch(result, mask, u"", true);
  for (size_t passes = 1; !span.empty(); ++passes) {
    std::u16string next = ReplaceAllIgnoreCase(result, span, target);
    if (next == result) break;  // the span is its own replacement
    result = std::move(next);
    // A target that holds the span brings it back in every further pass.
    if (upperTarget.find(UpperCase(span)) != std::u16string::npos) break;
    if (result.size() > kMaxReplaceLength || passes >= kMaxReplacePasses) break;
    span = MaskMatch(result, mask, u"", true);
  }
  return result;
}

}  // namespace qv::library
