// The same selectors here and in Python lxml + cssselect (the reference for
// how CSS selectors read as XPath) on real pages: the same elements, texts
// and links. Skipped when Debian's python3-lxml or python3-cssselect is
// missing.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "library/encode/gzip.h"
#include "library/select/select.h"
#include "support/text.h"

namespace qv::library {
namespace {

namespace fs = std::filesystem;

const char* const kPython = "/usr/bin/python3";

const char16_t* const kSelectors[] = {
    u"a",
    u"a[href]",
    u"div > p",
    u"p + p",
    u"p ~ ul",
    u"h1, h2, h3",
    u"li:nth-child(2n+1)",
    u"li:nth-child(-n+3)",
    u"ul li:last-child",
    u"td:nth-last-child(1)",
    u"p:first-of-type",
    u"p:last-of-type",
    u"div:only-of-type",
    u"span:only-child",
    u"li:nth-of-type(3n)",
    u"tr:nth-last-of-type(odd)",
    u"div[class]",
    u"a[href^='http']",
    u"a[href$='/']",
    u"a[href*=com]",
    u"meta[name|=twitter]",
    u"link[rel~=stylesheet]",
    u"img[src]",
    u"div:not(.clearfix) > a",
    u"body > *:first-child",
    u"p:empty",
    u"*:root",
    u"p:contains('2')",  // lxml compares letters without case; digits have none
    u"nav a, footer a",
    u"html > body div div p",
};

std::string RemoveSpace(const std::u16string& s) {
  std::string out;
  for (char c : ToUtf8(s))
    if (c != ' ' && c != '\t' && c != '\n' && c != '\r' && c != '\f') out += c;
  return out;
}

std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

bool ReferenceAvailable() {
  return fs::exists(kPython) &&
         std::system((std::string(kPython) + " -c 'import lxml.html, lxml.cssselect' 2>/dev/null").c_str()) ==
             0;
}

TEST(HtmlSelectDifferential, SameElementsAsLxml) {
  if (!ReferenceAvailable()) GTEST_SKIP() << "python3-lxml and python3-cssselect are needed for this test";
  const fs::path src = std::getenv("QV_SOURCE_DIR") ? std::getenv("QV_SOURCE_DIR") : ".";
  const fs::path dir = src / "tests/library/select";
  const fs::path work = fs::temp_directory_path() / ("qv_select_diff_" + std::to_string(::getpid()));
  fs::create_directories(work);
  {
    std::ofstream sel(work / "selectors.txt", std::ios::binary);
    for (const char16_t* s : kSelectors) sel << ToUtf8(s) << "\n";
  }
  int pages = 0;
  for (const auto& entry : fs::directory_iterator(dir / "pages")) {
    if (entry.path().extension() != ".gz") continue;
    ++pages;
    std::string html;
    ASSERT_TRUE(GunzipBytes(ReadFile(entry.path()), html));
    std::ofstream(work / "page.html", std::ios::binary) << html;
    const std::string command = std::string(kPython) + " " + (dir / "lxml_reference.py").string() + " " +
                                (work / "page.html").string() + " " + (work / "selectors.txt").string() +
                                " > " + (work / "reference.txt").string();
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    std::istringstream ref(ReadFile(work / "reference.txt"));
    const std::u16string page = FromUtf8(html);
    for (const char16_t* selector : kSelectors) {
      SCOPED_TRACE(entry.path().filename().string() + " " + ToUtf8(selector));
      std::string tag;
      size_t n = 0;
      ref >> tag >> n;
      ref.ignore(1);
      std::vector<std::string> texts(n);
      for (std::string& t : texts) std::getline(ref, t);
      const std::vector<std::u16string> mine = HtmlSelect(page, selector);
      ASSERT_EQ(mine.size(), n);
      for (size_t i = 0; i < n; ++i) EXPECT_EQ(RemoveSpace(mine[i]), texts[i]) << "element " << i;
      ref >> tag >> n;
      ref.ignore(1);
      std::vector<std::string> hrefs(n);
      for (std::string& h : hrefs) std::getline(ref, h);
      const std::vector<std::u16string> links = HtmlSelect(page, selector, u"@href");
      ASSERT_EQ(links.size(), n);
      for (size_t i = 0; i < n; ++i) {
        std::string mineHref = ToUtf8(links[i]);
        for (char& c : mineHref)
          if (c == '\t' || c == '\n' || c == '\r' || c == '\f') c = ' ';
        EXPECT_EQ(mineHref, hrefs[i]);
      }
    }
  }
  EXPECT_GE(pages, 4);
  fs::remove_all(work);
}

}  // namespace
}  // namespace qv::library
