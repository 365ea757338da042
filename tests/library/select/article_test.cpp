// The article extractor: its parts on pages built for one trait each, and
// its score on the development set of real news pages.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "library/encode/gzip.h"
#include "library/select/select.h"
#include "support/text.h"

namespace qv::library {
namespace {

namespace fs = std::filesystem;

std::string Text(std::u16string_view page, std::u16string_view url = {},
                 ArticlePart part = ArticlePart::kText) {
  return ToUtf8(ExtractArticle(page, url, part));
}

bool Has(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

const char16_t kEnglish[] =
    uR"(<html><head><title>Bridge reopens after repairs | City Herald</title>
<meta property="og:title" content="Bridge reopens after repairs"></head><body>
<header><nav><a href="/">Home</a> <a href="/city">City</a> <a href="/sport">Sport</a></nav></header>
<div class="layout">
 <div class="story-column">
  <h1>Bridge reopens after repairs</h1>
  <div class="byline">By A. Writer, 3 May</div>
  <div class="story-body">
   <p>The old river bridge opened to traffic again on Monday, eight months after cracks were found in two of its piers.</p>
   <p>Engineers replaced the damaged bearings, and the city says the bridge will carry lorries again from June.</p>
   <div class="share-tools"><a href="/s/fb">Share on one site</a> <a href="/s/x">Share on another</a></div>
   <p>Shops on both banks, which lost trade while the bridge was shut, welcomed the news, and some stayed open late.</p>
   <h2>What comes next</h2>
   <p>A second inspection is planned for the autumn, when the river is low enough to reach the foundations.</p>
  </div>
 </div>
 <div class="sidebar"><h3>Most read</h3><ul><li><a href="/1">Fair returns to the park this summer</a></li>
  <li><a href="/2">Council sets the budget for next year</a></li><li><a href="/3">New school opens its doors</a></li></ul></div>
</div>
<div class="comments"><p>What a relief, I cross that bridge every single day on my way to work in town.</p></div>
<footer><p>Copyright City Herald. All rights reserved. Contact us, advertise with us, and more.</p></footer>
</body></html>)";

TEST(ExtractArticle, EnglishArticleWithoutItsSurroundings) {
  const std::string text = Text(kEnglish);
  EXPECT_EQ(text.rfind("The old river bridge", 0), 0u) << text;
  EXPECT_TRUE(Has(text, "\r\nEngineers replaced"));
  EXPECT_TRUE(Has(text, "Shops on both banks"));
  EXPECT_TRUE(Has(text, "What comes next"));
  EXPECT_TRUE(Has(text, "reach the foundations."));
  for (const char* outside : {"Home", "By A. Writer", "Share on", "Most read", "Fair returns",
                              "What a relief", "Copyright", "Bridge reopens"})
    EXPECT_FALSE(Has(text, outside)) << outside;
  EXPECT_EQ(Text(kEnglish, {}, ArticlePart::kTitle), "Bridge reopens after repairs");
  const std::string html = Text(kEnglish, u"http://herald.example/city/bridge.html", ArticlePart::kHtml);
  EXPECT_EQ(html.rfind("<p>The old river bridge", 0), 0u) << html;
  EXPECT_FALSE(Has(html, "Share on"));
}

TEST(ExtractArticle, ChineseCountsCharacters) {
  // Short by word count, long by character count: the paragraphs are the
  // article, the link lists around them are not.
  const char16_t page[] =
      uR"(<html><head><title>城市新闻_本地网</title></head><body>
<div class="nav"><a href="/">首页</a><a href="/a">国内</a><a href="/b">国际</a><a href="/c">体育</a></div>
<div class="main"><h1>城市新闻</h1>
<div class="content">
<p>　　本市今日召开新闻发布会，介绍了今年上半年的经济运行情况，各项主要指标保持平稳增长。</p>
<p>&nbsp;发布会上，有关负责人表示，下一步将继续加大对中小企业的扶持力度，稳定就业。</p>
<p>据了解，今年以来全市新增市场主体超过两万户，同比增长百分之十二。</p>
</div></div>
<div class="links"><a href="/1">相关新闻一</a><a href="/2">相关新闻二</a><a href="/3">相关新闻三</a></div>
</body></html>)";
  const std::string text = Text(page);
  EXPECT_EQ(text.rfind("本市今日召开新闻发布会", 0), 0u) << text;
  EXPECT_TRUE(Has(text, "稳定就业。\r\n据了解"));
  EXPECT_TRUE(Has(text, "增长。\r\n发布会上"));
  EXPECT_FALSE(Has(text, "首页"));
  EXPECT_FALSE(Has(text, "相关新闻"));
  EXPECT_EQ(Text(page, {}, ArticlePart::kTitle), "城市新闻");
}

TEST(ExtractArticle, TitleWithoutTheSiteName) {
  EXPECT_EQ(Text(u"<title>Quiet week ahead - Example News</title><h1>Menu</h1>", {}, ArticlePart::kTitle),
            "Quiet week ahead");
  EXPECT_EQ(Text(u"<title>Site</title><h1>A headline here</h1>", {}, ArticlePart::kTitle), "A headline here");
  EXPECT_EQ(Text(u"<title>Site</title><h1>One</h1><h1>Two</h1>", {}, ArticlePart::kTitle), "Site");
  EXPECT_EQ(Text(u"<p>no title</p><h1>Only a heading</h1>", {}, ArticlePart::kTitle), "Only a heading");
  EXPECT_EQ(Text(u"", {}, ArticlePart::kTitle), "");
  EXPECT_EQ(Text(u""), "");
  EXPECT_EQ(Text(u"<p>short</p>"), "");
}

// The development set: real news pages with their articles' text and the
// benchmark's own scoring (tests/library/select/articles-dev; QV_ARTICLES_DEV
// names another folder of the same layout).
TEST(ExtractArticle, DevelopmentSetScore) {
  const char* env = std::getenv("QV_ARTICLES_DEV");
  const fs::path src = std::getenv("QV_SOURCE_DIR") ? std::getenv("QV_SOURCE_DIR") : ".";
  const fs::path dev = env ? fs::path(env) : src / "tests/library/select/articles-dev";
  if (!fs::exists("/usr/bin/python3")) GTEST_SKIP() << "python3 is needed to score the development set";
  ASSERT_TRUE(fs::exists(dev / "evaluate.py")) << "no development set at " << dev;
  const fs::path work = fs::temp_directory_path() / ("qv_article_" + std::to_string(::getpid()));
  fs::create_directories(work);
  std::ofstream out(work / "output.json", std::ios::binary);
  out << "{";
  bool first = true;
  for (const auto& entry : fs::directory_iterator(dev / "html")) {
    std::ifstream in(entry.path(), std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    std::string html;
    ASSERT_TRUE(GunzipBytes(ss.str(), html));
    const std::string id =
        entry.path().filename().string().substr(0, entry.path().filename().string().find('.'));
    std::string json;
    for (char c : ToUtf8(ExtractArticle(FromUtf8(html)))) {
      if (c == '"' || c == '\\') {
        json += '\\';
        json += c;
      } else if (static_cast<unsigned char>(c) < 0x20) {
        char buf[8];
        std::snprintf(buf, sizeof buf, "\\u%04x", c);
        json += buf;
      } else {
        json += c;
      }
    }
    out << (first ? "" : ",") << "\"" << id << "\":{\"articleBody\":\"" << json << "\"}";
    first = false;
  }
  out << "}";
  out.close();
  const std::string script =
      "import json,sys; sys.path.insert(0, sys.argv[1]); import evaluate as e; "
      "g=json.load(open(sys.argv[1]+'/ground-truth.json')); p=json.load(open(sys.argv[2])); "
      "m=e.metrics_from_tp_fp_fns([e.string_shingle_matching(true=g[k]['articleBody'], "
      "pred=p.get(k,{}).get('articleBody','')) for k in g]); print(m['f1'])";
  const std::string command = "/usr/bin/python3 -c \"" + script + "\" " + dev.string() + " " +
                              (work / "output.json").string() + " > " + (work / "f1.txt").string();
  ASSERT_EQ(std::system(command.c_str()), 0);
  std::ifstream f1File(work / "f1.txt");
  double f1 = 0;
  f1File >> f1;
  fs::remove_all(work);
  std::printf("F1 on the development set: %.3f\n", f1);
  EXPECT_GE(f1, 0.96);
}

}  // namespace
}  // namespace qv::library
