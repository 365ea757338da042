// Script files read into source text, and compiled script files written
// and read back.
#include "host/compiled_script.h"

#include <gtest/gtest.h>

#include <string>

#include "library/encode/base64.h"
#include "library/encode/cipher.h"
#include "library/encode/gzip.h"
#include "support/codepage.h"
#include "support/errors.h"
#include "support/text.h"

namespace qv::host {
namespace {

// Sets the ANSI code page for one test and restores the process setting.
class AnsiCodePage {
 public:
  explicit AnsiCodePage(CodePage cp) { SetAnsiCodePage(cp); }
  ~AnsiCodePage() { SetAnsiCodePage(kCpAnsi); }
};

std::string Gunzipped(const std::string& gz) {
  std::string out;
  EXPECT_TRUE(library::GunzipBytes(gz, out));
  return out;
}

const std::u16string kIl = u"<?xml version=\"1.0\"?>\r\n<program><var name=\"x\"/></program>";

TEST(CompiledScript, ContainerLayout) {
  AnsiCodePage utf8(kCpUtf8);
  // The key is md5 of the text (version 1) or of its Base64 (2, 3), as a
  // script's md5 and base64encode give it; the body is the text cipher.
  struct Row {
    int version;
    std::string container;
  } rows[] = {
      {1, "QUORVINTER1.0900150983cd24fb0d6963f7d28e17f72WFJT"},
      {2, "QUORVINTER2.0f4c0128178a6a21b7a3dd76729725d91B1YA"},
  };
  for (const Row& r : rows) EXPECT_EQ(Gunzipped(CompiledScriptFile(u"abc", r.version)), r.container);
  EXPECT_TRUE(
      Gunzipped(CompiledScriptFile(u"abc", 3)).starts_with("QUORVINTER3.0f4c0128178a6a21b7a3dd76729725d91"));
  for (int version : {0, 4, -1}) EXPECT_TRUE(CompiledScriptFile(kIl, version).empty());
}

TEST(CompiledScript, ReadsBackEveryVersion) {
  AnsiCodePage utf8(kCpUtf8);
  std::u16string il = kIl + u"<!-- 中文 é \U0001F600 -->";
  for (int version = 1; version <= 3; ++version)
    EXPECT_TRUE(ScriptFileSource(CompiledScriptFile(il, version)) == il);
}

// In GBK only version 3 keeps every character the code page holds: 1 and 2
// cipher the characters themselves, and an "é" combined with a key digit
// is a character GBK lacks.
TEST(CompiledScript, NonAsciiInANarrowCodePage) {
  AnsiCodePage gbk(kCpGbk);
  std::u16string il = kIl + u"中文" + std::u16string(32, u'é');
  EXPECT_TRUE(ScriptFileSource(CompiledScriptFile(il, 3)) == il);
  for (int version : {1, 2}) {
    std::u16string back = ScriptFileSource(CompiledScriptFile(il, version));
    EXPECT_TRUE(back.starts_with(kIl));
    EXPECT_FALSE(back == il);
  }
  // Characters outside the code page become "?" even in version 3.
  EXPECT_TRUE(ScriptFileSource(CompiledScriptFile(u"<a>\u0E01</a>", 3)) == u"<a>?</a>");
}

TEST(CompiledScript, PlainFiles) {
  AnsiCodePage western(kCpWestern);
  EXPECT_TRUE(ScriptFileSource("A<?=1?>\r\n") == u"A<?=1?>\r\n");
  EXPECT_TRUE(ScriptFileSource(library::GzipBytes("A<?=1?>")) == u"A<?=1?>");
  // No byte-order-mark detection: the mark stays, as its ANSI characters.
  EXPECT_TRUE(ScriptFileSource("\xEF\xBB\xBF#language js") == u"\u00EF\u00BB\u00BF#language js");
  EXPECT_TRUE(ScriptFileSource("QUORVINTER4.0x") == u"QUORVINTER4.0x");
  EXPECT_TRUE(ScriptFileSource("") == u"");
}

TEST(CompiledScript, DamagedContainers) {
  AnsiCodePage utf8(kCpUtf8);
  const std::string key = "900150983cd24fb0d6963f7d28e17f72";
  auto body = [&](std::u16string_view plain) { return ToUtf8(library::EncryptText(plain, FromAscii(key))); };
  std::string good = Gunzipped(CompiledScriptFile(kIl, 3));
  const std::string raising[] = {
      "QUORVINTER1.0",
      "QUORVINTER2.0" + key.substr(0, 31),
      "QUORVINTER3.0" + key,
      "QUORVINTER3.0" + key + "!!!!",
      "QUORVINTER3.0" + key + body(u"not Base64 *"),
      "QUORVINTER3.0" + key + body(FromAscii(library::Base64Encode("no gzip"))),
      good.substr(0, good.size() - 8),
  };
  for (const std::string& file : raising) {
    EXPECT_THROW(ScriptFileSource(file), ScriptError) << file;
    EXPECT_THROW(ScriptFileSource(library::GzipBytes(file)), ScriptError) << file;
  }
  // Versions 1 and 2 carry no check: a damaged body deciphers to whatever
  // it gives, and an empty one to empty text.
  EXPECT_TRUE(ScriptFileSource("QUORVINTER1.0" + key).empty());
  EXPECT_NO_THROW(ScriptFileSource("QUORVINTER2.0" + key + "#$%^&*()"));
  // A cut gzip stream is not one: its bytes are the text.
  std::string cut = CompiledScriptFile(kIl, 1).substr(0, 20);
  EXPECT_TRUE(ScriptFileSource(cut) == DecodeAnsi(cut));
}

}  // namespace
}  // namespace qv::host
