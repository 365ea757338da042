// The regular-expression notation that every library function shares: a
// pattern between two slashes followed by option letters ("/\d+/i"), and the
// rule that takes a text with regex tokens (such as "\d" or ".*") for a
// regular expression even without slashes.
//
//   std::u16string p = u"/abc/I";
//   TQvRegExOptions o;
//   ParseRegexNotation(p, o);   // true; p == u"abc", o == {preCaseLess}
//   p = u"id=\\d+";
//   ParseRegexNotation(p, o);   // true; p == u"id=\\d+", o == {preCaseLess, preSingleLine}
//   p = u"/abc/";
//   ParseRegexNotation(p, o);   // false: no flag letter, a literal text
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "support/regex.h"

namespace qv::library {

// True when the text holds one of the tokens \w \t \d \s \b \. \? [^ .* .+
// +? *? ?! (?< , letters compared without regard to case.
bool LooksLikeRegex(std::u16string_view text);

// Recognises the notation. On true, `pattern` is the body between the
// slashes and `options` the flags (i m s x u a g, any case; other characters
// ignored), possibly none. A text that looks like a regular expression is
// first wrapped as "/" text "/is". On false both are left as they were
// (options cleared).
bool ParseRegexNotation(std::u16string& pattern, TQvRegExOptions& options);

// preCaseLess and preMultiLine: the options of a pattern that is not in
// notation form.
TQvRegExOptions DefaultPatternOptions();

// A new regular-expression object with the default options and the given
// pattern and subject (the one factory of support).
std::unique_ptr<TRegExp> NewPatternRegex(std::u16string_view pattern = {}, std::u16string_view subject = {});

}  // namespace qv::library
