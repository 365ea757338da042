// The dispatcher's branches for encoders and digests. Each reads its
// arguments as text or as bytes (text through the ANSI code page) and
// returns text or a byte string, as the function's kind says.
#include <algorithm>
#include <cstdint>
#include <string>

#include "library/branches.h"
#include "library/encode/base64.h"
#include "library/encode/cipher.h"
#include "library/encode/escape.h"
#include "library/encode/gzip.h"
#include "library/encode/md5.h"
#include "library/encode/url_coding.h"
#include "library/files/file_read.h"
#include "library/files/file_write.h"
#include "library/files/paths.h"
#include "support/codepage.h"
#include "support/text.h"

namespace qv::library {

namespace {

std::u16string Text(Caller& c, int i) { return ToText(c.GetParam(i)); }
std::string Bytes(Caller& c, int i) { return ToBytes(c.GetParam(i)); }

Value AsciiText(std::string_view ascii) { return Value::Text(FromAscii(ascii)); }

std::string GunzipOrRaise(std::string_view gz) {
  std::string out;
  if (!GunzipBytes(gz, out)) throw ScriptError(u"gzip: data error");
  return out;
}

Value UrlEncodeBranch(Caller& c) {
  const Value& url = c.GetParam(0);
  std::u16string text = url.is_null() ? std::u16string() : ToText(url);
  return Value::Text(UrlEncode(text, ToBool(c.GetParam(1)) ? UrlBytes::Utf8 : UrlBytes::Ansi));
}

Value UrlDecodeBranch(Caller& c) {
  if (ToBool(c.GetParam(1))) return Value::Text(UrlDecodeFormBytes(Bytes(c, 0)));
  return Value::Text(UrlDecodeText(Text(c, 0)));
}

Value Base64EncodeBranch(Caller& c) { return Value::Bytes(Base64Encode(Bytes(c, 0))); }
Value Base64DecodeBranch(Caller& c) { return Value::Bytes(Base64Decode(Bytes(c, 0))); }

std::u16string KeyOrDefault(Caller& c) {
  std::u16string key = Text(c, 1);
  return key.empty() ? std::u16string(u"947") : key;
}
Value EncryptBranch(Caller& c) { return Value::Text(EncryptText(Text(c, 0), KeyOrDefault(c))); }
Value DecryptBranch(Caller& c) { return Value::Text(DecryptText(Text(c, 0), KeyOrDefault(c))); }

Value EscapeBranch(Caller& c) { return Value::Text(Escape(Text(c, 0))); }
Value UnescapeBranch(Caller& c) { return Value::Text(Unescape(Text(c, 0))); }

Value GzDecodeBranch(Caller& c) { return Value::Bytes(GunzipOrRaise(Bytes(c, 0))); }
Value GzEncodeBranch(Caller& c) { return Value::Bytes(GzipBytes(Bytes(c, 0))); }

// The compressed body replaces the file; when compression fails the plain
// bytes are written and the answer is false.
Value GzSaveFileBranch(Caller& c) {
  auto path = ExpandName(Text(c, 0));
  std::string body = Bytes(c, 1);
  bool compressed = true;
  std::string data;
  try {
    data = GzipBytes(body);
  } catch (const std::exception&) {
    compressed = false;
    data = std::move(body);
  }
  return Value::Bool(ReplaceFileContent(path, data) && compressed);
}

// The file's content, decompressed when it is one valid gzip member, as
// ANSI text; empty text for a missing or unreadable file.
Value GzReadFileBranch(Caller& c) {
  std::string raw;
  if (!ReadFileBytes(ExpandName(Text(c, 0)), raw)) return Value::Text(u"");
  std::string plain;
  return Value::Text(DecodeAnsi(GunzipBytes(raw, plain) ? plain : raw));
}

Value GzBase64EncodeBranch(Caller& c) { return Value::Bytes(Base64Encode(GzipBytes(Bytes(c, 0)))); }
Value GzBase64DecodeBranch(Caller& c) { return Value::Bytes(GunzipOrRaise(Base64Decode(Bytes(c, 0)))); }

Value Base64EncodeFileBranch(Caller& c) {
  std::u16string name = Text(c, 0);
  std::string raw;
  if (!ReadFileBytes(ExpandName(name), raw)) throw ScriptError(u"Cannot open file \"" + name + u"\"");
  return AsciiText(Base64Encode(raw));
}

// Decodes in blocks of 65536 characters; the number of bytes written.
Value Base64DecodeFileBranch(Caller& c) {
  std::u16string name = Text(c, 0);
  std::string chars = Bytes(c, 1);
  Base64BlockDecoder decoder;
  std::string out;
  constexpr size_t kBlock = 65536;
  for (size_t pos = 0; pos < chars.size(); pos += kBlock)
    decoder.DecodeBlock(std::string_view(chars).substr(pos, kBlock), out);
  if (!ReplaceFileContent(ExpandName(name), out)) throw ScriptError(u"Cannot create file \"" + name + u"\"");
  return Value::Int(static_cast<int32_t>(std::min<size_t>(out.size(), INT32_MAX)));
}

Value Md5Branch(Caller& c) { return Value::Text(Md5Text(Text(c, 0), ToInt32(c.GetParam(1)))); }
Value Md5FileBranch(Caller& c) {
  return Value::Text(Md5File(ExpandName(Text(c, 0)), ToInt32(c.GetParam(1))));
}

Value Utf8DecodeBranch(Caller& c) {
  std::string bytes = Bytes(c, 0);
  return Value::Text(IsValidUtf8(bytes) ? FromUtf8(bytes) : std::u16string());
}
Value Utf8EncodeBranch(Caller& c) { return Value::Bytes(ToUtf8(Text(c, 0))); }
Value AnsiStringBranch(Caller& c) { return Value::Bytes(Bytes(c, 0)); }

// Image signatures, compared in this order with the raw leading bytes.
struct Signature {
  const char16_t* type;
  std::string_view bytes;
};
constexpr Signature kSignatures[] = {
    {u"GIF", "GIF89"},
    {u"JPG", std::string_view("\xFF\xD8\xFF\xE0\x00\x10JFIF", 10)},
    {u"BMP", "BM"},
    {u"PNG", "\x89PNG\r\n\x1A\n"},
};

// A file of that name is read raw; otherwise the argument is the data.
Value GetImageTypeBranch(Caller& c) {
  const Value& arg = c.GetParam(0);
  std::string head;
  bool fromFile = false;
  if (!arg.is_bytes()) {
    std::u16string name = ToText(arg);
    if (!name.empty() && name.size() < 4096 && name.find(u'\0') == std::u16string::npos) {
      std::error_code ec;
      auto path = ExpandName(name);
      fromFile = std::filesystem::is_regular_file(path, ec) && ReadFileHead(path, 16, head);
    }
  }
  std::string data = fromFile ? std::move(head) : ToBytes(arg);
  for (const Signature& s : kSignatures)
    if (std::string_view(data).substr(0, s.bytes.size()) == s.bytes) return Value::Text(s.type);
  return Value::Text(u"");
}

constexpr Branch kBranches[] = {
    {u"URLENCODE", UrlEncodeBranch},
    {u"URLDECODE", UrlDecodeBranch},
    {u"BASE64ENCODE", Base64EncodeBranch},
    {u"BASE64DECODE", Base64DecodeBranch},
    {u"ENCRYPT", EncryptBranch},
    {u"DECRYPT", DecryptBranch},
    {u"ESCAPE", EscapeBranch},
    {u"UNESCAPE", UnescapeBranch},
    {u"GZDECODE", GzDecodeBranch},
    {u"GZENCODE", GzEncodeBranch},
    {u"GZSAVEFILE", GzSaveFileBranch},
    {u"GZREADFILE", GzReadFileBranch},
    {u"GZBASE64ENCODE", GzBase64EncodeBranch},
    {u"GZBASE64DECODE", GzBase64DecodeBranch},
    {u"BASE64ENCODEFILE", Base64EncodeFileBranch},
    {u"BASE64DECODEFILE", Base64DecodeFileBranch},
    {u"MD5", Md5Branch},
    {u"MD5FILE", Md5FileBranch},
    {u"UTF8DECODE", Utf8DecodeBranch},
    {u"UTF8ENCODE", Utf8EncodeBranch},
    {u"ANSISTRING", AnsiStringBranch},
    {u"GETIMAGETYPE", GetImageTypeBranch},
};

}  // namespace

std::span<const Branch> EncoderBranches() { return kBranches; }

}  // namespace qv::library
