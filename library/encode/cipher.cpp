#include "library/encode/cipher.h"

#include "library/encode/base64.h"
#include "support/codepage.h"
#include "support/text.h"

namespace qv::library {

namespace {

std::u16string CombineWithKey(std::u16string text, std::u16string_view key) {
  if (key.empty()) return text;
  for (size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char16_t>(text[i] ^ key[i % key.size()]);
  return text;
}

}  // namespace

std::u16string EncryptText(std::u16string_view source, std::u16string_view key) {
  std::u16string mixed = CombineWithKey(std::u16string(source), key);
  std::string coded = Base64Encode(EncodeAnsi(mixed));
  return FromAscii(coded);
}

std::u16string DecryptText(std::u16string_view source, std::u16string_view key) {
  std::string bytes = Base64DecodeUntilStop(EncodeAnsi(source));
  return CombineWithKey(DecodeAnsi(bytes), key);
}

}  // namespace qv::library
