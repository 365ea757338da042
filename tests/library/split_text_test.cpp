#include <gtest/gtest.h>

#include "library/strings/numeric_text.h"
#include "library/strings/split_text.h"
#include "support/text.h"

namespace qv::library {
namespace {

std::string Joined(const std::vector<std::u16string>& v) {
  std::string r;
  for (size_t i = 0; i < v.size(); ++i) r += (i ? "|" : "") + std::string("<") + ToUtf8(v[i]) + ">";
  return r;
}

TEST(SplitText, Pieces) {
  struct Row {
    const char16_t* source;
    const char16_t* separator;
    const char* pieces;
  } rows[] = {
      {u"a||b||", u"||", "<a>|<b>|<>"},
      {u"", u"||", "<>"},
      {u"abc", u"", "<abc>"},
      {u"abc", u"x", "<abc>"},
      {u"aXbxc", u"x", "<aXb>|<c>"},
      {u"a1b22c", u"/\\d+/i", "<a>|<b>|<c>"},
      {u"1a2", u"\\d", "<>|<a>|<>"},
      {u"aBcbd", u"/b/i", "<a>|<c>|<d>"},
      {u"aBcbd", u"/b/x", "<aBc>|<d>"},
      {u"a(b", u"/(/i", "<a(b>"},  // an invalid expression: no match
      {u"x.*y", u"(reg)", "<x.*y>"},
      {u"中文,分隔", u",", "<中文>|<分隔>"},
      {u"中1文22分", u"\\d+", "<中>|<文>|<分>"},
  };
  for (const Row& r : rows) EXPECT_EQ(Joined(SplitText(r.source, r.separator)), r.pieces) << ToUtf8(r.source);
}

TEST(SplitText, ReusesGivenObject) {
  auto rx = CreateRegEx();
  EXPECT_EQ(Joined(SplitText(u"a-b", u"/-/i", rx.get())), "<a>|<b>");
  EXPECT_EQ(ToUtf8(rx->RegExU16()), "-");
}

TEST(ReadInt32, IsNumericRule) {
  struct Row {
    const char16_t* text;
    bool numeric;
    int32_t value;
  } rows[] = {
      {u" 12", true, 12},
      {u"-5", true, -5},
      {u"$FF", true, 255},
      {u"0x1A", true, 26},
      {u"x10", true, 16},
      {u"+7", true, 7},
      {u"", false, 0},
      {u"1.5", false, 0},
      {u"12a", false, 0},
      {u"99999999999", false, 0},
      {u"2147483647", true, 2147483647},
      {u"-2147483648", true, INT32_MIN},
      {u"2147483648", false, 0},
      {u"$FFFFFFFF", true, -1},
      {u"$", false, 0},
      {u"12 ", false, 0},
      {u" ", false, 0},
      {u"-", false, 0},
  };
  for (const Row& r : rows) {
    int32_t v = 0;
    EXPECT_EQ(ReadInt32(r.text, v), r.numeric) << ToUtf8(r.text);
    if (r.numeric) {
      EXPECT_EQ(v, r.value) << ToUtf8(r.text);
    }
  }
}

}  // namespace
}  // namespace qv::library
