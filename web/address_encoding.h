// Addresses on their way to the wire.
//
//   EncodeAddress(u"http://h/搜索?q=中", u"GBK")   == u"http://h/%CB%D1%CB%F7?q=%D6%D0"
//   EncodeAddress(u"http://h/中", u"CHECK")        == u"http://h/%E4%B8%AD"
//   WireUrl(u"http://h/a b")                       == "http://h/a%20b"
#pragma once

#include <string>
#include <string_view>

namespace qv::web {

// The download's address encoding: only an address with a character above
// U+00B0 is touched. With the character set GB2312 or GBK (any case) every
// such character becomes "%XX" per GBK byte (GB18030, the superset) and the
// rest stays; with any other character set every non-ASCII character
// becomes "%XX" per UTF-8 byte.
std::u16string EncodeAddress(std::u16string_view url, std::u16string_view charSet);

// The UTF-8 bytes libcurl is given: spaces, control characters and
// non-ASCII bytes percent-encoded, everything else as it stands.
std::string WireUrl(std::u16string_view url);

// True for an absolute http or https address (any case).
bool IsHttpUrl(std::u16string_view url);

}  // namespace qv::web
