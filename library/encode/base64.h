// Base64 with the standard alphabet, "=" padding and no line breaks.
//
//   Base64Encode("abcd")        == "YWJjZA=="
//   Base64Decode("YWJjZA==")    == "abcd"
//   Base64Decode("YWJjZ")       == ""   (not a multiple of four)
#pragma once

#include <string>
#include <string_view>

namespace qv::library {

std::string Base64Encode(std::string_view bytes);

// Strict decoding: empty when the length is 0 or not a multiple of four, or
// when a character is outside the alphabet or "=" stands anywhere but in
// the last one or two places. No white space is skipped.
std::string Base64Decode(std::string_view chars);

// The lenient decoding of the text cipher: only complete groups of four
// characters count, and decoding stops at the first "=" or character
// outside the alphabet (the bytes complete before it are kept).
std::string Base64DecodeUntilStop(std::string_view chars);

// Incremental decoding for files: carriage returns and line feeds are
// skipped, and the first other character outside the alphabet ends the
// current block; bits carry over from block to block.
class Base64BlockDecoder {
 public:
  // Decodes one block and appends its bytes to `out`.
  void DecodeBlock(std::string_view block, std::string& out);

 private:
  unsigned bits_ = 0;
  int count_ = 0;
};

}  // namespace qv::library
