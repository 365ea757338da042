// Timed runs of the library's text operations on generated pages, for
// bench/library_vs_peers.sh, which runs the peers on the same pages.
//   library_bench --make PAGE20MB PAGE1MB FIELDS   writes the inputs
//   library_bench --run PAGE20MB PAGE1MB FIELDS    prints "name ms" lines
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "library/functions.h"
#include "library/mask/mask_pattern.h"
#include "library/mask/match_content.h"
#include "library/mask/regex_functions.h"
#include "support/memory_policy.h"
#include "support/text.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point since) {
  return std::chrono::duration<double, std::milli>(Clock::now() - since).count();
}

std::string Page(size_t bytes) {
  std::string page = "<html><head><title>Bench page</title></head><body>\n";
  for (int i = 0; page.size() < bytes; ++i) {
    page += "<div class=\"item\"><h2>Item " + std::to_string(i) +
            "</h2><p>Some <b>bold</b> text, price: " + std::to_string(i % 997) +
            " USD; tax: " + std::to_string(i % 13) + " USD.</p><a href=\"/list/" + std::to_string(i) +
            ".html\">Next " + std::to_string(i) + "</a></div>\n";
  }
  page += "<a href=\"/the/last/link.html\">Last page</a></body></html>\n";
  return page;
}

std::string Fields(int count) {
  std::string s;
  for (int i = 0; i < count; ++i) {
    if (i) s += "||";
    s += "field" + std::to_string(i);
  }
  return s;
}

void Write(const char* path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

std::u16string Read(const char* path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return qv::FromUtf8(ss.str());
}

qv::Value Call(const std::u16string& name, std::vector<qv::Value> args) {
  qv::CallFrame frame(nullptr, &qv::GlobalProgram(), static_cast<int>(args.size()));
  for (size_t i = 0; i < args.size(); ++i) frame.Arg(static_cast<int>(i)) = std::move(args[i]);
  return qv::TFunctions::CallMethod(nullptr, nullptr, name, frame);
}

template <class F>
void Report(const char* name, int repeat, F&& f) {
  double best = 1e300;
  for (int r = 0; r < 3; ++r) {
    const auto t = Clock::now();
    for (int i = 0; i < repeat; ++i) f();
    best = std::min(best, Ms(t));
  }
  std::printf("%s %.3f\n", name, best / repeat);
}

}  // namespace

int main(int argc, char** argv) {
  qv::ApplyMemoryPolicy();
  if (argc != 5) {
    std::fprintf(stderr, "usage: library_bench --make|--run PAGE20MB PAGE1MB FIELDS\n");
    return 64;
  }
  if (std::string(argv[1]) == "--make") {
    Write(argv[2], Page(20u << 20));
    Write(argv[3], Page(1u << 20));
    Write(argv[4], Fields(100000));
    return 0;
  }
  qv::RegisterSysLibraryModule();
  qv::RegisterClassesModule();
  qv::RegisterFunctionsModule();
  qv::GlobalProgram();
  const std::u16string big = Read(argv[2]);
  const std::u16string small = Read(argv[3]);
  const std::u16string fields = Read(argv[4]);
  using namespace qv::library;

  Report("regex_replace_tags", 1, [&] { (void)RegexReplace(big, u"<[^>]+>", u""); });
  Report("regex_pick_last_link", 1, [&] { (void)RegexPick(big, u"href=\"([^\"]*)\"[^<]*</a></body>", 1); });
  Report("split_implode_20mb", 1, [&] {
    qv::Value parts = Call(u"SPLIT", {qv::Value::Text(big), qv::Value::Text(u"</a>")});
    (void)Call(u"IMPLODE", {qv::Value::Text(u"</a>"), std::move(parts)});
  });
  Report("split_join_100k_x20", 1, [&] {
    for (int i = 0; i < 20; ++i) {
      qv::Value parts = Call(u"SPLIT", {qv::Value::Text(fields), qv::Value::Text(u"||")});
      (void)Call(u"IMPLODE", {qv::Value::Text(u"||"), std::move(parts)});
    }
  });
  Report("match_1mb_per_call", 1000, [&] { (void)MaskMatch(small, u"<a href=\"/the/(*)\">[*]</body>"); });
  Report("matchcontent_1mb_per_call", 1000,
         [&] { (void)MatchContent(small, u"<i>(*)</i>||<title>(*)</title>||(reg)last/(?<v>\\w+)"); });
  Report("expand_link_templates_1mb_per_call", 1000,
         [&] { (void)ExpandLinkTemplates(u"http://h/a/", small, u"{:text,Last page}"); });
  return 0;
}
