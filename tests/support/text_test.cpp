#include "support/text.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <vector>

namespace qv {
namespace {

std::string Hex(std::string_view bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (unsigned char b : bytes) {
    out += digits[b >> 4];
    out += digits[b & 15];
  }
  return out;
}

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

// One U+FFFD per maximal ill-formed subpart, not per byte.
TEST(Text, MalformedUtf8GivesOneReplacementPerSubpart) {
  struct Row {
    std::string bytes;
    std::u16string decoded;
  } rows[] = {
      {"\xF0\xA9\xA1\t", u"\uFFFD\t"},                    // a four-byte form cut short
      {"\xE1\x80", u"\uFFFD"},                            // cut by the end
      {"\xE0\x80\x80", u"\uFFFD\uFFFD\uFFFD"},            // overlong: E0 needs A0..BF next
      {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // beyond U+10FFFF
      {"\xF5\x80", u"\uFFFD\uFFFD"},
      {"a\xF1\x80\x80\xE1\x80\xC2"
       "b\x80"
       "c\x80\xBF"
       "d",
       u"a\uFFFD\uFFFD\uFFFDb\uFFFDc\uFFFD\uFFFDd"},
  };
  for (const auto& r : rows) EXPECT_EQ(FromUtf8(r.bytes), r.decoded) << r.bytes;
}

// Python's decoder with errors="replace" follows the same rule: compare on
// random byte strings made mostly of the bytes that matter.
TEST(Text, MalformedUtf8AgreesWithPython) {
  if (std::system("python3 -c '' 2>/dev/null") != 0) GTEST_SKIP() << "no python3";
  std::mt19937 rng(20260);
  const unsigned char interesting[] = {0x41, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF,
                                       0xC0, 0xC1, 0xC2, 0xDF, 0xE0, 0xE1, 0xEC, 0xED,
                                       0xEE, 0xEF, 0xF0, 0xF1, 0xF3, 0xF4, 0xF5, 0xFF};
  std::vector<std::string> inputs;
  for (int n = 0; n < 5000; ++n) {
    std::string bytes(rng() % 12, '\0');
    for (char& b : bytes)
      b = static_cast<char>(rng() % 4 ? interesting[rng() % sizeof interesting] : rng() % 256);
    inputs.push_back(bytes);
  }
  char name[] = "/tmp/qv_utf8_XXXXXX";
  int fd = ::mkstemp(name);
  ASSERT_GE(fd, 0);
  ::close(fd);
  {
    std::ofstream out(name);
    for (const std::string& in : inputs) out << Hex(in) << "\n";
  }
  std::string command = std::string(
                            "python3 -c 'import sys\nfor l in open(sys.argv[1]): "
                            "print(bytes.fromhex(l.strip()).decode(\"utf-8\", \"replace\")"
                            ".encode(\"utf-16-le\").hex())' ") +
                        name;
  FILE* pipe = ::popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string expected;
  char buffer[4096];
  for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) expected.append(buffer, got);
  ::pclose(pipe);
  std::remove(name);
  std::istringstream lines(expected);
  std::string line;
  size_t checked = 0;
  for (const std::string& in : inputs) {
    ASSERT_TRUE(std::getline(lines, line));
    std::u16string ours = FromUtf8(in);
    std::string units(reinterpret_cast<const char*>(ours.data()), ours.size() * 2);
    ASSERT_EQ(Hex(units), line) << "input " << Hex(in);
    ++checked;
  }
  EXPECT_EQ(checked, inputs.size());
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
