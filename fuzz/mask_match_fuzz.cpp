// Source, pattern, hide mask and capture mask, separated by NUL bytes (UTF-8),
// through the mask compiler, MaskMatch in both modes and ReplaceContent.
// The captures must be pieces of the source; a whole match must be a span
// of it; ReplaceContent's one scan must agree with its repetition.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "library/mask/mask_pattern.h"
#include "library/mask/match_content.h"
#include "library/mask/replace_content.h"
#include "support/errors.h"
#include "support/text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view in(reinterpret_cast<const char*>(data), size);
  std::u16string parts[4];
  for (int i = 0; i < 4; ++i) {
    const size_t cut = in.find('\0');
    parts[i] = qv::FromUtf8(in.substr(0, cut));
    if (cut == std::string_view::npos) {
      in = {};
    } else {
      in.remove_prefix(cut + 1);
    }
  }
  const std::u16string& source = parts[0];
  const std::u16string& pattern = parts[1];
  using namespace qv::library;
  const std::u16string_view hide = parts[2].empty() ? kHideMask : std::u16string_view(parts[2]);
  const std::u16string_view capture = parts[3].empty() ? kCaptureMask : std::u16string_view(parts[3]);
  const std::u16string whole = MaskMatch(source, pattern, u"", hide, capture, true);
  if (!whole.empty() && source.find(whole) == std::u16string::npos) std::abort();
  const std::u16string captures = MaskMatch(source, pattern, u"\x01", hide, capture, false);
  for (size_t from = 0; from <= captures.size();) {
    const size_t cut = captures.find(u'\x01', from);
    const std::u16string_view piece = std::u16string_view(captures).substr(
        from, cut == std::u16string::npos ? std::u16string::npos : cut - from);
    if (!piece.empty() && source.find(piece) == std::u16string::npos &&
        piece.find(u'\x01') == std::u16string::npos && source.find(u'\x01') == std::u16string::npos)
      std::abort();
    if (cut == std::u16string::npos) break;
    from = cut + 1;
  }
  // The one-scan replacement must agree with the pass-by-pass repetition.
  if (source.size() < 512 &&
      ReplaceContent(source, pattern, parts[2]) !=
          ReplaceContentByPasses(source, CompileMask(pattern), parts[2]) &&
      (pattern.find(kHideMask) != std::u16string::npos || pattern.find(kCaptureMask) != std::u16string::npos))
    std::abort();
  (void)MatchContent(source, pattern);
  return 0;
}
