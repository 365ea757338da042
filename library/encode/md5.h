// MD5 digests as lower-case hexadecimal text (OpenSSL's EVP digest).
//
//   Md5Text(u"abc")     == u"900150983cd24fb0d6963f7d28e17f72"
//   Md5Text(u"abc", 16) == u"900150983cd24fb0"
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace qv::library {

// The first `len` of the 32 digits of the MD5 of the bytes (all 32 when len
// is 32 or more, none when it is 0 or less).
std::u16string Md5Bytes(std::string_view bytes, int len = 32);

// The digest of the text's UTF-8 bytes, so that texts that differ only in
// non-ASCII characters never share a digest.
std::u16string Md5Text(std::u16string_view text, int len = 32);

// The digest of a file, read in blocks (constant memory); empty text when
// the file cannot be opened or read.
std::u16string Md5File(const std::filesystem::path& path, int len = 32);

}  // namespace qv::library
