// The block-wise searches of the HTML functions against the plain ones.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "library/html/text_ops.h"

namespace qv::library::html {
namespace {

TEST(HasFoldsToAscii, FindsTheUnitAnywhere) {
  std::u16string text(2000, u'中');
  EXPECT_FALSE(HasFoldsToAscii(text));
  for (size_t at : {size_t{0}, size_t{511}, size_t{512}, size_t{1999}})
    for (char16_t c : {u'ı', u'ſ'}) {
      std::u16string t = text;
      t[at] = c;
      EXPECT_TRUE(HasFoldsToAscii(t)) << at;
      EXPECT_TRUE(FoldsToAscii(c));
    }
  EXPECT_FALSE(HasFoldsToAscii(u""));
}

TEST(FindText, SameAsFindOnRandomTexts) {
  const char16_t units[] = {u'a', u'<', u'!', u'-', u'中', u'ı'};
  std::mt19937 random(9);
  for (int round = 0; round < 3000; ++round) {
    std::u16string text(random() % 200, u'x');
    for (char16_t& c : text)
      if (random() % 8 == 0) c = units[random() % std::size(units)];
    std::u16string what;
    for (int n = random() % 4; n > 0; --n) what += units[random() % std::size(units)];
    const size_t from = random() % 210;
    ASSERT_EQ(FindText(text, what, from), std::u16string_view(text).find(what, from));
    if (!what.empty())
      ASSERT_EQ(FindUnit(text, what[0], from), std::u16string_view(text).find(what[0], from));
  }
}

}  // namespace
}  // namespace qv::library::html
