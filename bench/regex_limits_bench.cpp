// Hostile and ordinary patterns against large subjects: time and peak memory
// of each match, every case in a child process of its own so that the peaks
// do not mix. Shows that the match caps end runaway matches quickly and
// leave ordinary pages alone.
//
//   build/release/bench/regex_limits_bench
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "support/errors.h"
#include "support/regex.h"
#include "support/text.h"

namespace {

std::string Groups30() {
  std::string p = "^(?:";
  for (int i = 0; i < 30; ++i) {
    if (i) p += '|';
    p += '(';
    p += static_cast<char>('a' + i % 26);
    p += ')';
  }
  return p + ")*Z";
}

std::string Page(size_t bytes) {
  std::string page = "<html><head><title>t</title></head><body>\n";
  for (int i = 0; page.size() < bytes; ++i)
    page += "<div class=\"row\"><a href=\"/item/" + std::to_string(i) + "\">Item " + std::to_string(i) +
            "</a> &amp; text</div>\n";
  return page + "</body></html>\n";
}

struct Case {
  const char* name;
  std::string pattern;
  std::string subject;
  bool all;  // every match, else the first
};

void RunCase(const Case& c) {
  std::fflush(stdout);
  pid_t pid = fork();
  if (pid == 0) {
    auto start = std::chrono::steady_clock::now();
    std::string outcome;
    int matches = 0;
    try {
      qv::TQvRegEx rx;
      rx.SetOptions({qv::TQvRegExOption::preSingleLine});
      rx.SetRegEx(std::string_view(c.pattern));
      rx.SetSubject(c.subject);
      for (bool ok = rx.Match(); ok; ok = c.all && rx.MatchAgain()) ++matches;
      outcome = std::to_string(matches) + " matches";
    } catch (const qv::ScriptError& e) {
      outcome = qv::ToUtf8(e.message());
    }
    double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%-28s %8.2f s  %s\n", c.name, s, outcome.c_str());
    std::fflush(stdout);
    _exit(0);
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  std::printf("%-28s peak %ld MB\n", "", usage.ru_maxrss / 1024);
}

}  // namespace

int main() {
  const size_t mib = 1024 * 1024;
  std::string ab;
  while (ab.size() < 10 * mib) ab += "ab";
  const Case cases[] = {
      {"30 groups, 10 MiB", Groups30(), ab, false},
      {"(a+)+$ on 40 a", "(a+)+$", std::string(40, 'a') + "b", false},
      {"(.|\\n)*x, 1 MiB page", "(.|\\n)*x", Page(mib), false},
      {"(?:(a)|b)*c, 200 KB", "(?:(a)|b)*c", ab.substr(0, 200000) + "c", false},
      {"href, 10 MiB page, all", "href=\"([^\"]*)\"", Page(10 * mib), true},
      {"<div.*?</div>, 10 MiB, all", "<div[^>]*>(.*?)</div>", Page(10 * mib), true},
      {"title, 10 MiB page", "<title>(.*?)</title>", Page(10 * mib), false},
  };
  for (const Case& c : cases) RunCase(c);
}
