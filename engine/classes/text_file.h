// Text files and text streams of the string lists: how their bytes become
// text and back.
//
// On load a byte-order mark picks the encoding (UTF-8 EF BB BF, UTF-16 LE
// FF FE, UTF-16 BE FE FF) and is dropped; without one the bytes are in the
// system ANSI code page. On save the text is written in the encoding it was
// loaded with, its mark first, so a loaded file saves back the same way.
//
//   TextEncoding enc;
//   std::u16string t = DecodeTextBytes("\xEF\xBB\xBFhi", &enc);   // u"hi", Utf8
//   std::string b = EncodeTextBytes(t, enc);                      // "\xEF\xBB\xBFhi"
#pragma once

#include <string>
#include <string_view>

namespace qv {

class Stream;

enum class TextEncoding { Ansi, Utf8, Utf16LE, Utf16BE };

std::u16string DecodeTextBytes(std::string_view bytes, TextEncoding* found = nullptr);

// ANSI text that the code page cannot hold is written as UTF-8 with its mark
// instead, so that saving never turns characters into "?".
std::string EncodeTextBytes(std::u16string_view text, TextEncoding encoding);

// Reads from the stream's position to its end.
std::string ReadRestOfStream(Stream& stream);

}  // namespace qv
