// Replace-all passes with fixed patterns, shared by the HTML functions.
#pragma once

#include <string>
#include <string_view>

#include "support/regex.h"

namespace qv::library::html {

enum class PassResult { Unchanged, Replaced, Stopped };

// Replaces every match of `rx`'s pattern in `text` (UTF-8) by `tmpl`. A pass
// that PCRE2's match, depth or heap limit stops leaves `text` as it was and
// says Stopped. The object's subject is emptied afterwards, so a cached
// object keeps no page alive.
PassResult ReplacePass(TQvRegEx& rx, std::string& text, std::string_view tmpl);

}  // namespace qv::library::html
