// Selectors, What modes and XPath against results written by hand.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "library/select/select.h"
#include "support/errors.h"
#include "support/text.h"

namespace qv::library {
namespace {

std::string Joined(const std::vector<std::u16string>& items) {
  std::string out;
  for (size_t i = 0; i < items.size(); ++i) out += (i ? "|" : "") + ToUtf8(items[i]);
  return out;
}

// Elements carry their name in the text, so a result reads as a list of ids.
const char16_t kPage[] =
    uR"(<!DOCTYPE html><html><head><title>T</title></head><body>
<div id="main" class="box  wide" lang="en-US">
  <p class="lead">p1</p>
  <p>p2 <a href="/x" rel="next">a1</a></p>
  <span data-k="a b c">s1</span>
  <P CLASS="Lead">p3</P>
  <ul><li>l1</li><li>l2</li><li>l3</li><li>l4</li><li>l5</li></ul>
  <em></em>
  <span title="it's &quot;q&quot;">s2</span>
</div>
<div class="other"><b>b1</b><i>i1</i><b>b2</b></div>
<a href="img/1.png" title="x-y">a2</a>
</body></html>)";

struct SelectRow {
  const char16_t* selector;
  const char* expected;  // texts joined by "|"
};

TEST(HtmlSelect, EverySelectorForm) {
  const SelectRow rows[] = {
      {u"p", "p1|p2 a1|p3"},
      {u"P", "p1|p2 a1|p3"},
      {u"*#main > em", ""},
      {u"#main > span", "s1|s2"},
      {u"#MAIN", ""},
      {u".lead", "p1"},
      {u".Lead", "p3"},
      {u"div.box.wide > p.lead", "p1"},
      {u"[rel]", "a1"},
      {u"[REL=next]", "a1"},
      {u"a[href='/x']", "a1"},
      {u"span[data-k~=b]", "s1"},
      {u"span[data-k~=\"a b\"]", ""},
      {u"div[lang|=en]", "p1 p2 a1 s1 p3 l1 l2 l3 l4 l5 s2"},
      {u"a[title|=x]", "a2"},
      {u"a[href^=img]", "a2"},
      {u"a[href$='.png']", "a2"},
      {u"a[href*=\"g/1\"]", "a2"},
      {u"a[href^='']", ""},
      {u"span[title=\"it's \\\"q\\\"\"]", "s2"},
      {u"div p a", "a1"},
      {u"body > a", "a2"},
      {u"p.lead + p", "p2 a1"},
      {u"p.lead ~ span", "s1|s2"},
      {u"b + i", "i1"},
      {u"i + b", "b2"},
      {u"li:first-child", "l1"},
      {u"li:last-child", "l5"},
      {u"ul:only-child", ""},
      {u"a:only-child", "a1"},
      {u"li:nth-child(2)", "l2"},
      {u"li:nth-child(odd)", "l1|l3|l5"},
      {u"li:nth-child(even)", "l2|l4"},
      {u"li:nth-child(2n+1)", "l1|l3|l5"},
      {u"li:nth-child(3n)", "l3"},
      {u"li:nth-child(-n+2)", "l1|l2"},
      {u"li:nth-child( n + 4 )", "l4|l5"},
      {u"li:nth-child(0n+5)", "l5"},
      {u"li:nth-last-child(1)", "l5"},
      {u"li:nth-last-child(2n)", "l2|l4"},
      {u"b:first-of-type", "b1"},
      {u"b:last-of-type", "b2"},
      {u"i:only-of-type", "i1"},
      {u"b:nth-of-type(2)", "b2"},
      {u"b:nth-last-of-type(2)", "b1"},
      {u"div > span:first-of-type", "s1"},
      {u"li:not(:nth-child(odd))", "l2|l4"},
      {u"#main > :not(p):not(span)", "l1 l2 l3 l4 l5|"},
      {u"p:not(.lead)", "p2 a1|p3"},
      {u"em:empty", ""},
      {u"#main :empty", ""},
      {u"html:root > head > title", "T"},
      {u":root", ""},
      {u"li:contains('l3')", "l3"},
      {u"p:contains(\"a1\")", "p2 a1"},
      {u"i, b", "b1|i1|b2"},
      {u"a:contains(nothing)", ""},
  };
  for (const SelectRow& row : rows) {
    std::vector<std::u16string> got = HtmlSelect(kPage, row.selector);
    // The plain translation, walking the tree, finds what the indexed one
    // finds.
    EXPECT_EQ(XPathValues(kPage, u"count(" + CssToXPath(row.selector) + u")"),
              std::vector<std::u16string>{IntToText(static_cast<long long>(got.size()))})
        << ToUtf8(row.selector);
    // ":root" matches <html>, whose text is long; compare its count only.
    if (std::u16string_view(row.selector) == u":root") {
      EXPECT_EQ(got.size(), 1u);
      continue;
    }
    if (std::u16string_view(row.selector) == u"#main :empty" ||
        std::u16string_view(row.selector) == u"em:empty") {
      EXPECT_EQ(got.size(), 1u) << ToUtf8(row.selector);
      continue;
    }
    EXPECT_EQ(Joined(got), row.expected)
        << ToUtf8(row.selector) << " -> " << ToUtf8(CssToXPath(row.selector));
  }
}

TEST(HtmlSelect, WhatModes) {
  const char16_t page[] = u"<div id=d><p>one <b>two</b><br>three</p>\n<p>four&amp;</p><img src=a.png></div>";
  EXPECT_EQ(Joined(HtmlSelect(page, u"div")), "one two three four&");
  EXPECT_EQ(Joined(HtmlSelect(page, u"p", u"html")), "<p>one <b>two</b><br>three</p>|<p>four&amp;</p>");
  EXPECT_EQ(Joined(HtmlSelect(page, u"p", u"inner")), "one <b>two</b><br>three|four&amp;");
  EXPECT_EQ(Joined(HtmlSelect(page, u"div, p, img", u"@id")), "d");
  EXPECT_EQ(Joined(HtmlSelect(page, u"img", u"@SRC", u"http://h.example/a/b.html")),
            "http://h.example/a/a.png");
  EXPECT_EQ(Joined(HtmlSelect(page, u"div", u"@id", u"http://h.example/a/b.html")), "d");
  EXPECT_EQ(ToUtf8(HtmlSelectFirst(page, u"p", u"@title")), "");
  EXPECT_EQ(ToUtf8(HtmlSelectFirst(page, u"p")), "one two three");
  EXPECT_EQ(ToUtf8(HtmlSelectFirst(page, u"table")), "");
  EXPECT_THROW(HtmlSelect(page, u"p", u"outer"), ScriptError);
  // Serialised HTML keeps characters beyond ASCII as they are.
  EXPECT_EQ(ToUtf8(HtmlSelectFirst(u"<p title='中'>中 &amp; é</p>", u"p", u"html")),
            "<p title=\"中\">中 &amp; é</p>");
  // Script and style below the element are not text; the element itself is.
  const char16_t scripted[] = u"<div>a<script>var x;</script><style>p{}</style> b</div><script>s()</script>";
  EXPECT_EQ(Joined(HtmlSelect(scripted, u"div")), "a b");
  EXPECT_EQ(Joined(HtmlSelect(scripted, u"body > script")), "s()");
}

TEST(HtmlSelect, InvalidSelectorsNameThePosition) {
  const struct {
    const char16_t* selector;
    const char* message;
  } rows[] = {
      {u"", "Invalid selector at 1: empty selector"},
      {u"div[", "Invalid selector at 5: an attribute name expected"},
      {u"a[href=x", "Invalid selector at 9: ']' expected"},
      {u"a[href!=x]", "Invalid selector at 7: attribute operator expected"},
      {u"p:hover", "Invalid selector at 2: unknown pseudo-class ':hover'"},
      {u"p::before", "Invalid selector at 2: pseudo-elements are not supported"},
      {u"li:nth-child(x)", "Invalid selector at 14: invalid an+b"},
      {u"div >", "Invalid selector at 6: selector expected"},
      {u"a,,b", "Invalid selector at 3: unexpected ','"},
      {u"a:not(b c)", "Invalid selector at 9: ')' expected"},
      {u"*:first-of-type", "Invalid selector at 2: *:first-of-type needs an element name"},
      {u"a[title='x]", "Invalid selector at 9: unterminated string"},
      {u"a)", "Invalid selector at 2: unexpected ')'"},
  };
  for (const auto& row : rows) {
    try {
      HtmlSelect(kPage, row.selector);
      ADD_FAILURE() << ToUtf8(row.selector) << " was accepted";
    } catch (const ScriptError& e) {
      EXPECT_EQ(ToUtf8(e.message()), row.message);
    }
  }
}

// Names that are no XPath name (escapes allow any) are compared as text,
// so the compiled expression stays valid.
TEST(HtmlSelect, NamesBeyondXPathNames) {
  const char16_t page[] = u"<p data-x=1>a</p><p>b</p><p>c</p>";
  EXPECT_EQ(Joined(HtmlSelect(page, u"*~\uFFFD")), "");
  EXPECT_EQ(Joined(HtmlSelect(page, u"p ~ \\31 p")), "");
  EXPECT_EQ(Joined(HtmlSelect(page, u"p ~ p\\ x:first-of-type")), "");
  EXPECT_EQ(Joined(HtmlSelect(page, u"[data\\ x], [\\31], [data-x]")), "a");
  EXPECT_EQ(Joined(HtmlSelect(page, u"\\70 ~ \\70:nth-of-type(3)")), "c");
  // Escapes and strings may hold characters XPath refuses in a literal.
  EXPECT_EQ(Joined(HtmlSelect(page, u"\\4\uFFFD, [data-x='\x01']")), "");
}

TEST(CssToXPath, LiteralsWithBothQuotes) {
  EXPECT_EQ(ToUtf8(XPathLiteral(u"a'b\"c")), "concat('a', \"'\", 'b\"c')");
  EXPECT_EQ(ToUtf8(XPathLiteral(u"'")), "\"'\"");
  EXPECT_EQ(Joined(HtmlSelect(u"<p title=\"a'b&quot;c\">t</p>", u"p[title='a\\'b\"c']")), "t");
  EXPECT_EQ(ToUtf8(CssToXPath(u"#\\31 23")), "descendant-or-self::*[@id = '123']");
}

TEST(XPathValues, NodeSetsAndScalars) {
  EXPECT_EQ(Joined(XPathValues(kPage, u"//li[position() < 3]")), "l1|l2");
  EXPECT_EQ(Joined(XPathValues(kPage, u"//a/@href", u"http://h.example/d/e")),
            "http://h.example/x|http://h.example/d/img/1.png");
  EXPECT_EQ(Joined(XPathValues(kPage, u"//a/@title")), "x-y");
  EXPECT_EQ(Joined(XPathValues(kPage, u"count(//li)")), "5");
  EXPECT_EQ(Joined(XPathValues(kPage, u"count(//li) div 2")), "2.5");
  EXPECT_EQ(Joined(XPathValues(kPage, u"1 div 0")), "Infinity");
  EXPECT_EQ(Joined(XPathValues(kPage, u"0 div 0")), "NaN");
  EXPECT_EQ(Joined(XPathValues(kPage, u"boolean(//ul)")), "true");
  EXPECT_EQ(Joined(XPathValues(kPage, u"//table = 'x'")), "false");
  EXPECT_EQ(Joined(XPathValues(kPage, u"concat(//title, '!')")), "T!");
  EXPECT_EQ(Joined(XPathValues(kPage, u"//nothing")), "");
  EXPECT_EQ(Joined(XPathValues(kPage, u"//comment()")), "");
}

TEST(XPathValues, ErrorsNameThePosition) {
  const struct {
    const char16_t* expr;
    const char* prefix;
  } rows[] = {
      {u"//p[", "Invalid XPath at 5:"},      {u"//p]", "Invalid XPath at 4:"},
      {u"nofunc(1)", "Invalid XPath at 1:"}, {u"", "Invalid XPath at 1:"},
      {u"//\u4e2d[", "Invalid XPath at 5:"},  // positions count UTF-16 units
  };
  for (const auto& row : rows) {
    try {
      XPathValues(kPage, row.expr);
      ADD_FAILURE() << ToUtf8(row.expr) << " was accepted";
    } catch (const ScriptError& e) {
      EXPECT_EQ(ToUtf8(e.message()).rfind(row.prefix, 0), 0u) << ToUtf8(e.message());
    }
  }
}

TEST(HtmlSelect, TextEncodings) {
  // A page that names another charset is still read as the text it is.
  const char16_t gbk[] = u"<html><head><meta charset=\"gbk\"></head><body><p>中文 ü</p></body></html>";
  EXPECT_EQ(Joined(HtmlSelect(gbk, u"p")), "中文 ü");
  const char16_t meta[] =
      u"<meta http-equiv=Content-Type content=\"text/html; charset=iso-8859-1\"><p>中文 ü</p>";
  EXPECT_EQ(Joined(HtmlSelect(meta, u"p")), "中文 ü");
  // NULs and lone surrogates become U+FFFD; nothing is cut off after them.
  std::u16string odd = u"<p>a";
  odd += u'\0';
  odd += u"b";
  odd += static_cast<char16_t>(0xD800);
  odd += u"c</p><p>d</p>";
  EXPECT_EQ(Joined(HtmlSelect(odd, u"p")), "a\uFFFDb\uFFFDc|d");
  EXPECT_EQ(Joined(HtmlSelect(u"", u"p")), "");
  EXPECT_EQ(Joined(XPathValues(u"", u"count(//*)")), "0");
}

}  // namespace
}  // namespace qv::library
