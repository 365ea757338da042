// Timings of the HTML functions.
//
//   html_bench text PAGE [REPEAT]     HtmlToText on a file: MB/s (freespace 0)
//   html_bench content PAGE...        analyzecontent: pages per second
//   html_bench all PAGE               every function on one page: seconds and peak memory
//   html_bench digest PAGE...         a hash of every function's result on each
//                                     page, to check that a faster version
//                                     gives the same results
//   html_bench hostile [MB]           every function on hostile pages of about MB
//                                     megabytes (default 1): seconds each
//
// Pages are read as UTF-8. Times are CPU seconds.
#include <ctime>

#include <sys/resource.h>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "library/html/analyze_content.h"
#include "library/html/analyze_title.h"
#include "library/html/html_to_text.h"
#include "support/memory_policy.h"
#include "support/text.h"

namespace {

using qv::library::AnalyzeContent;
using qv::library::AnalyzeTitle;
using qv::library::HtmlToText;

std::u16string ReadPage(const char* path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  return qv::FromUtf8(ss.str());
}

// CPU seconds of the process (one thread): the machine may be shared, and
// waiting for a core is not the function's time.
double Seconds(const std::function<void()>& work) {
  auto cpu = [] {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
  };
  double t0 = cpu();
  work();
  return cpu() - t0;
}

int Text(const char* path, int repeat) {
  std::u16string page = ReadPage(path);
  double mb = static_cast<double>(qv::ToUtf8(page).size()) / 1e6;
  double best = 1e9;
  size_t out = 0;
  for (int i = 0; i < repeat; ++i)
    best = std::min(best, Seconds([&] { out = HtmlToText(page, 0, false).size(); }));
  std::printf("HtmlToText %.2f MB: %.3f s, %.1f MB/s (%zu characters of text)\n", mb, best, mb / best, out);
  return 0;
}

int All(const char* path) {
  std::u16string page = ReadPage(path);
  double mb = static_cast<double>(qv::ToUtf8(page).size()) / 1e6;
  std::printf("%.1f MB: text %.2f %.2f %.2f  title %.2f  content %.2f s", mb,
              Seconds([&] { HtmlToText(page, 0, false); }), Seconds([&] { HtmlToText(page, 1, false); }),
              Seconds([&] { HtmlToText(page, 2, false); }), Seconds([&] { AnalyzeTitle(page); }),
              Seconds([&] { AnalyzeContent(page, u"http://h/a/b.html", -1); }));
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("  peak %ld MB\n", usage.ru_maxrss / 1024);
  return 0;
}

int Content(int argc, char** argv) {
  std::vector<std::u16string> pages;
  for (int i = 0; i < argc; ++i) pages.push_back(ReadPage(argv[i]));
  size_t out = 0;
  double s = Seconds([&] {
    for (const auto& p : pages)
      out += AnalyzeContent(p, u"http://news.example.com/2024/05/a.html", -1).size();
  });
  std::printf("analyzecontent: %zu pages in %.3f s, %.1f pages/s (%zu characters selected)\n", pages.size(),
              s, static_cast<double>(pages.size()) / s, out);
  return 0;
}

// FNV-1a over the UTF-16 units.
uint64_t Digest(std::u16string_view s) {
  uint64_t h = 1469598103934665603ull;
  for (char16_t c : s) h = (h ^ c) * 1099511628211ull;
  return h ^ s.size();
}

int Digests(int argc, char** argv) {
  for (int i = 0; i < argc; ++i) {
    std::u16string page = ReadPage(argv[i]);
    std::printf("%016llx %016llx %016llx %016llx %016llx  %s\n",
                static_cast<unsigned long long>(Digest(HtmlToText(page, 0, false))),
                static_cast<unsigned long long>(Digest(HtmlToText(page, 1, false))),
                static_cast<unsigned long long>(Digest(HtmlToText(page, 2, false))),
                static_cast<unsigned long long>(Digest(AnalyzeTitle(page))),
                static_cast<unsigned long long>(Digest(AnalyzeContent(page, u"http://h/a/b.html", -1))),
                argv[i]);
  }
  return 0;
}

std::u16string Repeat(std::u16string_view unit, size_t bytes) {
  std::u16string s;
  while (s.size() < bytes) s += unit;
  return s;
}

int Hostile(double mb) {
  const size_t n = static_cast<size_t>(mb * 1e6);
  const struct {
    const char* name;
    std::u16string page;
  } pages[] = {
      {"unclosed <script", u"<p>a</p><script>" + Repeat(u"var x = 1; ", n)},
      {"run of <", Repeat(u"<", n)},
      {"nested divs", Repeat(u"<div>", n / 2) + u"text" + Repeat(u"</div>", n / 2)},
      {"unterminated comment", u"<p>a</p><!--" + Repeat(u"comment text ", n)},
      {"many comments", Repeat(u"<!-- c --><p>x</p>", n)},
      {"many distinct comments",
       [&] {
         std::u16string s;
         for (int i = 0; s.size() < n; ++i) s += u"<!-- " + qv::IntToText(i) + u" --><p>x</p>";
         return s;
       }()},
      {"unclosed <option", Repeat(u"<option>item ", n)},
      {"<p without >", Repeat(u"<p", n)},
      {"lone apostrophes in tags", Repeat(u"<span data-x='{\"a\":\"it's\"}' b='c>text ", n)},
      {"many distinct h2",
       [&] {
         std::u16string s = u"<title>t</title>";
         for (int i = 0; s.size() < n; ++i) s += u"<h2>Heading " + qv::IntToText(i) + u"</h2><p>text</p>";
         return s;
       }()},
      {"lone surrogates and NULs", Repeat(std::u16string(u"<b>\xD800x\0y\xDC00</b>&#55296;", 20), n)},
      {"ideographic spaces", u"<p>a" + Repeat(u"　", n / 3) + u"<p>b"},
      {"unclosed display:none", Repeat(u"<span style=\"display:none\">x", n)},
      {"images without src", Repeat(u"<img alt=x> src=", n)},
      {"run of &", u"<p>" + Repeat(u"&", n)},
      {"joined entities", u"<p>" + Repeat(u"&quot&amp;amp;&AMP;&nbsp&", n)},
  };
  for (const auto& p : pages) {
    double t[5];
    t[0] = Seconds([&] { HtmlToText(p.page, 0, false); });
    t[1] = Seconds([&] { HtmlToText(p.page, 1, false); });
    t[2] = Seconds([&] { HtmlToText(p.page, 2, false); });
    t[3] = Seconds([&] { AnalyzeTitle(p.page); });
    t[4] = Seconds([&] { AnalyzeContent(p.page, u"http://h/a/b.html", -1); });
    std::printf("%-26s %6.2f MB  text %6.3f %6.3f %6.3f  title %6.3f  content %6.3f s\n", p.name,
                static_cast<double>(qv::ToUtf8(p.page).size()) / 1e6, t[0], t[1], t[2], t[3], t[4]);
    std::fflush(stdout);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  qv::ApplyMemoryPolicy();
  std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "text" && argc > 2) return Text(argv[2], argc > 3 ? std::atoi(argv[3]) : 3);
  if (mode == "all" && argc > 2) return All(argv[2]);
  if (mode == "content" && argc > 2) return Content(argc - 2, argv + 2);
  if (mode == "digest" && argc > 2) return Digests(argc - 2, argv + 2);
  if (mode == "hostile") return Hostile(argc > 2 ? std::atof(argv[2]) : 1.0);
  std::fprintf(
      stderr,
      "usage: html_bench text PAGE [REPEAT] | content PAGE... | all PAGE | digest PAGE... | hostile [MB]\n");
  return 64;
}
