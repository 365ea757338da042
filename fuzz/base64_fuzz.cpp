// Fuzzes the three Base64 decoders with arbitrary characters.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "library/encode/base64.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace qv::library;
  std::string_view in(reinterpret_cast<const char*>(data), size);
  std::string strict = Base64Decode(in);
  if (strict.size() > size / 4 * 3) abort();
  if (!strict.empty() && Base64Decode(Base64Encode(strict)) != strict) abort();
  if (Base64DecodeUntilStop(in).size() > size / 4 * 3) abort();
  Base64BlockDecoder blocks;
  std::string out;
  for (size_t pos = 0; pos < size; pos += 7) blocks.DecodeBlock(in.substr(pos, 7), out);
  if (Base64Decode(Base64Encode(in)) != in) abort();
  return 0;
}
