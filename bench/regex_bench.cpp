// Extracts every href of a generated 20 MB HTML page through Match,
// MatchAgain and group access, and runs `pcre2grep -o1` on the same file in
// the same run for comparison.
//
//   regex_bench                 generate /tmp/qv_regex_bench.html, time both
//   regex_bench --make FILE     only write the page
//   regex_bench --only FILE     only time the regular-expression object
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "support/regex.h"
#include "support/text.h"

namespace {

using Clock = std::chrono::steady_clock;
const char kPattern[] = "href\\s*=\\s*\"([^\"]*)\"";

double Ms(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double, std::milli>(b - a).count();
}

void MakePage(const std::string& path) {
  std::string page = "<html><head><title>Links</title></head><body>\n";
  const char* words[] = {"data", "collect", "页面", "news", "article", "内容", "index", "archive"};
  unsigned seed = 1;
  for (int i = 0; page.size() < 20u * 1024 * 1024; ++i) {
    seed = seed * 1103515245u + 12345u;
    page += "<div class=\"item\"><p>Paragraph ";
    for (int w = 0; w < 6; ++w) page += std::string(words[(seed >> (w * 3)) % 8]) + " ";
    page += "</p>\n<a class=\"link\" href=\"https://example.com/" + std::string(words[seed % 8]) + "/" +
            std::to_string(i) + ".html\">Item " + std::to_string(i) + "</a>";
    if (i % 3 == 0) page += " <a HREF = \"/rel/" + std::to_string(seed % 100000) + "\">rel</a>";
    page += "</div>\n";
  }
  page += "</body></html>\n";
  std::ofstream(path, std::ios::binary) << page;
}

std::string ReadFile(const std::string& path) {
  std::string bytes;
  if (FILE* f = std::fopen(path.c_str(), "rb")) {
    char buf[1 << 16];
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) bytes.append(buf, n);
    std::fclose(f);
  }
  return bytes;
}

// Read the file, match every link, collect group 1.
double TimeObject(const std::string& path, size_t& links, bool utf16) {
  auto t0 = Clock::now();
  std::string page = ReadFile(path);
  qv::TRegExp rx;
  rx.SetOptions({qv::TQvRegExOption::preCaseLess, qv::TQvRegExOption::preMultiLine});
  rx.SetRegEx(std::string_view(kPattern));
  links = 0;
  if (utf16) {
    rx.SetSubject(qv::FromUtf8(page));
    std::vector<std::u16string> out;
    for (bool ok = rx.Match(); ok; ok = rx.MatchAgain()) out.push_back(rx.GroupsU16(1));
    links = out.size();
  } else {
    rx.SetSubject(std::move(page));
    std::vector<std::string> out;
    for (bool ok = rx.Match(); ok; ok = rx.MatchAgain()) out.push_back(rx.Groups(1));
    links = out.size();
  }
  return Ms(t0, Clock::now());
}

double TimeGrep(const std::string& path) {
  std::string cmd = "pcre2grep -i -o1 '" + std::string(kPattern) + "' " + path + " > /dev/null";
  auto t0 = Clock::now();
  if (std::system(cmd.c_str()) != 0) return -1;
  return Ms(t0, Clock::now());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--make") == 0) {
    MakePage(argv[2]);
    return 0;
  }
  bool only = argc == 3 && std::strcmp(argv[1], "--only") == 0;
  std::string path = argc >= 2 ? argv[argc - 1] : "/tmp/qv_regex_bench.html";
  if (argc < 2) MakePage(path);

  size_t links = 0;
  double object = 1e300, wide = 1e300, grep = 1e300;
  for (int run = 0; run < 3; ++run) {
    object = std::min(object, TimeObject(path, links, false));
    if (!only) {
      size_t n;
      wide = std::min(wide, TimeObject(path, n, true));
      grep = std::min(grep, TimeGrep(path));
    }
  }
  std::printf("links: %zu\n", links);
  std::printf("TQvRegEx (UTF-8 subject):   %8.1f ms\n", object);
  if (only) return 0;
  std::printf("TQvRegEx (UTF-16 in/out):   %8.1f ms\n", wide);
  std::printf("pcre2grep -o1:              %8.1f ms\n", grep);
  if (grep > 0)
    std::printf("ratio UTF-8 / pcre2grep:    %8.2f\nratio UTF-16 / pcre2grep:   %8.2f\n", object / grep,
                wide / grep);
  return 0;
}
