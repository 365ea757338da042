// The INI reader and writer: lookups without regard to case, edits in place
// that keep every other line, encodings kept, hostile files.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "library/files/ini_file.h"
#include "library/files/paths.h"
#include "support/codepage.h"
#include "temp_folder.h"

namespace qv::library {
namespace {

TEST(IniFile, Lookups) {
  IniFile ini(
      u"; comment\r\n[Main]\r\n Name = some value \r\nQuoted=\"q v\"\r\nSingle='s'\r\nEmpty=\r\n"
      u"[ Spaced ]\r\nk=1\r\n[main]\r\nName=second section of the name\r\n");
  struct Row {
    std::u16string section, key;
    std::optional<std::u16string> value;
  } rows[] = {
      {u"main", u"NAME", u"some value"}, {u"Main", u"quoted", u"q v"},
      {u"Main", u"Single", u"s"},        {u"Main", u"Empty", u""},
      {u"Spaced", u"k", u"1"},           {u"Main", u"k", std::nullopt},
      {u"None", u"Name", std::nullopt},  {u"Main", u"; comment", std::nullopt},
  };
  for (const auto& r : rows) EXPECT_EQ(ini.Get(r.section, r.key), r.value);
}

TEST(IniFile, EditsKeepOtherLinesAndOrder) {
  struct Row {
    std::u16string before, section, key, value, after;
  } rows[] = {
      {u"[A]\nx=1\ny=2\n", u"a", u"X", u"9", u"[A]\nx=9\ny=2\n"},
      {u"[A]\nx=1\n\n[B]\nz=3\n", u"A", u"new", u"v", u"[A]\nx=1\nnew=v\n\n[B]\nz=3\n"},
      {u"[A]\r\nx=1\r\n", u"B", u"k", u"v", u"[A]\r\nx=1\r\n[B]\r\nk=v\r\n"},
      {u"", u"S", u"K", u"V", u"[S]\nK=V\n"},
      {u"junk line\n[A]", u"A", u"k", u"", u"junk line\n[A]\nk="},
  };
  for (const auto& r : rows) {
    IniFile ini(r.before);
    ini.Set(r.section, r.key, r.value);
    EXPECT_EQ(ini.Text(), r.after);
  }
}

TEST(IniFile, HostileFilesParse) {
  std::u16string garbage;
  for (int i = 0; i < 5000; ++i) garbage += static_cast<char16_t>((i * 7919) % 0xD7FF);
  IniFile g(garbage);
  g.Set(u"S", u"k", u"v");
  EXPECT_EQ(IniFile(g.Text()).Get(u"S", u"k"), u"v");

  std::u16string many;
  for (int i = 0; i < 100000; ++i)
    many += u"[s" + std::u16string(1, static_cast<char16_t>(u'a' + i % 26)) + u"]\nk=1\n";
  IniFile big(many);
  EXPECT_EQ(big.Get(u"sz", u"k"), u"1");
  big.Set(u"last", u"k", u"2");
  EXPECT_EQ(big.Get(u"LAST", u"K"), u"2");
}

std::string Slurp(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(IniFile, FilesKeepTheirEncoding) {
  TempFolder dir;
  auto file = dir / "u16.ini";
  std::ofstream(file, std::ios::binary) << std::string("\xFF\xFE[\0A\0]\0\n\0k\0=\0\x2D\x4E\n\0", 18);
  EXPECT_EQ(ReadIniValue(PathText(file), u"a", u"K"), u"\u4E2D");
  ASSERT_TRUE(WriteIniValue(PathText(file), u"A", u"k", u"x"));
  EXPECT_EQ(Slurp(file), std::string("\xFF\xFE[\0A\0]\0\n\0k\0=\0x\0\n\0", 18));
  EXPECT_FALSE(WriteIniValue(PathText(dir / "no/such/folder.ini"), u"A", u"k", u"x"));
  EXPECT_EQ(ReadIniValue(PathText(dir / "missing.ini"), u"A", u"k"), std::nullopt);
}

// A value the ANSI code page cannot hold turns the file into UTF-8 with its
// mark instead of being saved as "?".
TEST(IniFile, AnsiFileTakesAMarkRatherThanLoseCharacters) {
  struct CodePageScope {
    CodePageScope() { SetAnsiCodePage(kCpGbk); }
    ~CodePageScope() { SetAnsiCodePage(kCpAnsi); }
  } gbk;
  TempFolder dir;
  auto file = dir / "ansi.ini";
  std::ofstream(file, std::ios::binary) << "[A]\r\nk=\xD6\xD0\r\n";  // GBK
  ASSERT_TRUE(WriteIniValue(PathText(file), u"A", u"j", u"\u4E2D"));
  EXPECT_EQ(Slurp(file), "[A]\r\nk=\xD6\xD0\r\nj=\xD6\xD0\r\n");
  ASSERT_TRUE(WriteIniValue(PathText(file), u"A", u"e", u"\U0001F600"));
  EXPECT_TRUE(Slurp(file).starts_with("\xEF\xBB\xBF[A]"));
  EXPECT_EQ(ReadIniValue(PathText(file), u"A", u"e"), u"\U0001F600");
  EXPECT_EQ(ReadIniValue(PathText(file), u"A", u"k"), u"\u4E2D");
}

}  // namespace
}  // namespace qv::library
