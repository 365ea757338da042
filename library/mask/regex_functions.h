// The regular-expression operations behind the script host's regmatch,
// regmatchs, regreplace, regreplaces and MatchURL, and behind matchcontent.
// Patterns use the notation of regex_notation.h; a pattern that is not in
// notation form runs with preCaseLess and preMultiLine.
//
//   RegexPick(u"id=42", u"id=(\\d+)", 1)              -> u"42"
//   RegexPick(u"id=42", u"/id=(?<n>\\d+)/i", u"n")    -> u"42"
//   RegexReplace(u"a1b22", u"\\d+", u"#")            -> u"a#b#"
//   RegexReplacePairs(u"a-b_c", u"-||+||_")          -> u"a+bc"
//
// The pick operations never raise: a failed or impossible match, an invalid
// pattern, a missing group or name give empty text. The replace operations
// raise the regular-expression object's error (a ScriptError whose message
// starts with "TQvRegEx") when a pattern is invalid or a match fails.
//
// `regex` is an object to reuse (its pattern, options and subject are
// changed); with none, a new one is made and freed.
#pragma once

#include <string>
#include <string_view>

#include "support/regex.h"

namespace qv::library {

// The group `which` of the first match: a number (0 the whole match; -1 the
// pattern body, so that a non-empty result signals a match) or a group name.
// Empty text, without matching, when the pattern is empty or does not look
// like a regular expression.
std::u16string RegexPick(std::u16string_view subject, std::u16string_view pattern, int which,
                         TQvRegEx* regex = nullptr);
// `which` as text: a text that reads as a number is that number, any other
// text a group name.
std::u16string RegexPick(std::u16string_view subject, std::u16string_view pattern, std::u16string_view which,
                         TQvRegEx* regex = nullptr);

// RegexPick over "||"-separated alternatives: the value of the first
// alternative whose pattern matched (the last one tried otherwise).
std::u16string RegexPickAny(std::u16string_view subject, std::u16string_view patterns,
                            std::u16string_view which, TQvRegEx* regex = nullptr);
std::u16string RegexPickAny(std::u16string_view subject, std::u16string_view patterns, int which,
                            TQvRegEx* regex = nullptr);

// The first named group of the pattern, or group 1 when it names none.
std::u16string NamedGroupPick(std::u16string_view subject, std::u16string_view pattern,
                              TQvRegEx* regex = nullptr);

// Every match replaced by `replacement` (group references "$1", "${name}"...;
// "#13" and "#10" become CR and LF, "#space" is deleted). A leading "(reg)"
// of the pattern is dropped. An empty pattern or subject gives the subject.
std::u16string RegexReplace(std::u16string_view subject, std::u16string_view pattern,
                            std::u16string_view replacement, TQvRegEx* regex = nullptr);

// Pattern and replacement pairs separated by "||", applied in turn; a last
// pattern without replacement removes its matches. "(reg)" marks a plain
// regular expression, the notation or a regex-looking text a regular
// expression with its flags, anything else a mask or literal
// (ReplaceContent).
std::u16string RegexReplacePairs(std::u16string_view subject, std::u16string_view pairs,
                                 TQvRegEx* regex = nullptr);

// Fills the brace items ("{index,pattern}") of the first "||"-separated URL
// template that the page can fill, and makes it absolute against `baseUrl`;
// empty text when no template could be filled. An invalid regular
// expression in an item raises a ScriptError.
std::u16string ExpandLinkTemplates(std::u16string_view baseUrl, std::u16string_view page,
                                   std::u16string_view templates);

// The replacement escapes: "#13" -> CR, "#10" -> LF, "#space" deleted, each
// only when written exactly so, then replaced in every case.
std::u16string ApplyReplacementEscapes(std::u16string_view replacement);

}  // namespace qv::library
