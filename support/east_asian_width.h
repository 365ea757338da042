// Character widths of East Asian text, from ICU's Unicode data.
//
//   IsWideCharacter(U'中')          == true    (wide, full-width or half-width, not Hangul)
//   ToHalfWidth(u"ＡＢ　ガ、")      == u"AB ｶﾞ､"
#pragma once

#include <string>
#include <string_view>

namespace qv {

// True for a character of East Asian width Wide, Fullwidth or Halfwidth
// other than Hangul: the characters between which a line break of running
// text is dropped rather than read as a space.
bool IsWideCharacter(char32_t c);

// Every character that has a half-width (narrow) form becomes that form:
// full-width ASCII and signs, the ideographic space, katakana (a voiced
// one becomes its base and the half-width voiced mark, so the text may
// grow), CJK punctuation with narrow forms, Hangul letters, arrows and the
// few geometric shapes. Everything else stays.
std::u16string ToHalfWidth(std::u16string_view text);

}  // namespace qv
