// Parse + select on one page, CPU seconds (best of N), for
// bench/select_vs_lxml.sh:
//   select_bench links FILE N   parse + htmlselect(page, "a", "@href")
//   select_bench paras FILE N   parse + xpath(page, "//p")
//   select_bench again FILE N   htmlselect(page, "a", "text") after the links
//   select_bench other FILE N   htmlselect(page, "h2") (and others) after the links
//   select_bench article DIR    extractarticle on every DIR/article_*.html
// The page is text before the clock starts, as a script holds it.
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "library/select/select.h"
#include "support/text.h"

namespace {

double CpuSeconds() {
  timespec ts;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return ts.tv_sec + ts.tv_nsec / 1e9;
}

std::u16string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return qv::FromUtf8(ss.str());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: select_bench links|paras|again FILE N | article DIR\n");
    return 64;
  }
  using namespace qv::library;
  const std::string mode = argv[1];
  if (mode == "article") {
    std::vector<std::u16string> pages;
    for (const auto& e : std::filesystem::directory_iterator(argv[2]))
      if (e.path().filename().string().rfind("article_", 0) == 0)
        pages.push_back(ReadText(e.path().string()));
    size_t bytes = 0;
    for (const auto& p : pages) bytes += qv::ToUtf8(p).size();
    const double start = CpuSeconds();
    size_t out = 0;
    for (const auto& p : pages) {
      ClearSelectCache();
      out += ExtractArticle(p).size();
    }
    const double s = CpuSeconds() - start;
    std::printf("article: %zu pages of %.0f KB on average, %.3f s, %.0f pages/s (%zu units out)\n",
                pages.size(), bytes / 1e3 / pages.size(), s, pages.size() / s, out);
    return 0;
  }
  const std::u16string page = ReadText(argv[2]);
  const int n = argc > 3 ? std::atoi(argv[3]) : 3;
  double best = 1e9;
  size_t count = 0;
  const bool second = mode == "again" || mode == "other";
  if (second) HtmlSelect(page, u"a", u"@href");
  for (int i = 0; i < n; ++i) {
    if (!second) ClearSelectCache();
    const double start = CpuSeconds();
    if (mode == "paras") {
      count = XPathValues(page, u"//p").size();
    } else if (mode == "again") {
      count = HtmlSelect(page, u"a", u"text").size();
    } else if (mode == "other") {
      // A selector not asked before each time, so the tree is walked.
      static const char16_t* const kOthers[] = {u"h2", u"li", u"td", u"h3", u"img", u"span"};
      count = HtmlSelect(page, kOthers[i % 6]).size();
    } else {
      count = HtmlSelect(page, u"a", u"@href").size();
    }
    best = std::min(best, CpuSeconds() - start);
  }
  std::printf("%s: %zu results, %.4f s\n", mode.c_str(), count, best);
  return 0;
}
