// Removal of whole elements by a pattern of the form "<" name ... "</" name
// ">" (the name a back reference), in linear time.
//
// Run as one replace-all, such a pattern tries every "<" of the page and,
// for an element that is never closed, reads on to the end of the page each
// time: a page of unclosed <option> tags takes time quadratic in its length.
// Here the pattern runs anchored, and only at a "<" where the closing tag of
// a name that fits still follows; everywhere else it could not match. The
// result is the replace-all's result.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "library/html/pass_regex.h"
#include "support/regex.h"

namespace qv::library::html {

struct ElementShape {
  // The names the pattern accepts, lower-case, in its order; empty: any run
  // of word characters (and each shorter start of it).
  std::vector<std::string_view> names;
  // The content starts at the tag's first ">" (true) or right after the name.
  bool contentAfterTagEnd = false;
  // A word the tag must hold between the name and its ">", lower-case.
  std::string_view tagWord;
};

// Removes every match of `anchored`'s pattern (compiled with preAnchored)
// from `text`, well-formed UTF-8 as for ReplacePass. A pass that PCRE2's
// limits stop leaves the text as it was and says Stopped. `spare` as for
// ReplacePass.
PassResult RemoveElements(TQvRegEx& anchored, std::string& text, const ElementShape& shape,
                          std::string* spare = nullptr);

}  // namespace qv::library::html
