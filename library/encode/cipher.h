// The text cipher of Encrypt and Decrypt and of compiled script files: each
// UTF-16 code unit is combined with the key's code units in turn by
// exclusive or, the result goes to bytes through the ANSI code page, and
// those bytes are written as Base64.
//
//   DecryptText(EncryptText(u"text", u"947"), u"947") == u"text"
//
// A code unit that the ANSI code page cannot hold does not survive; ASCII
// text with an ASCII key always does.
#pragma once

#include <string>
#include <string_view>

namespace qv::library {

// An empty key leaves the code units as they are.
std::u16string EncryptText(std::u16string_view source, std::u16string_view key);

// Only complete groups of four Base64 characters are read, up to the first
// "=" or character outside the alphabet.
std::u16string DecryptText(std::u16string_view source, std::u16string_view key);

}  // namespace qv::library
