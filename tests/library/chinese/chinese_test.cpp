// Chinese text: the length rule of the script mapping, full-width forms and
// numerals in both directions.
#include <gtest/gtest.h>

#include "library/chinese/chinese_numerals.h"
#include "library/chinese/chinese_script.h"

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
  EXPECT_EQ(FullToHalf(u"\u3000！～￥。中"), u" !~\u00A5。中");
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
