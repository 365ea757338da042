// MatchContent: the first non-empty extraction among "||"-separated
// alternatives, each a mask pattern, a "(reg)" regular expression, or a
// pattern in regular-expression notation (or one that looks like one).
//
//   MatchContent(u"<b>42</b>", u"<i>(*)</i>||(reg)<b>(?<v>\\d+)</b>")  -> u"42"
#pragma once

#include <string>
#include <string_view>

#include "support/regex.h"

namespace qv::library {

// `regex` is reused for the regular-expression alternatives when given;
// otherwise one object is made on first need and freed at the end.
std::u16string MatchContent(std::u16string_view source, std::u16string_view patterns,
                            TQvRegEx* regex = nullptr);

}  // namespace qv::library
