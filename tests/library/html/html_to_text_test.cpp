// HtmlToText and DecodeNumericReferences: HTML in, text out.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "library/html/html_to_text.h"
#include "library/html/numeric_references.h"
#include "library/html/text_ops.h"
#include "support/text.h"

namespace qv::library {
namespace {

struct Case {
  const char16_t* in;
  int freespace;
  const char16_t* out;
};

std::string Show(std::u16string_view s) { return ToUtf8(s); }

TEST(HtmlToText, Table) {
  const Case cases[] = {
      // empty or blank text comes back unchanged, not trimmed
      {u"", 0, u""},
      {u"  \r\n ", 0, u"  \r\n "},
      // entities, in table order; row 5 only sees what row 2 made
      {u"&lt;b&gt;bold", 0, u"bold"},
      {u"&amp;amp;", 0, u";"},
      {u"a&NBSP;b", 0, u"a&NBSP;b"},    // the test for an entity is case-sensitive
      {u"&nbsp;x&NBSP;y", 0, u" x y"},  // ... the replacement is not
      {u"&quot;q&quot; &times; &reg; &hellip;", 0, u"\"q\" × ® …"},
      // numeric references on the path without tags
      {u"&#65;&#66;", 0, u"AB"},
      {u"&#x41;", 0, u"&#41;"},
      // unescape runs when the text holds \u or %u
      {u"%u4E2D\\u0041", 0, u"中A"},
      // tags: block tags break lines, other tags and closing tags go
      {u"<p>Hello&nbsp;<b>world</b></p>", 0, u"Hello world"},
      {u"<div>a</div><div>b</div>", 0, u"a\r\nb"},
      {u"a<br>b<br/>c<hr>d", 0, u"a\r\nb\r\nc\r\nd"},
      {u"<ul><li>one</li><li>two</li></ul>", 0, u"one\r\ntwo"},
      {u"<table><tr><td>1</td><td>2</td></tr></table>", 0, u"12"},
      {u"<a href=\"x.html\" title='t'>link</a> text", 0, u"link text"},
      // invisible elements disappear with their content
      {u"a<script>var x = '<p>';</script>b", 0, u"ab"},
      {u"<head><title>T</title></head><body>x</body>", 0, u"x"},
      {u"<STYLE type=text/css>p{}</STYLE>y", 0, u"y"},
      {u"<select><option>1</option><option>2</option></select>z", 0, u"z"},
      // comments and conditional comments
      {u"a<!-- note -->b<br>c", 0, u"ab\r\nc"},
      {u"<!--[if IE]><p>old</p><![endif]-->new<i>!</i>", 0, u"new!"},
      // line breaks and tabs in the source are not text; runs of space shrink
      {u"<p>a\r\n\tb    c</p>", 0, u"a b c"},
      // a source line break between words is a space; between two wide
      // (CJK) characters it goes; next to a line break of a block tag it goes
      {u"<p>foo\nbar</p>", 0, u"foo bar"},
      {u"<p>one\r\n  two <b>\n</b> three\tfour</p>", 0, u"one two three four"},
      {u"<p>中文\r\n字符，\n全角</p>", 0, u"中文字符，全角"},
      {u"<p>中文\nabc\n中</p>", 0, u"中文 abc 中"},
      {u"<p>한\n글</p>", 0, u"한 글"},
      {u"<p>中\n&#25991;</p>", 0, u"中文"},
      {u"<a\nhref='x'>link</a>\ntext", 0, u"link text"},
      {u"<div>a</div>\r\n   \r\n<div>b</div>", 0, u"a\r\nb"},
      {u"<ul>\n  <li>one</li>\n  <li>two</li>\n</ul>\n", 0, u"one\r\ntwo"},
      {u"<p>a \n</p>\n<p>b", 0, u"a\r\nb"},
      // the later HTML elements are removed too, as whole names only
      {u"<nav>Menu</nav><main><article><p>Body</p></article></main>", 0, u"Menu\r\nBody"},
      {u"<figure><figcaption>Cap</figcaption></figure><time datetime=x>now</time>", 0, u"Capnow"},
      {u"a <foo> b <navy> c", 0, u"a <foo> b <navy> c"},
      // JSON in an attribute: single-quoted, with or without an apostrophe inside
      {u"<span data-x='{\"a\":\"b\"}'>T</span>", 0, u"T"},
      {u"<span data-x='{\"a\":\"it's\"}'>T</span>", 0, u"T"},
      // numeric references after the tags are removed
      {u"<b>&#26032;&#38395;</b>", 0, u"新闻"},
      // "&#" without digits skips the next character whole, also outside
      // the BMP, so no half of a pair is left
      {u"<b>&#\U0001F600x</b>", 0, u"&#x"},
      {u"<b>&#\U0001F600x</b>", 1, u"&#x"},
      // blank lines: several breaks become one; freespace 1 drops blank lines
      {u"<div>a</div><div></div><div></div><div>b</div>", 0, u"a\r\nb"},
      {u"<div>a</div><div> 　 </div><div>b</div>", 0, u"a\r\n 　 \r\nb"},
      {u"<div>a</div><div> 　 </div><div>b</div>", 1, u"a\r\nb"},
      {u"<div>a</div><div> 　 </div><div>b</div>", 2, u"a\r\nb"},
      // freespace 2 strips spaces at line ends and ideographic spaces at a start
      // (the replacement in place lets "^" match again where one was removed)
      {u"<p>　　Indented  text  <p>  next", 0, u"　　Indented text \r\n next"},
      {u"<p>　　Indented  text  <p>  next", 2, u"Indented text\r\nnext"},
      {u"<p>x　<p>y", 2, u"x\r\ny"},
      {u"<p>　　Indented  text  <p>  next", -3, u"　　Indented text \r\n next"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Show(HtmlToText(c.in, c.freespace, false)), Show(c.out))
        << Show(c.in) << " freespace " << c.freespace;
}

TEST(HtmlToText, RendererRouteGivesThePlainResult) {
  const std::u16string page = u"<div>x&#65;</div><p>y";
  EXPECT_EQ(HtmlToText(page, 1, true), HtmlToText(page, 1, false));
}

TEST(DecodeNumericReferences, Table) {
  const struct {
    const char16_t* in;
    std::u16string out;
  } cases[] = {
      {u"plain", u"plain"},
      {u"&#65;&#66;", u"AB"},
      {u"x&#65", u"xA"},        // cut by the end of the text
      {u"&#65 and", u"A and"},  // only a ";" after the digits is consumed
      {u"&#x41;", u"&#41;"},    // hexadecimal: "&#" stays, one character is skipped
      {u"&#abc", u"&#bc"},
      {u"&#", u"&#"},
      {u"&#;", u"&#"},
      {u"&#0000065;", u"A"},             // seven digits
      {u"&#12345678;", u"&#12345678;"},  // more digits than a code point has
      {u"&#1114112;", u"&#1114112;"},    // above U+10FFFF
      {u"&#1114111;", u"\U0010FFFF"},
      {u"&#128512;", u"\U0001F600"},  // a surrogate pair, not cut to 16 bits
      {u"&#\U0001F600;", u"&#;"},     // no digits: the next character is skipped whole
      {u"&#55296;", u"\uFFFD"},       // a surrogate code is not a character
      {u"&#0;", std::u16string(1, u'\0')},
      {u"&&#38;#65;", u"&&#65;"},  // one round only
  };
  for (const auto& c : cases) EXPECT_EQ(Show(DecodeNumericReferences(c.in)), Show(c.out)) << Show(c.in);
}

// The UTF-8 form gives the UTF-16 form's result.
TEST(DecodeNumericReferences, Utf8FormSameAsUtf16Form) {
  const char16_t* pieces[] = {u"&#", u"&", u"#", u"6",  u"5",          u"0", u"9",
                              u";",  u"x", u"é", u"中", u"\U0001F600", u" "};
  std::mt19937 random(3);
  for (int round = 0; round < 20000; ++round) {
    std::u16string text;
    for (int n = random() % 14; n > 0; --n) text += pieces[random() % std::size(pieces)];
    std::string bytes = ToUtf8(text);
    const std::u16string wide = DecodeNumericReferences(text);
    DecodeNumericReferencesUtf8(bytes);
    ASSERT_EQ(Show(FromUtf8(bytes)), Show(wide)) << Show(text);
  }
}

TEST(CollapseLineBreakRuns, SameAsReplacingUntilGone) {
  const char* pieces[] = {"\r\n", "\r", "\n", "x", "\r\n\r\n"};
  std::mt19937 random(4);
  for (int round = 0; round < 20000; ++round) {
    std::string text;
    for (int n = random() % 12; n > 0; --n) text += pieces[random() % std::size(pieces)];
    std::u16string wide = FromUtf8(text);
    html::ReplaceUntilGone(wide, u"\r\n\r\n", u"\r\n");
    html::CollapseLineBreakRuns(text);
    ASSERT_EQ(text, ToUtf8(wide));
  }
}

}  // namespace
}  // namespace qv::library
