// ReplaceContent: replaces what a mask pattern (or a literal text) matches.
//
//   ReplaceContent(u"a<b>c</b>d", u"<[*]>", u"")   -> u"acd"
//   ReplaceContent(u"One one ONE", u"one", u"1")   -> u"1 1 1"
//
// With "[*]" or "(*)" in the pattern, the first matched span is replaced
// everywhere (without regard to case) and the match is repeated on the new
// text until nothing matches. The repetition always ends: it stops with the
// text reached so far when a pass leaves the text unchanged, when the
// replacement re-creates the span it replaced, when the text grows past
// kMaxReplaceLength code units, or after kMaxReplacePasses passes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "library/mask/mask_pattern.h"

namespace qv::library {

inline constexpr size_t kMaxReplaceLength = size_t{64} * 1024 * 1024;
inline constexpr size_t kMaxReplacePasses = 1'000'000;

std::u16string ReplaceContent(std::u16string_view content, std::u16string_view pattern,
                              std::u16string_view target);

// The repetition itself, pass by pass, with the same bounds. ReplaceContent
// gives its result in one scan where that is provably the same (the common
// masks such as "<[*]>"), and calls it otherwise.
std::u16string ReplaceContentByPasses(std::u16string_view content, const MaskPattern& mask,
                                      std::u16string_view target);

// Every occurrence of `old` in `text` replaced by `with`, scanning left to
// right without overlaps, letters compared without regard to case. An empty
// `old` changes nothing.
std::u16string ReplaceAllIgnoreCase(std::u16string_view text, std::u16string_view old,
                                    std::u16string_view with);

}  // namespace qv::library
