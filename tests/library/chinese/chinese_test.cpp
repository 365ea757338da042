// Chinese text: the length rule of the script mapping, full-width forms and
// numerals in both directions.
#include <gtest/gtest.h>

#include "library/chinese/chinese_numerals.h"
#include "library/chinese/chinese_script.h"
#include "support/text.h"

namespace qv::library {
namespace {

TEST(ChineseScript, KeepsLengthAndMaps) {
  EXPECT_EQ(ToTraditional(u"汉字简体"), u"漢字簡體");
  EXPECT_EQ(ToSimplified(u"漢字簡體"), u"汉字简体");
  for (std::u16string s :
       {std::u16string(u"后来头发干了"), std::u16string(u"一只台湾的乾隆"), std::u16string(u"\U00020000x")}) {
    EXPECT_EQ(ToTraditional(s).size(), s.size());
    EXPECT_EQ(ToSimplified(s).size(), s.size());
  }
  EXPECT_EQ(ToTraditional(u""), u"");
}

TEST(ChineseScript, FullToHalf) {
  EXPECT_EQ(FullToHalf(u"ＡＢＣ４５６"), u"ABC456");
  EXPECT_EQ(FullToHalf(u"\u3000！～￥中ぁ"), u" !~\u00A5中ぁ");
}

// The narrow forms beyond ASCII: katakana (voiced ones as base and mark),
// CJK punctuation, Hangul letters, arrows and shapes.
TEST(ChineseScript, FullToHalfBeyondAscii) {
  struct Row {
    std::u16string full, half;
  } rows[] = {
      {u"カタカナ", u"ｶﾀｶﾅ"},
      {u"ガパヴ", u"ｶﾞﾊﾟｳﾞ"},
      {u"、。「」・ー゛゜", u"､｡｢｣･ｰﾞﾟ"},
      {u"ㄱㅏㅎ", u"ﾡￂﾾ"},
      {u"←↑→↓│■○", u"￩￪￫￬￨￭￮"},
      {u"￠￡￢￣￤￦", u"\u00A2\u00A3\u00AC\u00AF\u00A6\u20A9"},
      {u"ひらがな한글中文", u"ひらがな한글中文"},
  };
  for (const Row& r : rows) EXPECT_EQ(ToUtf8(FullToHalf(r.full)), ToUtf8(r.half)) << ToUtf8(r.full);
}

TEST(ChineseNumerals, Reading) {
  struct Row {
    std::u16string text;
    int64_t value;
  } rows[] = {
      {u"三十五", 35},
      {u"十五", 15},
      {u"一百二十四", 124},
      {u"一千零五", 1005},
      {u"壹佰贰拾肆", 124},
      {u"两百", 200},
      {u"35", 5},
      {u"五万", 50000},
      {u"三十五万", 350000},
      {u"一亿二千万", 120000000},
      {u"一百十五", 115},
      {u"abc", 0},
  };
  for (const auto& r : rows) EXPECT_EQ(ChineseToNumber(r.text), r.value);
  EXPECT_EQ(ChineseToNumber(u"九" + std::u16string(200, u'亿')), INT64_MAX);  // saturates
}

TEST(ChineseNumerals, WritingRoundTrips) {
  EXPECT_EQ(NumberToChinese(10), u"十");
  EXPECT_EQ(NumberToChinese(110), u"一百一十");
  EXPECT_EQ(NumberToChinese(100010000), u"一亿零一万");
  EXPECT_EQ(NumberToChinese(3.05), u"三点零五");
  EXPECT_EQ(NumberToChinese(2.5), u"二点五");
  for (int64_t n : {0LL, 7LL, 1000LL, 10010LL, 99999LL, 100000001LL, 123456789012LL})
    EXPECT_EQ(ChineseToNumber(NumberToChinese(static_cast<double>(n))), n) << n;
}

}  // namespace
}  // namespace qv::library
