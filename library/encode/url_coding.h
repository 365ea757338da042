// Percent-encoding of URLs and form values.
//
//   UrlEncode(u"a b&c")            == u"a%20b%26c"
//   UrlEncode(u"中", UrlBytes::Utf8) == u"%E4%B8%AD"
//   UrlDecode(u"a+b%20c", UrlBytes::Utf8) == u"a b c"
//   UrlDecode(u"a+b%E4%B8%AD")     == u"a+b中"
#pragma once

#include <string>
#include <string_view>

namespace qv::library {

// Which bytes a character stands for: its UTF-8 bytes, or its bytes in the
// ANSI code page.
enum class UrlBytes { Ansi, Utf8 };

// Letters, digits, "-", "." and "_" stay; a space is "%20"; every other byte
// is "%" and two upper-case hexadecimal digits.
std::u16string UrlEncode(std::u16string_view text, UrlBytes bytes = UrlBytes::Ansi);

// Form decoding of a byte string: "%XX" is a byte, "+" a space, an escape
// without two hexadecimal digits is dropped; the bytes are UTF-8 and the
// result ends before the first U+0000. Malformed UTF-8 gives empty text.
std::u16string UrlDecodeFormBytes(std::string_view bytes);

// URI decoding of text: "%XX" is a byte and "%uXXXX" a character, the bytes
// of neighbouring escapes are read as UTF-8 (U+FFFD where malformed), an
// escape without valid digits is dropped, "+" and every other character stay
// as they are.
std::u16string UrlDecodeText(std::u16string_view text);

// UrlBytes::Utf8 decodes the text's ANSI bytes as UrlDecodeFormBytes does;
// UrlBytes::Ansi is UrlDecodeText.
std::u16string UrlDecode(std::u16string_view text, UrlBytes bytes = UrlBytes::Ansi);

}  // namespace qv::library
