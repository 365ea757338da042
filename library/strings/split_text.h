// SplitText: the one splitter of the system. `split`, `explode`, the mask
// compiler, the split callbacks and TRegExp.Split all cut text with it.
//
//   SplitText(u"a||b||", u"||")      -> {u"a", u"b", u""}
//   SplitText(u"a1b22c", u"/\\d+/i") -> {u"a", u"b", u"c"}   (notation form)
//   SplitText(u"x", u"")             -> {u"x"}
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "support/regex.h"

namespace qv::library {

// Pieces of `source` between the occurrences of `separator`. A separator in
// the regular-expression notation, or one that looks like a regular
// expression, cuts at its matches (on `regex` when given, else on a new
// object); an invalid expression gives the source as the one piece. A
// literal separator is searched case-sensitively; an empty one, or one that
// does not occur, gives the source as the one piece.
std::vector<std::u16string> SplitText(std::u16string_view source, std::u16string_view separator,
                                      TQvRegEx* regex = nullptr);

// The literal part of SplitText: no notation, no regular expression.
std::vector<std::u16string> SplitLiteral(std::u16string_view source, std::u16string_view separator);

}  // namespace qv::library
