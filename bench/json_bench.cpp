// jsonpath's work on a file: UTF-16 text to UTF-8, parse, compile the
// query, select, results back to UTF-16, as the script function does it.
//
//   json_bench FILE QUERY [REPEAT]   best CPU seconds and the result count
#include <ctime>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "library/json/json_document.h"
#include "library/json/json_path.h"
#include "support/memory_policy.h"
#include "support/text.h"

namespace {

double Cpu() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: json_bench FILE QUERY [REPEAT]\n");
    return 64;
  }
  qv::ApplyMemoryPolicy();
  std::ifstream f(argv[1], std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  const std::u16string text = qv::FromUtf8(ss.str());
  const std::u16string query = qv::FromUtf8(argv[2]);
  const int repeat = argc > 3 ? std::atoi(argv[3]) : 3;
  double best = 1e9;
  size_t count = 0;
  for (int i = 0; i < repeat; ++i) {
    const double t0 = Cpu();
    const auto path = qv::library::JsonPath::Compile(query);
    const auto doc = qv::library::JsonDocument::Parse(qv::ToUtf8(text));
    std::vector<std::u16string> out;
    for (uint32_t n : path.Select(doc))
      out.push_back(qv::FromUtf8(doc.Kind(n) == qv::library::JsonKind::String ? std::string(doc.Text(n))
                                                                              : doc.Compact(n)));
    best = std::min(best, Cpu() - t0);
    count = out.size();
  }
  std::printf("%.4f %zu\n", best, count);
  return 0;
}
