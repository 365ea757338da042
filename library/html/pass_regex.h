// Replace-all passes with fixed patterns, shared by the HTML functions.
#pragma once

#include <string>
#include <string_view>

#include "support/regex.h"

namespace qv::library::html {

enum class PassResult { Unchanged, Replaced, Stopped };

// Where matches of a pass can lie: anywhere, or (for a pattern that ends
// with ">", lazy repeats aside) only up to the last ">" of the text. Text
// after the last ">" is then not searched, so a page of "<p" without any
// ">" is not read again from every "<".
enum class PassScope { Whole, ToLastTagEnd };

// Replaces every match of `rx`'s pattern in `text` by `tmpl`. `text` must be
// well-formed UTF-8 (made by ToUtf8 and cut only at characters): it is not
// checked again. A pass
// that PCRE2's match, depth or heap limit stops leaves `text` as it was and
// says Stopped. The object's subject is emptied afterwards, so a cached
// object keeps no page alive.
//
// The result is built in one pass, as the object's ReplaceAll does for
// patterns that cannot look behind a match's start; the patterns here never
// do unless they hold "^" as an anchor, which goes to ReplaceAll itself.
//
// `spare`, when given, is a buffer the result may be built in; it gets the
// text's old buffer back. Passes in a row so reuse two buffers instead of
// taking fresh memory each time.
PassResult ReplacePass(TQvRegEx& rx, std::string& text, std::string_view tmpl,
                       PassScope scope = PassScope::Whole, std::string* spare = nullptr);

}  // namespace qv::library::html
