// The "%u" escapes of scripts: every UTF-16 code unit that is not a letter or
// a digit becomes "%XX" (below 256) or "%uXXXX".
//
//   Escape(u"a b中")           == u"a%20b%u4E2D"
//   Unescape(u"%u4e2d%41\\u0041") == u"中AA"
//   Unescape(u"100%")          == u"100%"     (no valid digits: kept as is)
#pragma once

#include <string>
#include <string_view>

namespace qv::library {

std::u16string Escape(std::u16string_view text);

// "%" or "\" followed by "u" and four hexadecimal digits, or by two
// hexadecimal digits, is one code unit; any other "%" or "\" is kept
// literally, so paths and percentages survive.
std::u16string Unescape(std::u16string_view text);

}  // namespace qv::library
