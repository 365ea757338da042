// Decoding of "&#" character references, as HtmlToText does it.
//
//   DecodeNumericReferences(u"&#65;&#66;")      == u"AB"
//   DecodeNumericReferences(u"&#128512;")       == u"\U0001F600" (a surrogate pair)
//   DecodeNumericReferences(u"&#x41;")          == u"&#41;"  (hexadecimal is not decoded)
//   DecodeNumericReferences(u"&#65 and")        == u"A and"
#pragma once

#include <string>
#include <string_view>

namespace qv::library {

// Up to seven decimal digits after "&#" give one character; a ";" right after
// them is consumed. A code above U+10FFFF or a run of more than seven digits
// leaves the reference as it is; a surrogate code gives U+FFFD. When no digit
// follows, "&#" is copied and the next character (a whole one, also
// outside the BMP) skipped.
std::u16string DecodeNumericReferences(std::u16string_view text);

// The same on well-formed UTF-8, in place, for a text that FromUtf8 turns
// into UTF-16 afterwards.
void DecodeNumericReferencesUtf8(std::string& text);

}  // namespace qv::library
