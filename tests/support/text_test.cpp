#include "support/text.h"

#include <gtest/gtest.h>

#include <vector>

namespace qv {
namespace {

TEST(Text, Utf8RoundTrip) {
  const std::u16string samples[] = {u"", u"abc", u"中文标题", u"\U0001F600 emoji", u"é\u00ff\u0100"};
  for (const auto& s : samples) EXPECT_EQ(FromUtf8(ToUtf8(s)), s);
}

TEST(Text, InvalidUtf8) {
  struct Row {
    std::string bytes;
    bool valid;
    std::u16string decoded;
  } rows[] = {
      {"\xC3\xA9", true, u"é"},
      {"\xC3", false, u"\uFFFD"},
      {"\xC0\xAF", false, u"\uFFFD\uFFFD"},            // overlong
      {"\xED\xA0\x80", false, u"\uFFFD\uFFFD\uFFFD"},  // surrogate
      {"a\xFF"
       "b",
       false, u"a\uFFFDb"},
      {std::string("\0x", 2), true, std::u16string(u"\0x", 2)},
  };
  for (const auto& r : rows) {
    EXPECT_EQ(IsValidUtf8(r.bytes), r.valid);
    EXPECT_EQ(FromUtf8(r.bytes), r.decoded);
  }
}

// The converters move ASCII in blocks; a non-ASCII unit or a bad byte at
// every offset around the block edges must come out as one at a time would.
TEST(Text, Utf8ConversionAtEveryOffset) {
  const std::u16string specials[] = {u"é",
                                     u"中",
                                     u"\U0001F600",
                                     std::u16string(1, char16_t(0xD800)),
                                     std::u16string(1, char16_t(0xDFFF)),
                                     std::u16string(1, char16_t(0x80))};
  for (size_t before = 0; before < 40; ++before) {
    for (const auto& special : specials) {
      for (size_t after : {0, 1, 15, 16, 17, 33}) {
        std::u16string text = std::u16string(before, u'a') + special + std::u16string(after, u'z');
        std::string expected_bytes(before, 'a');
        bool lone = special.size() == 1 && IsSurrogate(special[0]);
        expected_bytes += lone ? std::string("\xEF\xBF\xBD") : ToUtf8(special);
        expected_bytes += std::string(after, 'z');
        std::string bytes = ToUtf8(text);
        ASSERT_EQ(bytes, expected_bytes) << before << " " << after;
        std::u16string back = FromUtf8(bytes);
        ASSERT_EQ(back, lone ? std::u16string(before, u'a') + u"\uFFFD" + std::u16string(after, u'z') : text);
        // A stray continuation byte in place of the special character.
        std::string bad = std::string(before, 'a') + "\x80" + std::string(after, 'z');
        ASSERT_EQ(FromUtf8(bad), std::u16string(before, u'a') + u"\uFFFD" + std::u16string(after, u'z'));
      }
    }
  }
}

// Long texts: the length is counted in blocks and summed now and then.
TEST(Text, Utf8ConversionOfLongMixedText) {
  const std::u16string pieces[] = {u"markup <a href=x>", u"é", u"中文", u"\U0001F600", u"\u07FF\u0800"};
  const size_t bytes[] = {17, 2, 6, 4, 5};
  std::u16string text;
  size_t expected = 0;
  for (size_t k = 0; text.size() < 300000; ++k) {
    text += pieces[k % 5];
    expected += bytes[k % 5];
    if (k % 7 == 0) {
      text += std::u16string(k % 40, u'a');
      expected += k % 40;
    }
  }
  std::string utf8 = ToUtf8(text);
  EXPECT_EQ(utf8.size(), expected);
  EXPECT_EQ(FromUtf8(utf8), text);
}

TEST(Text, LoneSurrogateBecomesReplacement) {
  std::u16string s = u"a";
  s += char16_t(0xD800);
  EXPECT_EQ(ToUtf8(s), "a\xEF\xBF\xBD");
}

TEST(Text, CodePoints) {
  struct {
    std::u16string text;
    std::vector<char32_t> points;  // what NextCodePoint reads, in order
  } rows[] = {
      {u"", {}},
      {u"aé", {U'a', U'é'}},
      {u"\U0001F600x", {0x1F600, U'x'}},
      {u"\U0010FFFF", {0x10FFFF}},
      {std::u16string(1, char16_t(0xD800)) + u"a", {0xD800, U'a'}},  // lone high
      {std::u16string(1, char16_t(0xDC00)) + u"a", {0xDC00, U'a'}},  // lone low
      {std::u16string(1, char16_t(0xD83D)), {0xD83D}},               // high at the end
  };
  for (const auto& r : rows) {
    std::vector<char32_t> got;
    for (size_t i = 0; i < r.text.size();) got.push_back(NextCodePoint(r.text, i));
    EXPECT_EQ(got, r.points) << ToUtf8(r.text);
    std::u16string back;
    for (char32_t c : got) AppendCodePoint(back, c);
    EXPECT_EQ(back, r.text);
  }
}

TEST(Text, CaseForAllAlphabets) {
  EXPECT_EQ(UpperCase(u"abc äöü ßя"), u"ABC ÄÖÜ ßЯ");
  EXPECT_EQ(LowerCase(u"ÀÉÎ ΣΑΣ"), u"àéî σασ");
  EXPECT_EQ(CompareText(u"Straße", u"STRASSE") != 0, true);
  EXPECT_TRUE(SameText(u"Привет", u"пРИВЕТ"));
  EXPECT_LT(CompareText(u"abc", u"ABD"), 0);
  EXPECT_GT(CompareText(u"abcd", u"ABC"), 0);
}

TEST(Text, IntToText) {
  EXPECT_EQ(IntToText(0), u"0");
  EXPECT_EQ(IntToText(-42), u"-42");
  EXPECT_EQ(IntToText(INT64_MIN), u"-9223372036854775808");
}

// Blanks and control characters go from both ends; everything above a space
// stays, the ideographic space included.
TEST(Text, TrimBlanks) {
  struct Row {
    std::u16string_view in, out;
  } rows[] = {{u"", u""},
              {u" \t\r\n", u""},
              {u"\x01"
               u"a b\x1f",
               u"a b"},
              {u"\u3000x\u3000", u"\u3000x\u3000"},
              {u"a", u"a"}};
  for (const Row& r : rows) EXPECT_EQ(TrimBlanks(r.in), r.out);
}

}  // namespace
}  // namespace qv
