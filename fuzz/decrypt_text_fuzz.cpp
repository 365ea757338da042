// Fuzzes the text cipher's decryption with arbitrary text and keys, and
// checks that ASCII text survives a round trip.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "library/encode/cipher.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace qv::library;
  if (size == 0) return 0;
  size_t keyLen = data[0] % 8;
  std::u16string key, text;
  for (size_t i = 1; i < size; ++i) (i <= keyLen ? key : text) += static_cast<char16_t>(data[i]);
  DecryptText(text, key);
  std::u16string ascii, asciiKey;
  for (char16_t c : text) ascii += static_cast<char16_t>(c & 0x7F);
  for (char16_t c : key) asciiKey += static_cast<char16_t>(c & 0x7F);
  if (DecryptText(EncryptText(ascii, asciiKey), asciiKey) != ascii) abort();
  return 0;
}
