// The wire between RunJs and its helper process qvjs. Both ends run on the
// same machine from the same build.
//
// Request (host → qvjs): the code, then the expression, each as a 64-bit
// byte count in native order followed by its bytes.
// Reply (qvjs → host): one status byte (kJsOk or kJsFailed), then on success
// the result text's bytes up to the end of the stream.
//
// Texts travel as CESU-8: every UTF-16 unit encoded on its own as UTF-8
// would encode that code point. That is the engine's own string form, it
// equals UTF-8 for text without surrogates, and it carries every UTF-16
// string (lone surrogates included) unchanged.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qv::host {

inline constexpr unsigned char kJsOk = 0;
inline constexpr unsigned char kJsFailed = 1;

std::string EncodeCesu8(std::u16string_view text);
// Also reads four-byte UTF-8 sequences (as surrogate pairs); a byte that
// starts no valid sequence becomes U+FFFD.
std::u16string DecodeCesu8(std::string_view bytes);

// Appends a length-prefixed field to a request.
void AppendField(std::string& request, std::string_view field);

}  // namespace qv::host
