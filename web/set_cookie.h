// The cookies a response sets, as the client's getCookie builds them from
// the raw header lines: every "Set-Cookie: " line contributes the text up
// to its first ";", or to its end when it has none (name and value joined
// by "="), followed by "; "; the whole is trimmed, so a non-empty result
// ends in ";".
//
//   CookiesOfHeaders(u"Set-Cookie: x=1; path=/\r\nSet-Cookie: y=2; path=/\r\n")
//       == u"x=1; y=2;"
#pragma once

#include <string>
#include <string_view>

namespace qv::web {

std::u16string CookiesOfHeaders(std::u16string_view rawHeaders);

}  // namespace qv::web
