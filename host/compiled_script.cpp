#include "host/compiled_script.h"

#include "library/encode/base64.h"
#include "library/encode/cipher.h"
#include "library/encode/gzip.h"
#include "library/encode/md5.h"
#include "support/codepage.h"
#include "support/errors.h"
#include "support/text.h"

namespace qv::host {

namespace {

using library::Base64Decode;
using library::Base64Encode;
using library::DecryptText;
using library::EncryptText;
using library::GunzipBytes;
using library::GzipBytes;
using library::Md5Text;

// Header, key and body of a container, in characters.
constexpr size_t kHeaderLength = 13;
constexpr size_t kKeyLength = 32;
constexpr std::u16string_view kHeaderStem = u"QUORVINTER";

// "QUORVINTER1.0" for version 1.
std::u16string Header(int version) {
  std::u16string header(kHeaderStem);
  header += static_cast<char16_t>(u'0' + version);
  header += u".0";
  return header;
}

// 1, 2 or 3 for a container header at the start of `text`, else 0.
int ContainerVersion(std::u16string_view text) {
  for (int version = 1; version <= 3; ++version)
    if (text.substr(0, kHeaderLength) == Header(version)) return version;
  return 0;
}

[[noreturn]] void Damaged(std::u16string_view why) {
  throw ScriptError(u"Compiled script file is damaged: " + std::u16string(why));
}

// Base64 of the text's ANSI bytes, as the library's base64encode gives it.
std::u16string Base64Text(std::string_view bytes) { return FromAscii(Base64Encode(bytes)); }

// Version 3 ciphers base64(gzip(ANSI bytes)) instead of the text itself.
std::u16string UnpackVersion3(std::u16string_view deciphered) {
  std::string packed = Base64Decode(EncodeAnsi(deciphered));
  std::string plain;
  if (packed.empty() && !deciphered.empty()) Damaged(u"the body is not Base64 text");
  if (!GunzipBytes(packed, plain)) Damaged(u"the body holds no valid gzip data");
  return DecodeAnsi(plain);
}

}  // namespace

std::u16string ScriptFileSource(std::string_view fileBytes) {
  std::string unpacked;
  std::u16string text = DecodeAnsi(GunzipBytes(fileBytes, unpacked) ? std::string_view(unpacked) : fileBytes);
  int version = ContainerVersion(text);
  if (version == 0) return text;
  if (text.size() < kHeaderLength + kKeyLength) Damaged(u"the key is incomplete");
  std::u16string_view key = std::u16string_view(text).substr(kHeaderLength, kKeyLength);
  std::u16string source = DecryptText(std::u16string_view(text).substr(kHeaderLength + kKeyLength), key);
  return version == 3 ? UnpackVersion3(source) : source;
}

std::string CompiledScriptFile(std::u16string_view il, int version) {
  if (version < 1 || version > 3) return {};
  std::string ansi = EncodeAnsi(il);
  // The key is what md5(IL) or md5(base64encode(IL)) gives a script.
  std::u16string key = version == 1 ? Md5Text(il) : Md5Text(Base64Text(ansi));
  std::u16string container = Header(version) + key;
  container += version == 3 ? EncryptText(Base64Text(GzipBytes(ansi)), key) : EncryptText(il, key);
  return GzipBytes(ToUtf8(container));
}

}  // namespace qv::host
