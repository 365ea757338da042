// The indexed span removal against the literal replacecontent loop.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "library/html/span_removal.h"
#include "library/html/text_ops.h"
#include "library/mask/replace_content.h"
#include "support/text.h"

namespace qv::library::html {
namespace {

std::string Show(std::u16string_view s) { return ToUtf8(s); }

std::vector<std::u16string> Spans(std::u16string_view text, std::u16string_view mask) {
  std::vector<std::u16string> spans;
  RemoveMatchedSpans(text, mask, [&](std::u16string_view s) { spans.emplace_back(s); });
  return spans;
}

TEST(RemoveMatchedSpans, Table) {
  const struct {
    const char16_t* text;
    const char16_t* mask;
    const char16_t* result;
  } cases[] = {
      {u"a<!--x-->b<!--y-->c<!--X-->", u"<!--(*)-->", u"abc"},
      {u"no comment", u"<!--(*)-->", u"no comment"},
      {u"a<!-- never closed", u"<!--(*)-->", u"a<!-- never closed"},
      {u"a<!--", u"<!--(*)-->", u"a"},  // the mask matches what is left of it
      {u"<!-- a <!-- b -->c-->", u"<!--(*)-->", u"c-->"},
      {u"<!<!--x-->--y-->z", u"<!--(*)-->", u"z"},  // a removal joins "<!" and "--"
      {u"<!--x--><!--x-->-->", u"<!--(*)-->", u"-->"},
      {u"<!--[if IE]>a<![endif]-->b<!--[IF x]>c<![ENDIF]-->", u"<!--[if[*]]>(*)<![endif]-->", u"b"},
      {u"<meta a><META b><meta a>x", u"<meta(*)>", u"x"},
      {u"<h<h1>x</h1>1>x</h1>y", u"<h1[*]>(*)</h1>", u"y"},
      {u"<!--ı-->a<!--I-->", u"<!--(*)-->", u"a"},  // dotless i takes the literal loop
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Show(RemoveMatchedSpans(c.text, c.mask)), Show(c.result)) << Show(c.text);
    EXPECT_EQ(Show(RemoveMatchedSpans(c.text, c.mask)), Show(ReplaceContent(c.text, c.mask, u"")))
        << Show(c.text);
  }
}

TEST(RemoveMatchedSpans, SpansInOrder) {
  EXPECT_EQ(Spans(u"a<!--x-->b<!--y-->c<!--X-->", u"<!--(*)-->"),
            (std::vector<std::u16string>{u"<!--x-->", u"<!--y-->"}));
  // The join brings "<h1>x</h1>" back after it was removed once.
  EXPECT_EQ(Spans(u"<h<h1>x</h1>1>x</h1>", u"<h1[*]>(*)</h1>"),
            (std::vector<std::u16string>{u"<h1>x</h1>", u"<h1>x</h1>"}));
}

// Random texts over a small alphabet that makes nesting, joins and repeats
// common: the result must be that of the literal loop.
TEST(RemoveMatchedSpans, SameAsTheLiteralLoopOnRandomTexts) {
  const std::u16string pieces[] = {u"<!--", u"-->", u"<!-", u"-", u">",   u"<",
                                   u"!",    u"a",   u"b",   u"A", u"<h1", u"</h1>"};
  const char16_t* masks[] = {u"<!--(*)-->", u"<h1[*]>(*)</h1>", u"<![*]-(*)>"};
  std::mt19937 random(7);
  for (int round = 0; round < 4000; ++round) {
    std::u16string text;
    for (int n = random() % 24; n > 0; --n) text += pieces[random() % std::size(pieces)];
    for (const char16_t* mask : masks)
      ASSERT_EQ(Show(RemoveMatchedSpans(text, mask)), Show(ReplaceContent(text, mask, u"")))
          << Show(text) << " " << Show(mask);
  }
}

TEST(CountEach, CountsLikeOneSearchAfterAnother) {
  const std::u16string page = u"aaaa Abc ABC abcabc 新闻新闻 x";
  const std::vector<std::u16string> pieces = {u"aa",      u"abc", u"新闻", u"ca",
                                              u"missing", u"a",   u"x",    u"aaaa aBC abcabc x!"};
  const auto counts = CountEach(page, pieces, Case::Ignore);
  for (const std::u16string& p : pieces) EXPECT_EQ(counts.at(FoldText(p)), CountNoCase(page, p)) << Show(p);
  EXPECT_EQ(counts.at(u"AA"), 2u);
  EXPECT_EQ(counts.at(u"ABC"), 4u);
  const auto exact = CountEach(page, pieces, Case::Sensitive);
  EXPECT_EQ(exact.at(u"abc"), 2u);
  EXPECT_EQ(exact.at(u"aaaa aBC abcabc x!"), 0u);
}

}  // namespace
}  // namespace qv::library::html
