// analyzecontent on small hand-made pages.
#include <gtest/gtest.h>

#include <string>

#include "library/html/analyze_content.h"
#include "support/text.h"

namespace qv::library {
namespace {

// Failures show the start of long texts only.
std::string Show(std::u16string_view s) {
  std::string u = ToUtf8(s);
  return u.size() > 400 ? u.substr(0, 200) + "..." + u.substr(u.size() - 150) + " (" +
                              std::to_string(u.size()) + " bytes)"
                        : u;
}

// A paragraph of `sentences` sentences of 25 Chinese characters each.
std::u16string Chinese(int sentences, std::u16string_view topic = u"城市") {
  std::u16string p;
  for (int i = 0; i < sentences; ++i)
    p += std::u16string(topic) + u"的居民们在新建的公园里散步聊天，生活变得更加美好。";
  return p;
}

const std::u16string kBase = u"http://news.example.com/a/1.html";

// An article page: navigation, two long paragraphs with an image between
// them, a copyright footer. Every </p> and </div> ends a line; a <p> joins
// the line before it, so the article is one line.
std::u16string ArticlePage() {
  return u"<html><head><title>城市新闻</title><script>var a = '<div>';</script></head>\r\n"
         u"<body>\r\n"
         u"<div class=\"nav\"><a href=\"/\">首页</a> | <a href=\"/news/\">新闻</a></div>\r\n"
         u"<div id=\"content\">\r\n"
         u"<p>" +
         Chinese(10) +
         u"</p>\r\n"
         u"<p><img src=\"images/photo1.jpg\" alt=\"照片\"></p>\r\n"
         u"<p>" +
         Chinese(10, u"乡村") +
         u"</p>\r\n"
         u"</div>\r\n"
         u"<div class=\"footer\">Copyright 2024 " +
         Chinese(4) +
         u" 京ICP备12345678号</div>\r\n"
         u"</body></html>";
}

const std::u16string kArticle = u"<div id=\"content\"><p>" + Chinese(10) + u"<p>" +
                                u"[img=images/photo1.jpg]http://news.example.com/a/images/photo1.jpg[/img]" +
                                u"<p>" + Chinese(10, u"乡村");

TEST(AnalyzeContent, ChineseArticleWithoutNavigationAndFooter) {
  EXPECT_EQ(Show(AnalyzeContent(ArticlePage(), kBase)), Show(kArticle));
}

TEST(AnalyzeContent, EmptyBaseLeavesImageTags) {
  std::u16string r = AnalyzeContent(ArticlePage(), u"");
  EXPECT_NE(r.find(u"<img src=\"images/photo1.jpg\" alt=\"照片\">"), std::u16string::npos);
  EXPECT_EQ(r.find(u"[img="), std::u16string::npos);
}

TEST(AnalyzeContent, GivenRatioLimitTakesTheNavigationToo) {
  // The navigation line: 5 tags against 14 text units (twice 首页, " | " and
  // 新闻) gives a ratio of 357.
  const std::u16string nav = u"\n<div class=\"nav\"><a href=\"/\">首页</a> | <a href=\"/news/\">新闻</a>";
  EXPECT_EQ(Show(AnalyzeContent(ArticlePage(), kBase, 357)), Show(nav + kArticle));
  EXPECT_EQ(Show(AnalyzeContent(ArticlePage(), kBase, 356)), Show(kArticle));
}

TEST(AnalyzeContent, TextSplitByAnAdvertisementStaysWhole) {
  const std::u16string page =
      u"<body><div class=\"main\"><p>" + Chinese(10) +
      u"</p></div><div class=\"ad\"><a href=\"http://ads.example.com/\">"
      u"<img src=\"/ad/banner.gif\"></a></div><div class=\"main\"><p>" +
      Chinese(10, u"乡村") +
      u"</p></div><div class=\"links\"><a href=\"/1\">a</a><a href=\"/2\">b</a></div></body>";
  // The image line between the two parts has no text; it joins the
  // selection as the line just before the second part.
  const std::u16string expected = u"\n<div class=\"main\"><p>" + Chinese(10) +
                                  u"\n<div class=\"ad\"><a href=\"http://ads.example.com/\">"
                                  u"[img=/ad/banner.gif]http://news.example.com/ad/banner.gif[/img]</a>"
                                  u"<div class=\"main\"><p>" +
                                  Chinese(10, u"乡村");
  EXPECT_EQ(Show(AnalyzeContent(page, kBase)), Show(expected));
}

TEST(AnalyzeContent, Table) {
  const struct {
    const char16_t* what;
    std::u16string page;
    std::u16string result;
  } cases[] = {
      {u"empty page", u"", u""},
      {u"no body and no head: the whole page", u"<p>" + Chinese(3), u"<p>" + Chinese(3)},
      {u"short lines of markup only give nothing",
       u"<body><div><a href=x>Home</a></div><div><a href=y>News</a></div></body>", u""},
      {u"a copyright line is never returned",
       u"<body><div>All Rights Reserved " + Chinese(10) + u"</div></body>", u""},
      {u"an ICP line is never returned", u"<body><div>京ICP备 " + Chinese(10) + u"</div></body>", u""},
      {u"hidden elements go",
       u"<body><div>" + Chinese(10) + u"<span style=\"display: none\">秘密</span></div></body>",
       u"\n<div>" + Chinese(10)},
      // One tag against 4,000 text units would round to ratio 0, the mark
      // of an image line without text.
      {u"a paragraph of 2,000 characters is kept", u"<body><div>" + Chinese(80) + u"</div></body>",
       u"\n<div>" + Chinese(80)},
      // A tag that comes again (in any case) takes the first one's rewrite.
      {u"repeated images",
       u"<body><div>" + Chinese(10) + u"<img src=\"a.jpg\"><IMG SRC=\"a.jpg\"><img src=b.png></div></body>",
       u"\n<div>" + Chinese(10) + u"[img=a.jpg]http://news.example.com/a/a.jpg[/img]" +
           u"[img=a.jpg]http://news.example.com/a/a.jpg[/img][img=b.png]http://news.example.com/a/b.png[/"
           u"img]"},
      {u"repeated images after one without src",
       u"<body><div>" + Chinese(10) + u"<img alt=x><img src=\"a.jpg\"><IMG SRC=\"a.jpg\"></div></body>",
       u"\n<div>" + Chinese(10) + u"<img alt=x>[img=a.jpg]http://news.example.com/a/a.jpg[/img]" +
           u"[img=a.jpg]http://news.example.com/a/a.jpg[/img]"},
      // An image tag without src is not joined to a later src= in the text.
      {u"an image pattern stays inside its tag",
       u"<body><div>" + Chinese(10) + u"<img alt=\"x\"> 文字 src=\"z.jpg\" 结束<br></div></body>",
       u"\n<div>" + Chinese(10) + u"<img alt=\"x\"> 文字 src=\"z.jpg\" 结束<br>"},
  };
  for (const auto& c : cases) EXPECT_EQ(Show(AnalyzeContent(c.page, kBase)), Show(c.result)) << Show(c.what);
}

}  // namespace
}  // namespace qv::library
