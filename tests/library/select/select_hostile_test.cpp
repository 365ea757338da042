// Pages built to hurt a parser, and the document cache under threads.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "library/select/select.h"
#include "support/text.h"

namespace qv::library {
namespace {

std::u16string Repeat(std::u16string_view s, size_t n) {
  std::u16string out;
  out.reserve(s.size() * n);
  for (size_t i = 0; i < n; ++i) out += s;
  return out;
}

TEST(HtmlSelectHostile, DeepNestingEndsAndWalksWithoutRecursion) {
  const size_t depth = 200000;
  const std::u16string page = Repeat(u"<div><span>", depth) + u"x" + Repeat(u"</span></div>", depth);
  // The parser stops at its depth limit; what it kept is selected, written
  // out and walked without running out of stack.
  const std::vector<std::u16string> divs = HtmlSelect(page, u"div > span > div", u"inner");
  EXPECT_GT(divs.size(), 50u);
  EXPECT_LT(divs.size(), depth);
  EXPECT_FALSE(HtmlSelectFirst(page, u"body", u"html").empty());
  EXPECT_LE(ExtractArticle(page, u"", ArticlePart::kText).size(), 1u);
  EXPECT_EQ(XPathValues(page, u"count(//div[not(*)]) <= 1"), std::vector<std::u16string>{u"true"});
}

TEST(HtmlSelectHostile, BrokenMarkupKeepsWhatCanBeRead) {
  EXPECT_EQ(XPathValues(Repeat(u"<", 1 << 20), u"count(//p)"), std::vector<std::u16string>{u"0"});
  EXPECT_EQ(HtmlSelect(u"<p>a</p><!-- never closed <p>b</p>", u"p"), std::vector<std::u16string>{u"a"});
  EXPECT_EQ(HtmlSelect(u"<p>a</p><script>var s = '<p>b</p>'", u"p"), std::vector<std::u16string>{u"a"});
  EXPECT_EQ(HtmlSelect(u"<p>a<p>b</div></td><p>c", u"p"), (std::vector<std::u16string>{u"a", u"b", u"c"}));
  // Invalid UTF-8 reaches the library as U+FFFD already; NULs are replaced.
  std::u16string nuls = u"<p>" + std::u16string(1000, u'\0') + u"</p><p>z</p>";
  const std::vector<std::u16string> got = HtmlSelect(nuls, u"p");
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0], std::u16string(1000, u'\uFFFD'));
  EXPECT_EQ(HtmlSelect(FromUtf8("<p>\xff\xfe\xc3</p>"), u"p"),
            std::vector<std::u16string>{u"\uFFFD\uFFFD\uFFFD"});
}

TEST(HtmlSelectHostile, EntityDefinitionsAreNotExpanded) {
  std::u16string bomb = u"<!DOCTYPE html [<!ENTITY a \"" + Repeat(u"a", 1000) + u"\">";
  const char16_t* prev = u"a";
  const char16_t* names[] = {u"b", u"c", u"d", u"e", u"f", u"g", u"h"};
  for (const char16_t* name : names) {
    bomb += u"<!ENTITY " + std::u16string(name) + u" \"" + Repeat(u"&" + std::u16string(prev) + u";", 10) +
            u"\">";
    prev = name;
  }
  bomb += u"]><p>&h;</p><p>&amp;&lt;&#x4e2d;</p>";
  const std::vector<std::u16string> got = HtmlSelect(bomb, u"p");
  ASSERT_FALSE(got.empty());
  for (const std::u16string& text : got) EXPECT_LT(text.size(), 1000u);
  EXPECT_EQ(got.back(), u"&<中");
}

TEST(HtmlSelectHostile, ManyElements) {
  const std::u16string page = Repeat(u"<p><a href=x>l</a></p>", 250000);
  EXPECT_EQ(XPathValues(page, u"count(//a)"), std::vector<std::u16string>{u"250000"});
  EXPECT_EQ(HtmlSelect(page, u"p > a", u"@href").size(), 250000u);
}

// Each thread selects from more pages than its cache holds, so pages are
// parsed, kept, evicted and parsed again while other threads do the same.
TEST(HtmlSelectThreads, ConcurrentCachesKeepPagesApart) {
  constexpr int kThreads = 4;
  constexpr int kPages = 6;
  std::vector<int> failures(kThreads, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t, &failures] {
      for (int round = 0; round < 20; ++round) {
        for (int p = 0; p < kPages; ++p) {
          const std::u16string id = IntToText(t * 100 + p);
          const std::u16string page =
              u"<div id=d" + id + u"><p>" + id + u"</p><a href=" + id + u">x</a></div>";
          if (HtmlSelectFirst(page, u"#d" + id + u" > p") != id) ++failures[t];
          if (HtmlSelectFirst(page, u"a", u"@href", u"http://h/") != u"http://h/" + id) ++failures[t];
          if (XPathValues(page, u"count(//p)") != std::vector<std::u16string>{u"1"}) ++failures[t];
          if (ExtractArticle(page, u"", ArticlePart::kTitle).size() > 100) ++failures[t];
        }
      }
      ClearSelectCache();
    });
  }
  for (std::thread& th : threads) th.join();
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(failures[t], 0) << "thread " << t;
}

}  // namespace
}  // namespace qv::library
