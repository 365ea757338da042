#include <gtest/gtest.h>

#include "library/mask/mask_pattern.h"
#include "library/mask/regex_notation.h"
#include "library/mask/replace_content.h"
#include "support/text.h"

namespace qv::library {
namespace {

std::string U8(const std::u16string& s) { return ToUtf8(s); }

TEST(LooksLikeRegex, Tokens) {
  struct Row {
    const char16_t* text;
    bool looks;
  } rows[] = {
      {u"\\w", true},      {u"\\W", true},   {u"a\\t", true},    {u"\\d+", true},  {u"\\S", true},
      {u"\\b", true},      {u"a\\.b", true}, {u"\\?", true},     {u"[^a]", true},  {u"a.*b", true},
      {u".+", true},       {u"a+?", true},   {u"*?", true},      {u"(?!x)", true}, {u"(?<n>x)", true},
      {u"\\\u017f", true},  // the long s upper-cases to S
      {u"", false},        {u"abc", false},  {u"/abc/i", false}, {u"\\", false},   {u"\\x", false},
      {u"[*]", false},     {u"(*)", false},  {u"(?:a)", false},  {u"?<", false},   {u"\\n", false},
      {u"a.b", false},     {u"(?", false},
  };
  for (const Row& r : rows) EXPECT_EQ(LooksLikeRegex(r.text), r.looks) << U8(r.text);
}

TEST(ParseRegexNotation, Forms) {
  using O = TQvRegExOption;
  struct Row {
    const char16_t* in;
    bool recognised;
    const char16_t* body;
    TQvRegExOptions options;
  } rows[] = {
      {u"/abc/i", true, u"abc", {O::preCaseLess}},
      {u"/abc/I", true, u"abc", {O::preCaseLess}},
      {u"/abc/", false, u"/abc/", {}},
      {u"/a/b/", true, u"a", {}},
      {u"\\d+", true, u"\\d+", {O::preCaseLess, O::preSingleLine}},
      {u"/x/imsxuag",
       true,
       u"x",
       {O::preCaseLess, O::preMultiLine, O::preSingleLine, O::preExtended, O::preAnchored, O::preUnGreedy,
        O::preNoAutoCapture}},
      {u"/abc/1", true, u"abc", {}},
      {u"/abc/zi", true, u"abc", {O::preCaseLess}},
      {u"abc", false, u"abc", {}},
      {u"", false, u"", {}},
      {u"/", false, u"/", {}},
      {u"/a/", false, u"/a/", {}},
      {u"//i", false, u"//i", {}},
      {u"/a/i", true, u"a", {O::preCaseLess}},
      {u"/a.*/b/m", true, u"a.*/b", {O::preMultiLine}},
  };
  for (const Row& r : rows) {
    std::u16string p = r.in;
    TQvRegExOptions o{O::preExtended};
    EXPECT_EQ(ParseRegexNotation(p, o), r.recognised) << U8(r.in);
    EXPECT_EQ(U8(p), U8(r.body)) << U8(r.in);
    EXPECT_EQ(o.Bits(), r.options.Bits()) << U8(r.in);
  }
}

TEST(CompileMask, SegmentsAndGaps) {
  struct Row {
    const char16_t* pattern;
    const char16_t* compiled;
  } rows[] = {
      {u"price: (*) usd[*]tax: (*) usd", u"\"price: \" (*) \" usd\" [*] \"tax: \" (*) \" usd\""},
      {u"(*)=", u"\"\" (*) \"=\""},
      {u"k=[*]", u"\"k=\" [*] \"\""},
      {u"(*)(*)", u"\"\" (*) \"\" (*) \"\""},
      {u"[*](*)", u"\"\" [*] \"\" (*) \"\""},
      {u"abc", u"(no masks)"},
      {u"", u"(no masks)"},
      {u"a[*", u"(no masks)"},  // an unbalanced marker is literal text
      {u"a[*][*]b", u"\"a\" [*] \"\" [*] \"b\""},
  };
  for (const Row& r : rows)
    EXPECT_EQ(U8(DescribeMask(CompileMask(r.pattern))), U8(r.compiled)) << U8(r.pattern);
}

TEST(CompileMask, ChosenMasks) {
  // Masks that compare equal without regard to case count as present, but
  // the cut is case-sensitive.
  EXPECT_EQ(U8(DescribeMask(CompileMask(u"a<X>b", u"<x>", u"{c}"))), "\"a<X>b\"");
  EXPECT_EQ(U8(DescribeMask(CompileMask(u"a<x>b{c}d", u"<x>", u"{c}"))), "\"a\" [*] \"b\" (*) \"d\"");
  // A mask that looks like a regular expression is looked for as text but
  // cuts at its matches.
  EXPECT_EQ(U8(DescribeMask(CompileMask(u"a1b22c", u"\\d+", u"(*)"))), "(no masks)");
  EXPECT_EQ(U8(DescribeMask(CompileMask(u"x\\d+y1z", u"\\d+", u"(*)"))), "\"x\\d+y\" [*] \"z\"");
  // Empty masks never occur.
  EXPECT_EQ(U8(DescribeMask(CompileMask(u"abc", u"", u""))), "(no masks)");
}

TEST(MaskMatch, Results) {
  struct Row {
    const char16_t* source;
    const char16_t* pattern;
    bool whole;
    const char16_t* result;
  } rows[] = {
      {u"Price: 12 USD; Tax: 3 USD", u"price: (*) usd[*]tax: (*) usd", false, u"12||3"},
      {u"Price: 12 USD; Tax: 3 USD", u"price: (*) usd[*]tax: (*) usd", true, u"Price: 12 USD; Tax: 3 USD"},
      {u"abc=1", u"(*)=", false, u"abc"},
      {u"abc=1", u"(*)=", true, u"abc="},
      {u"k=Value", u"k=(*)", false, u"Value"},
      {u"k=Value", u"k=[*]", false, u""},
      {u"k=Value", u"k=[*]", true, u"k=Value"},
      {u"ab", u"a(*)(*)b", false, u""},
      {u"anything", u"pattern", false, u""},
      {u"anything", u"pattern", true, u"anything"},
      {u"xb", u"x(*)b(*)", false, u""},  // the source ends before the last gap
      {u"<a>1</a><a>2</a>", u"<a>(*)</a>", false, u"1"},
      {u"", u"(*)", false, u""},
      {u"AbC", u"(*)", false, u"AbC"},
      {u"xyz", u"q(*)", false, u""},
      {u"a-b-c", u"a-(*)-(*)", false, u"b||c"},
      {u"ÉA", u"é(*)", false, u""},  // only A-Z fold
      {u"xÉA", u"É(*)", false, u"A"},
  };
  for (const Row& r : rows)
    EXPECT_EQ(U8(MaskMatch(r.source, r.pattern, u"||", kHideMask, kCaptureMask, r.whole)), U8(r.result))
        << U8(r.source) << " ~ " << U8(r.pattern);
}

TEST(MaskMatch, ContactOnlyAfterNonEmptyResult) {
  EXPECT_EQ(U8(MaskMatch(u"[]-[b]", u"[(*)]-[(*)]")), "b");
  EXPECT_EQ(U8(MaskMatch(u"<a><><c>", u"<(*)><(*)><(*)>")), "a||||c");
}

TEST(ReplaceContent, Results) {
  struct Row {
    const char16_t* content;
    const char16_t* pattern;
    const char16_t* target;
    const char16_t* result;
  } rows[] = {
      {u"a<b>c</b>d", u"<[*]>", u"", u"acd"},
      {u"One one ONE", u"one", u"1", u"1 1 1"},
      {u"abc", u"", u"x", u"abc"},
      {u"a<1>b<2>c<1>", u"<(*)>", u"-", u"a-b-c-"},
      // Endless in a plain repetition: the target is the span, or holds it.
      {u"a<b>c", u"<[*]>", u"<b>", u"a<b>c"},
      {u"a<b>c", u"<[*]>", u"x<b>", u"ax<b>c"},
      {u"x", u"(*)", u"x", u"x"},
      {u"aabb", u"a[*]b", u"", u"b"},
  };
  for (const Row& r : rows)
    EXPECT_EQ(U8(ReplaceContent(r.content, r.pattern, r.target)), U8(r.result)) << U8(r.content);
}

TEST(ReplaceContent, GrowthIsBounded) {
  // Each pass makes a new, longer span: the text stops at the bound.
  const std::u16string r = ReplaceContent(u"<a>", u"<(*)>", u"<<a>>");
  EXPECT_LE(r.size(), kMaxReplaceLength + 16 * 1024 * 1024);
}

// The one-scan replacement must give what the pass-by-pass repetition gives.
TEST(ReplaceContent, OneScanEqualsPasses) {
  const char16_t alphabet[] = u"<>ab/Ai\u00e9\u017f";
  const char16_t* patterns[] = {u"<[*]>", u"<(*)>", u"a[*]b", u"<a[*]</a>", u"<[*]", u"ab[*]b", u"<[*]>[*]/"};
  const char16_t* targets[] = {u"", u"-", u"xy", u"<", u"b"};
  uint32_t seed = 12345;
  auto next = [&] { return seed = seed * 1103515245u + 12345u; };
  for (int round = 0; round < 3000; ++round) {
    std::u16string content;
    const int length = static_cast<int>(next() % 40);
    for (int i = 0; i < length; ++i) content += alphabet[(next() >> 8) % 9];
    const char16_t* pattern = patterns[(next() >> 8) % 7];
    const char16_t* target = targets[(next() >> 8) % 5];
    EXPECT_EQ(U8(ReplaceContent(content, pattern, target)),
              U8(ReplaceContentByPasses(content, CompileMask(pattern), target)))
        << U8(content) << " ~ " << U8(pattern) << " -> " << U8(target);
  }
}

TEST(ReplaceContent, ManyDistinctTagsInLinearTime) {
  std::u16string page;
  for (int i = 0; i < 50000; ++i) page += u"<a href=\"/p/" + FromAscii(std::to_string(i)) + u"\">x</a> ";
  const std::u16string r = ReplaceContent(page, u"<[*]>", u"");
  EXPECT_EQ(r.size(), 50000u * 2);
}

}  // namespace
}  // namespace qv::library
