#include "library/mask/replace_content.h"

#include "library/mask/mask_pattern.h"
#include "support/text.h"

namespace qv::library {

std::u16string ReplaceAllIgnoreCase(std::u16string_view text, std::u16string_view old, std::u16string_view with) {
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

std::u16string ReplaceContent(std::u16string_view content, std::u16string_view pattern, std::u16string_view target) {
  const bool masked = pattern.find(kHideMask) != std::u16string_view::npos ||
                      pattern.find(kCaptureMask) != std::u16string_view::npos;
  if (!masked) return ReplaceAllIgnoreCase(content, pattern, target);

  const MaskPattern mask = CompileMask(pattern);
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
