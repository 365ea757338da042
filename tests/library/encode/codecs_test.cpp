// The encoders that other subsystems call directly: escapes, URL coding,
// Base64, MD5 and gzip, with known layouts and hostile input.
#include <gtest/gtest.h>

#include <string>

#include "library/encode/base64.h"
#include "library/encode/escape.h"
#include "library/encode/gzip.h"
#include "library/encode/md5.h"
#include "library/encode/url_coding.h"
#include "support/codepage.h"
#include "support/text.h"

namespace qv::library {
namespace {

TEST(Escape, KnownForms) {
  struct Row {
    std::u16string in, escaped;
  } rows[] = {
      {u"A1", u"A1"},      {u" ", u"%20"}, {u"\u4E2D", u"%u4E2D"}, {u"@*_+-./", u"%40%2A%5F%2B%2D%2E%2F"},
      {u"\u00E9", u"%E9"}, {u"", u""},
  };
  for (const auto& r : rows) {
    EXPECT_EQ(Escape(r.in), r.escaped);
    EXPECT_EQ(Unescape(r.escaped), r.in);
  }
}

TEST(Unescape, ValidEscapesDecodeAndStrayOnesStay) {
  struct Row {
    std::u16string in, out;
  } rows[] = {
      {u"%u4e2d%41", u"\u4E2DA"},
      {u"\\u0041", u"A"},
      {u"\\x41", u"\\x41"},
      {u"100%", u"100%"},
      {u"C:\\dir\\file", u"C:\\dir\\file"},
      {u"%4", u"%4"},
      {u"%u12", u"%u12"},      // too short for "u": then "%u1" is no pair either
      {u"%U0041", u"%U0041"},  // only a lower-case u starts four digits
      {u"%%41", u"%A"},
      {u"\\\\", u"\\\\"},
      {u"%ud83d%ude00", u"\U0001F600"},
  };
  for (const auto& r : rows) EXPECT_EQ(Unescape(r.in), r.out) << ToUtf8(r.in);
}

TEST(UrlCoding, EncodeBothByteForms) {
  EXPECT_EQ(UrlEncode(u"a b&c"), u"a%20b%26c");
  EXPECT_EQ(UrlEncode(u"~*+-._"), u"%7E%2A%2B-._");
  EXPECT_EQ(UrlEncode(u"\u4E2D", UrlBytes::Utf8), u"%E4%B8%AD");
  SetAnsiCodePage(kCpGbk);
  EXPECT_EQ(UrlEncode(u"\u4E2D"), u"%D6%D0");
  EXPECT_EQ(UrlDecode(u"%D6%D0", UrlBytes::Utf8), u"");  // GBK bytes are not UTF-8
  SetAnsiCodePage(kCpAnsi);
}

TEST(UrlCoding, DecodeUtf8Form) {
  struct Row {
    std::string in;
    std::u16string out;
  } rows[] = {
      {"a+b%20c", u"a b c"},
      {"%E4%B8%AD", u"\u4E2D"},
      {"x%zzy", u"xy"},  // an invalid escape is dropped whole
      {"ab%4", u"ab"},
      {"a%00b", u"a"},  // ends before U+0000
      {"%C3%28", u""},  // malformed UTF-8
      {"", u""},
  };
  for (const auto& r : rows) EXPECT_EQ(UrlDecodeFormBytes(r.in), r.out) << r.in;
  std::string longForm;
  for (int i = 0; i < 20000; ++i) longForm += "%41";
  EXPECT_EQ(UrlDecodeFormBytes(longForm).size(), 20000u);  // no length cap
}

TEST(UrlCoding, DecodeTextKeepsOtherCharacters) {
  struct Row {
    std::u16string in, out;
  } rows[] = {
      {u"a+b", u"a+b"},          {u"\u4E2D%41", u"\u4E2DA"},
      {u"%E4%B8%AD", u"\u4E2D"}, {u"%u4E2D%U0041", u"\u4E2DA"},
      {u"%FFx", u"\uFFFDx"},     {u"%F0%A9%A1%09", u"\uFFFD\t"},  // one replacement for the cut sequence
      {u"x%zzy", u"xy"},         {u"%ud83d%ude00", u"\U0001F600"},
  };
  for (const auto& r : rows) EXPECT_EQ(UrlDecodeText(r.in), r.out) << ToUtf8(r.in);
}

TEST(Base64, KnownVectorsAndRoundTrip) {
  struct Row {
    std::string plain, coded;
  } rows[] = {{"", ""},
              {"f", "Zg=="},
              {"fo", "Zm8="},
              {"foo", "Zm9v"},
              {"foob", "Zm9vYg=="},
              {"fooba", "Zm9vYmE="},
              {"foobar", "Zm9vYmFy"},
              {std::string("\0\xFF\x80", 3), "AP+A"}};
  for (const auto& r : rows) {
    EXPECT_EQ(Base64Encode(r.plain), r.coded);
    EXPECT_EQ(Base64Decode(r.coded), r.plain);
  }
  std::string all;
  for (int i = 0; i < 256 * 3; ++i) all += static_cast<char>(i * 7);
  EXPECT_EQ(Base64Decode(Base64Encode(all)), all);
}

TEST(Base64, StrictDecodeRejects) {
  for (std::string bad : {"Zm9vY", "Zm9", "Zm=v", "Zg==Zg==", "Zm9v\nYmFy", "Zm9*", "A===", "===="})
    EXPECT_EQ(Base64Decode(bad), "") << bad;
}

TEST(Base64, LenientFormsStop) {
  EXPECT_EQ(Base64DecodeUntilStop("Zm9vYmFyZg"), "foobar");  // incomplete group ignored
  EXPECT_EQ(Base64DecodeUntilStop("Zg==Zm9v"), "f");
  EXPECT_EQ(Base64DecodeUntilStop("Zm9"), "");
  Base64BlockDecoder dec;
  std::string out;
  dec.DecodeBlock("Zm9v\r\nYmFy=Zm9v", out);  // stops at "=" in this block
  dec.DecodeBlock("YmF6", out);
  EXPECT_EQ(out, "foobarbaz");
}

TEST(Md5, KnownDigests) {
  EXPECT_EQ(Md5Text(u"abc"), u"900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(Md5Text(u"abc", 16), u"900150983cd24fb0");
  EXPECT_EQ(Md5Text(u"abc", 0), u"");
  EXPECT_EQ(Md5Text(u"abc", 99), u"900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(Md5Text(u""), u"d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(Md5Text(u"\u4E2D"), Md5Bytes("\xE4\xB8\xAD"));
  EXPECT_NE(Md5Text(u"\u4E2D\u6587"), Md5Text(u"\u82F1\u6587"));  // no "?" collisions
  EXPECT_EQ(Md5File("/nonexistent/qv-file"), u"");
}

TEST(Gzip, LayoutOfOneMember) {
  std::string gz = GzipBytes("hello");
  ASSERT_GE(gz.size(), 18u);
  EXPECT_EQ(gz.substr(0, 10), std::string("\x1F\x8B\x08\0\0\0\0\0\0\0", 10));
  EXPECT_EQ(gz.substr(gz.size() - 8), std::string("\x86\xA6\x10\x36\x05\0\0\0", 8));  // CRC-32, length
  std::string back;
  ASSERT_TRUE(GunzipBytes(gz, back));
  EXPECT_EQ(back, "hello");
}

TEST(Gzip, RoundTripsAndTrailingBytes) {
  std::string big;
  for (int i = 0; i < 100000; ++i) big += "<p>line " + std::to_string(i) + "</p>\n";
  for (const std::string& s : {std::string(), std::string("a"), big}) {
    std::string back;
    ASSERT_TRUE(GunzipBytes(GzipBytes(s) + "trailing junk", back));
    EXPECT_EQ(back, s);
  }
}

TEST(Gzip, PiecesGiveTheSameMemberAsTheWhole) {
  std::string big;
  for (int i = 0; i < 200000; ++i) big += "<td>" + std::to_string(i * 7919) + "</td>";
  std::string streamed;
  GzipWriter gz([&](std::string_view bytes) { streamed += bytes; });
  for (size_t pos = 0; pos < big.size(); pos += 100003) gz.Write(std::string_view(big).substr(pos, 100003));
  gz.Write("");
  gz.Finish();
  EXPECT_EQ(streamed, GzipBytes(big));
  std::string back;
  ASSERT_TRUE(GunzipBytes(streamed, back));
  EXPECT_EQ(back, big);
}

TEST(Gzip, DamagedDataIsAnError) {
  std::string gz = GzipBytes("some text to compress, some text to compress");
  std::string out;
  std::string badCrc = gz;
  badCrc[badCrc.size() - 6] ^= 1;
  std::string badLen = gz;
  badLen[badLen.size() - 1] = 1;
  std::string reserved = gz;
  reserved[3] = 0x20;
  std::string method = gz;
  method[2] = 7;
  for (const std::string& bad :
       {std::string(), std::string("plain"), gz.substr(0, gz.size() - 1), gz.substr(0, 12), badCrc, badLen,
        reserved, method, std::string("\x1F\x8B\x08\x08\0\0\0\0\0\0name-without-end", 26)})
    EXPECT_FALSE(GunzipBytes(bad, out));
}

TEST(Gzip, OptionalHeaderFieldsAreSkipped) {
  std::string plain = GzipBytes("xyz");
  std::string body = plain.substr(10);
  std::string header("\x1F\x8B\x08\x1E\0\0\0\0\0\x03", 10);  // extra, name, comment, header CRC
  header += std::string("\x03\0abc", 5) + std::string("name\0", 5) + std::string("comment\0", 8) + "HC";
  std::string out;
  ASSERT_TRUE(GunzipBytes(header + body, out));
  EXPECT_EQ(out, "xyz");
}

TEST(Gzip, BombStopsAtTheLimit) {
  std::string zeros(size_t{4} << 20, '\0');
  std::string gz = GzipBytes(zeros);
  EXPECT_LT(gz.size(), 10000u);
  std::string out;
  EXPECT_TRUE(GunzipBytes(gz, out, zeros.size()));
  EXPECT_EQ(out.size(), zeros.size());
  EXPECT_FALSE(GunzipBytes(gz, out, zeros.size() - 1));
}

}  // namespace
}  // namespace qv::library
