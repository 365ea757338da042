// The article extractor over a folder of pages: writes each page's text to
// OUTDIR/NAME.txt (for the scoring script) and prints pages per second and
// MB per second, parsing included (each page is extracted once, so the
// document cache never helps).
//
//   article_bench OUTDIR page1.html page2.html ...
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "library/select/select.h"
#include "support/text.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::cerr << "usage: article_bench OUTDIR FILE...\n";
    return 64;
  }
  const std::filesystem::path outDir = argv[1];
  std::filesystem::create_directories(outDir);
  struct Page {
    std::string name;
    std::u16string text;
  };
  std::vector<Page> pages;
  size_t bytes = 0;
  for (int i = 2; i < argc; ++i) {
    std::ifstream in(argv[i], std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    bytes += ss.str().size();
    std::string name = std::filesystem::path(argv[i]).filename().string();
    name = name.substr(0, name.find('.'));
    pages.push_back({name, qv::FromUtf8(ss.str())});
  }
  double seconds = 0;
  for (const Page& p : pages) {
    qv::library::ClearSelectCache();
    const auto start = std::chrono::steady_clock::now();
    const std::u16string text = qv::library::ExtractArticle(p.text, u"", qv::library::ArticlePart::kText);
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::ofstream(outDir / (p.name + ".txt"), std::ios::binary) << qv::ToUtf8(text);
    const std::u16string title = qv::library::ExtractArticle(p.text, u"", qv::library::ArticlePart::kTitle);
    std::ofstream(outDir / (p.name + ".title"), std::ios::binary) << qv::ToUtf8(title);
  }
  std::printf("%zu pages, %.1f MB: %.1f pages/s, %.1f MB/s (%.2f ms per 100 KB)\n", pages.size(), bytes / 1e6,
              pages.size() / seconds, bytes / 1e6 / seconds, seconds * 1000 / (bytes / 1e5));
  return 0;
}
