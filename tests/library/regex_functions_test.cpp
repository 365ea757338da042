#include <gtest/gtest.h>

#include <chrono>

#include "library/mask/regex_functions.h"
#include "support/errors.h"
#include "support/text.h"

namespace qv::library {
namespace {

std::string U8(const std::u16string& s) { return ToUtf8(s); }

TEST(RegexPick, Groups) {
  struct Row {
    const char16_t* subject;
    const char16_t* pattern;
    const char16_t* which;
    const char16_t* result;
  } rows[] = {
      {u"id=42", u"id=(\\d+)", u"1", u"42"},
      {u"id=42", u"id=(\\d+)", u"0", u"id=42"},
      {u"id=42", u"id=(\\d+)", u"-1", u"id=(\\d+)"},
      {u"id=xx", u"id=(\\d+)", u"-1", u""},
      {u"id=42", u"/id=(?<n>\\d+)/i", u"n", u"42"},
      {u"id=42", u"/id=(?<n>\\d+)/i", u"m", u""},
      {u"id=42", u"id=(\\d+)", u"5", u""},
      {u"id=42", u"/id=([0-9]+)/i", u"1", u""},  // notation alone does not look like a regex
      {u"ID=42", u"id=([0-9]+)\\b", u"1", u"42"},
      {u"id=42", u"", u"0", u""},
      {u"a(b", u"(\\d", u"0", u""},     // invalid pattern: empty
      {u"x\nab", u"^a\\w", u"0", u""},  // a regex-looking text runs with i and s, not m
      {u"x\nab", u"/^a\\w/m", u"0", u"ab"},
  };
  for (const Row& r : rows)
    EXPECT_EQ(U8(RegexPick(r.subject, r.pattern, std::u16string_view(r.which))), U8(r.result))
        << U8(r.subject) << " ~ " << U8(r.pattern);
}

TEST(RegexPickAny, FirstMatchingAlternative) {
  EXPECT_EQ(U8(RegexPickAny(u"b=2", u"a=(\\d)||b=(\\d)", 1)), "2");
  EXPECT_EQ(U8(RegexPickAny(u"b=2", u"||a=(\\d)", 1)), "");
  EXPECT_EQ(U8(RegexPickAny(u"a=1 b=2", u"a=(\\d)||b=(\\d)", 1)), "1");
  // A match with an empty group still stops the search.
  EXPECT_EQ(U8(RegexPickAny(u"a= b=2", u"a=(\\d?)\\s||b=(\\d)", 1)), "");
  EXPECT_EQ(U8(RegexPickAny(u"x", u"", 1)), "");
}

TEST(NamedGroupPick, NameOrFirstGroup) {
  EXPECT_EQ(U8(NamedGroupPick(u"<b>42</b>", u"<b>(?<v>\\d+)</b>")), "42");
  EXPECT_EQ(U8(NamedGroupPick(u"<b>42</b>", u"<(\\w)>(\\d+)")), "b");
}

TEST(RegexReplace, Results) {
  struct Row {
    const char16_t* subject;
    const char16_t* pattern;
    const char16_t* replacement;
    const char16_t* result;
  } rows[] = {
      {u"a1b22", u"\\d+", u"#", u"a#b#"},
      {u"a1b22", u"/\\d+/", u"#", u"a1b22"},  // no flag: the slashes are literal
      {u"2024-05-06", u"(\\d+)-(\\d+)-(\\d+)", u"$3.$2.$1", u"06.05.2024"},
      {u"a b", u"\\s", u"#13#10", u"a\r\nb"},
      {u"a b", u"\\s", u"x#spacey", u"axyb"},
      {u"a b", u"\\s", u"#SPACE", u"a#SPACEb"},
      {u"a1", u"\\d", u"\\d+", u"a\\d+"},
      {u"aXa", u"(reg)x", u"-", u"a-a"},
      {u"", u"x", u"y", u""},
      {u"abc", u"", u"y", u"abc"},
      {u"abc", u"z\\d", u"y", u"abc"},
  };
  for (const Row& r : rows)
    EXPECT_EQ(U8(RegexReplace(r.subject, r.pattern, r.replacement)), U8(r.result)) << U8(r.subject);
}

TEST(RegexReplace, InvalidPatternRaisesTheObjectsMessage) {
  try {
    RegexReplace(u"abc", u"(\\d", u"");
    FAIL() << "no error";
  } catch (const ScriptError& e) {
    EXPECT_TRUE(e.message().starts_with(u"TQvRegEx.Compile() - ")) << U8(e.message());
  }
}

TEST(RegexReplacePairs, Pairs) {
  struct Row {
    const char16_t* subject;
    const char16_t* pairs;
    const char16_t* result;
  } rows[] = {
      {u"a-b_c", u"-||+||_", u"a+bc"},
      {u"a1b2", u"\\d", u"ab"},
      {u"a1b2", u"(reg)\\d||#", u"a#b#"},
      {u"a<x>b", u"<[*]>||", u"ab"},
      {u"aXbx", u"x||y", u"ayby"},
      {u"abc", u" ||z", u"abc"},
      {u"abc", u"", u"abc"},
      {u"AbA", u"/a/i||-", u"-b-"},
      {u"AbA", u"/a/||-", u"AbA"},
      {u"line", u"/e/i||#13#10", u"lin\r\n"},
  };
  for (const Row& r : rows) EXPECT_EQ(U8(RegexReplacePairs(r.subject, r.pairs)), U8(r.result)) << U8(r.pairs);
}

TEST(RegexReplacePairs, InvalidPatternRaises) {
  EXPECT_THROW(RegexReplacePairs(u"abc", u"(reg)(||x"), ScriptError);
}

TEST(ExpandLinkTemplates, Items) {
  const std::u16string page =
      u"<p>id=77</p><a href=\"/news/2.html\">Next page</a> <a href='/pics/big/9.jpg'>pic</a>"
      u"<span>k=v1;w=v2</span>";
  struct Row {
    const char16_t* templates;
    const char16_t* result;
  } rows[] = {
      {u"list_{id=(\\d+)}.html", u"http://h/a/list_77.html"},
      {u"list_{1,id=(\\d+)}.html", u"http://h/a/list_77.html"},
      {u"list_{n,id=(?<n>\\d+)}.html", u"http://h/a/list_77.html"},
      {u"list_{k=(*);}.html", u"http://h/a/list_v1.html"},
      {u"p_{1,k=(*);w=(*)<}", u"http://h/a/p_v2"},
      {u"p_{7,k=(*);w=(*)<}", u"http://h/a/p_v1"},
      {u"{:text,Next page}", u"http://h/news/2.html"},
      {u"{:href,big}", u"http://h/pics/big/9.jpg"},
      {u"{:zzzz,big}", u""},
      {u"nothing", u""},
      {u"x_{nomatch=(\\d+)}||y_{id=(\\d+)}", u"http://h/a/y_77"},
  };
  for (const Row& r : rows)
    EXPECT_EQ(U8(ExpandLinkTemplates(u"http://h/a/b.html", page, r.templates)), U8(r.result))
        << U8(r.templates);
}

TEST(ExpandLinkTemplates, InvalidPatternRaises) {
  EXPECT_THROW(ExpandLinkTemplates(u"http://h/", u"<p>id=77</p>", u"list_{id=(\\d+}.html"), ScriptError);
  EXPECT_THROW(ExpandLinkTemplates(u"http://h/", u"<p>id=77</p>", u"{n,id=(?<n>\\d+}"), ScriptError);
}

TEST(CatastrophicPattern, EndsInBoundedTime) {
  const std::u16string subject(1 << 20, u'a');
  const auto begin = std::chrono::steady_clock::now();
  EXPECT_EQ(U8(RegexPick(subject, u"(a+)+\\d", 0)), "");
  EXPECT_THROW(RegexReplace(subject, u"(a+)+\\d", u""), ScriptError);
  const auto seconds =
      std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - begin).count();
  EXPECT_LT(seconds, 60);
}

}  // namespace
}  // namespace qv::library
