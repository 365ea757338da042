// Simplified and Traditional Chinese characters as gb2big and big2gb give
// them (support's transliteration, one character for one), and full-width
// forms to half-width.
//
//   ToTraditional(u"汉字") == u"漢字"
//   ToSimplified(u"漢字")  == u"汉字"
//   FullToHalf(u"ＡＢＣ４５６") == u"ABC456"
#pragma once

#include <string>
#include <string_view>

namespace qv::library {

// Character for character: the result has exactly as many UTF-16 code units
// as the argument; a character without another form stays.
std::u16string ToTraditional(std::u16string_view text);
std::u16string ToSimplified(std::u16string_view text);

// Every character with a half-width form becomes that form (ToHalfWidth):
// full-width ASCII, the ideographic space, signs, katakana (a voiced one as
// base and mark, so the text may grow), 、。「」・ー, Hangul letters, arrows.
// Everything else, Chinese characters included, stays.
std::u16string FullToHalf(std::u16string_view text);

}  // namespace qv::library
