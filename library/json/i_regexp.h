// I-Regexp (RFC 9485), the interoperable regular expressions of JSONPath's
// match() and search(), translated to a PCRE2 pattern that matches the same
// strings: every literal character becomes \x{...}, "." becomes a class
// without CR and LF, and \p{..} categories pass through.
//
//   IRegexpToPcre("a.c")    // "\x{61}[^\n\r]\x{63}"
//   IRegexpToPcre("\\d")    // nullopt: not an I-Regexp
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qv::library {

// `pattern` is UTF-8; nullopt when it is not an I-Regexp.
std::optional<std::string> IRegexpToPcre(std::string_view pattern);

}  // namespace qv::library
