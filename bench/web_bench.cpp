// Web access against one loopback server, side by side with the curl
// command line: 1,000 sequential GETs of a 10 KB page through Down against
// one curl process fetching the same URLs over kept-alive connections; cache
// hits per second; a 50 MB gzip page downloaded, inflated and decoded.
//
//   build/release/bench/web_bench [gets=1000]
#include <httplib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "library/encode/gzip.h"
#include "support/codepage.h"
#include "support/memory_policy.h"
#include "support/text.h"
#include "web/http_thread.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

std::string Page(size_t size) {
  std::string head = "<html><head><meta charset=utf-8><title>bench</title></head><body>";
  std::string out = head;
  while (out.size() + 40 < size) out += "<p>web access 网页 benchmark line</p>\n";
  return out + "</body></html>";
}

}  // namespace

int main(int argc, char** argv) {
  qv::ApplyMemoryPolicy();
  const int gets = argc > 1 ? std::atoi(argv[1]) : 1000;
  qv::SetAnsiCodePage(qv::kCpUtf8);
  const std::string small = Page(10 * 1024);
  const std::string big = Page(50 * 1024 * 1024);
  const std::string bigGzip = qv::library::GzipBytes(big);

  httplib::Server server;
  // A type the server does not compress by itself, so both clients get the same bytes.
  server.Get(R"(/page/(\d+))", [&](const httplib::Request&, httplib::Response& res) {
    res.set_content(small, "application/x-bench");
  });
  server.Get("/big", [&](const httplib::Request&, httplib::Response& res) {
    res.set_header("Content-Encoding", "gzip");
    res.set_content(bigGzip, "application/x-bench");
  });
  server.set_tcp_nodelay(true);
  int port = server.bind_to_any_port("127.0.0.1");
  std::thread serving([&] { server.listen_after_bind(); });
  while (!server.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  const std::string base = "http://127.0.0.1:" + std::to_string(port);

  // Down: one client, sequential GETs.
  qv::web::THttpThread t;
  auto start = Clock::now();
  size_t chars = 0;
  for (int i = 0; i < gets; ++i)
    chars += t.Down(qv::FromUtf8(base + "/page/" + std::to_string(i)), u"CHECK", u"GET", u"", u"", 0).size();
  double downSecs = Seconds(start);

  // curl: one process, the same URLs, connections kept alive.
  fs::path dir = fs::temp_directory_path() / ("qv_web_bench_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  {
    std::ofstream cfg(dir / "urls.cfg");
    for (int i = 0; i < gets; ++i)
      cfg << "url = \"" << base << "/page/" << i << "\"\noutput = \"/dev/null\"\n";
  }
  start = Clock::now();
  int rc = std::system(("curl -s -K " + (dir / "urls.cfg").string()).c_str());
  double curlSecs = Seconds(start);

  // Cache hits.
  t.SetCacheDir(qv::FromUtf8((dir / "cache").string()) + u"/");
  const std::u16string cached = qv::FromUtf8(base + "/page/cached");
  t.Down(cached, u"CHECK", u"GET", u"", u":", 3600);
  const int hits = gets;
  start = Clock::now();
  for (int i = 0; i < hits; ++i) t.Down(cached, u"CHECK", u"GET", u"", u":", 3600);
  double cacheSecs = Seconds(start);

  // 50 MB gzip page, three times: the first pays for touching fresh memory,
  // the later ones show a long-running host, which reuses its buffers. The
  // processor time is shown beside the wall time: on a shared machine the
  // wall time mostly measures the neighbours.
  double bigSecs = 0, bigCpu = 0, firstSecs = 0;
  std::u16string text;
  for (int round = 0; round < 3; ++round) {
    text.clear();
    text.shrink_to_fit();
    start = Clock::now();
    std::clock_t cpuStart = std::clock();
    text = t.Down(qv::FromUtf8(base + "/big"), u"CHECK", u"GET", u"", u"", 0);
    double secs = Seconds(start);
    double cpu = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    if (round == 0) firstSecs = secs;
    if (round == 0 || secs < bigSecs) bigSecs = secs;
    if (round == 0 || cpu < bigCpu) bigCpu = cpu;
  }

  server.stop();
  serving.join();
  fs::remove_all(dir);

  std::printf("%-44s %12s %12s %8s\n", "case", "quorvint", "peer", "ratio");
  std::printf("%-44s %10.1fms %10.1fms %8.2f%s\n",
              ("GET x" + std::to_string(gets) + " 10 KB: Down vs curl -K").c_str(), downSecs * 1000,
              curlSecs * 1000, downSecs / curlSecs, rc == 0 ? "" : " (curl failed)");
  std::printf("%-44s %10.0f/s\n", "cache hits", hits / cacheSecs);
  std::printf("%-44s %10.1fms %10.0f MB/s of text (%zu KB gzip -> %zu MB)\n",
              "50 MB gzip page, best of 3: down+inflate+decode", bigSecs * 1000,
              big.size() / 1048576.0 / bigSecs, bigGzip.size() >> 10, big.size() >> 20);
  std::printf("%-44s %10.1fms %10.0f MB/s of text\n", "  the same in processor time", bigCpu * 1000,
              big.size() / 1048576.0 / bigCpu);
  std::printf("%-44s %10.1fms %10.0f MB/s of text\n", "  the first of three (fresh memory)", firstSecs * 1000,
              big.size() / 1048576.0 / firstSecs);
  std::printf("(checks: %zu characters from the small pages, %zu from the big one)\n", chars, text.size());
  return 0;
}
