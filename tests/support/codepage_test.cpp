#include "support/codepage.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace qv {
namespace {

TEST(CodePage, DecodeAndEncodeRows) {
  struct Row {
    CodePage cp;
    std::string bytes;
    std::u16string text;
  } rows[] = {
      {kCpUtf8, "\xE4\xB8\xAD!", u"中!"},
      {kCpGbk, "\xD6\xD0\xCE\xC4", u"中文"},
      {kCpBig5, "\xA4\xA4\xA4\xE5", u"中文"},
      {kCpUtf16LE, std::string{'\x2D', '\x4E', 'a', '\0'}, u"中a"},
      {kCpUtf16BE, std::string{'\x4E', '\x2D', '\0', 'a'}, u"中a"},
      {kCpWestern, "\x80\xE9", u"€é"},
      {kCpLatin1, "\xE9", u"é"},
      {kCpGb18030, "\x81\x30\x81\x30", u"\u0080"},
  };
  for (const auto& r : rows) {
    EXPECT_EQ(DecodeBytes(r.bytes, r.cp), r.text) << r.cp.id;
    EXPECT_EQ(EncodeText(r.text, r.cp), r.bytes) << r.cp.id;
  }
}

TEST(CodePage, NeverFails) {
  EXPECT_EQ(EncodeText(u"中", kCpWestern), "?");
  EXPECT_EQ(DecodeBytes("\xFF", kCpUtf8), u"\uFFFD");
  EXPECT_EQ(DecodeBytes("a\x81", kCpGbk).substr(0, 1), u"a");
  EXPECT_EQ(DecodeBytes(std::string("\x41", 1), kCpUtf16LE), u"\uFFFD");
  std::string big(100000, '\xD6');
  EXPECT_FALSE(DecodeBytes(big, kCpGbk).empty());
}

TEST(CodePage, Names) {
  struct Row {
    const char* name;
    uint32_t id;
  } rows[] = {{"GBK", 936},    {"gb2312", 936},       {"936", 936},        {"UTF-8", 65001},
              {"utf8", 65001}, {"BIG5", 950},         {"950", 950},        {"windows-1252", 1252},
              {"1252", 1252},  {"ISO-8859-1", 28591}, {"  utf-8 ", 65001}, {"cp1251", 1251}};
  for (const auto& r : rows) {
    auto cp = CodePageFromName(r.name);
    ASSERT_TRUE(cp.has_value()) << r.name;
    EXPECT_EQ(cp->id, r.id) << r.name;
  }
  EXPECT_FALSE(CodePageFromName("no-such-charset").has_value());
  EXPECT_FALSE(CodePageFromName("").has_value());
  auto sjis = CodePageFromName("Shift_JIS");
  ASSERT_TRUE(sjis.has_value());
  EXPECT_EQ(DecodeBytes("\x82\xA0", *sjis), u"あ");
  auto mac = CodePageFromName("macintosh");  // no Windows number: one of its own
  ASSERT_TRUE(mac.has_value());
  EXPECT_GE(mac->id, 0x10000u);
  EXPECT_EQ(CodePageFromName("MACINTOSH")->id, mac->id);
  EXPECT_EQ(DecodeBytes("\x8E", *mac), u"é");
}

TEST(CodePage, AnsiFromTheEnvironment) {
  CodePage saved = AnsiCodePage();
  ::setenv("QUORVINT_CODEPAGE", "936", 1);
  SetAnsiCodePage(kCpAnsi);
  EXPECT_EQ(AnsiCodePage(), kCpGbk);
  EXPECT_EQ(EncodeAnsi(u"中"), "\xD6\xD0");
  EXPECT_EQ(DecodeAnsi("\xD6\xD0"), u"中");
  ::setenv("QUORVINT_CODEPAGE", "Big5", 1);
  SetAnsiCodePage(kCpAnsi);
  EXPECT_EQ(AnsiCodePage(), kCpBig5);
  ::unsetenv("QUORVINT_CODEPAGE");
  ::setenv("LC_ALL", "C", 1);
  SetAnsiCodePage(kCpAnsi);
  EXPECT_EQ(AnsiCodePage(), kCpUtf8);  // the ASCII "C" locale counts as no setting
  ::setenv("LC_ALL", "zh_CN.GBK", 1);  // read from the name even when not installed
  SetAnsiCodePage(kCpAnsi);
  EXPECT_EQ(AnsiCodePage(), kCpGbk);
  ::unsetenv("LC_ALL");
  SetAnsiCodePage(saved);
  EXPECT_EQ(ResolveCodePage(kCpAnsi), saved);
}

}  // namespace
}  // namespace qv
