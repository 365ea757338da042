// The example crawler in several qvrun processes sharing one Redis queue,
// against a generated site on 127.0.0.1 that counts how often each page is
// fetched: every page exactly once, and no page lost when a worker process
// is killed mid-crawl.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/host/redis_server.h"
#include "tests/web/test_servers.h"

namespace {

using Clock = std::chrono::steady_clock;

// Page n links to 2n+1 and 2n+2, back to its parent and to the start page
// (with a fragment), and off the site; the start page is /p/.
class Site {
 public:
  Site(int pages, int delayMs) : hits_(pages) {
    server_.Routes().Get(R"(/p/(\d*)(\.html)?)", [this, delayMs](const httplib::Request& req,
                                                                 httplib::Response& res) {
      int n = req.matches[1].length() == 0 ? 0 : std::stoi(req.matches[1].str());
      if (n >= static_cast<int>(hits_.size()) || (n == 0 && req.matches[2].length() != 0)) {
        res.status = 404;
        return;
      }
      hits_[n].fetch_add(1);
      std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
      std::ostringstream page;
      page << "<html><head><title>Page " << n << "</title></head><body>";
      for (int child : {2 * n + 1, 2 * n + 2})
        if (child < static_cast<int>(hits_.size()))
          page << "<a href=\"" << child << ".html\">" << child << "</a> ";
      page << "<a href=\"" << (n / 2 == 0 ? std::string("/p/") : std::to_string(n / 2) + ".html")
           << "\">up</a> "
           << "<a href=\"/p/#top\">start</a> <a href=\"http://example.invalid/p/\">away</a></body></html>";
      res.set_content(page.str(), "text/html; charset=utf-8");
    });
    server_.Start();
  }
  std::string Base() const { return server_.Url("/p/"); }
  std::vector<int> Hits() const {
    std::vector<int> out;
    for (const auto& h : hits_) out.push_back(h.load());
    return out;
  }
  int Total() const {
    int sum = 0;
    for (const auto& h : hits_) sum += h.load();
    return sum;
  }

 private:
  std::vector<std::atomic<int>> hits_;
  qv::web::testing::HttpServer server_;
};

struct Worker {
  pid_t pid = -1;
  std::string log;
};

class QueueCrawl : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!redis_.Running()) GTEST_SKIP() << "Redis queue not tested: " << redis_.Why();
    dir_ = qv::web::testing::TempFolder("queue_crawl");
  }

  Worker Start(const Site& site, const std::string& queue, int workers, int leaseMs) {
    Worker w;
    w.log = (dir_ / ("worker" + std::to_string(next_++) + ".log")).string();
    std::vector<std::string> args = {
        QV_QVRUN,        "--plain",
        "--var",         "base=" + site.Base(),
        "--var",         "queue=redis://127.0.0.1:" + std::to_string(redis_.Port()) + "/0/" + queue,
        "--var",         "workers=" + std::to_string(workers),
        "--var",         "lease=" + std::to_string(leaseMs),
        QV_CRAWL_EXAMPLE};
    w.pid = fork();
    if (w.pid == 0) {
      int fd = open(w.log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      dup2(fd, 1);
      dup2(fd, 2);
      std::vector<char*> argv;
      for (auto& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      execv(argv[0], argv.data());
      _exit(127);
    }
    return w;
  }

  // The exit status, or -1 when it ran past `ms` (it is then killed).
  static int Wait(const Worker& w, int ms) {
    auto end = Clock::now() + std::chrono::milliseconds(ms);
    int status = 0;
    while (waitpid(w.pid, &status, WNOHANG) == 0) {
      if (Clock::now() > end) {
        kill(w.pid, SIGKILL);
        waitpid(w.pid, &status, 0);
        return -1;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }

  static std::string LastLine(const Worker& w) {
    std::ifstream in(w.log);
    std::string line, last;
    while (std::getline(in, line))
      if (!line.empty()) last = line;
    return last;
  }

  static std::string Queue() {
    return "crawl" + std::to_string(getpid()) + "-" + std::to_string(Clock::now().time_since_epoch().count());
  }

  qv::host::testing::RedisServerProcess redis_;
  std::filesystem::path dir_;
  int next_ = 0;
};

TEST_F(QueueCrawl, FourProcessesFetchEveryPageExactlyOnce) {
  constexpr int kPages = 500;
  Site site(kPages, 2);
  const std::string queue = Queue();
  std::vector<Worker> workers;
  auto start = Clock::now();
  for (int i = 0; i < 4; ++i) workers.push_back(Start(site, queue, 4, 60000));
  for (const Worker& w : workers) {
    EXPECT_EQ(Wait(w, 120000), 0) << w.log;
    EXPECT_EQ(LastLine(w), "pending=0 leased=0 done=500 seen=500") << w.log;
  }
  RecordProperty(
      "ms",
      static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count()));
  std::vector<int> hits = site.Hits();
  for (int i = 0; i < kPages; ++i) EXPECT_EQ(hits[i], 1) << "page " << i;
}

TEST_F(QueueCrawl, KilledWorkerLosesNoPage) {
  constexpr int kPages = 500;
  constexpr int kThreads = 4;
  Site site(kPages, 15);
  const std::string queue = Queue();
  std::vector<Worker> workers;
  for (int i = 0; i < 3; ++i) workers.push_back(Start(site, queue, kThreads, 1500));
  // Mid-crawl: the first worker process dies with the pages it holds.
  auto end = Clock::now() + std::chrono::seconds(60);
  while (site.Total() < 100 && Clock::now() < end) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  kill(workers[0].pid, SIGKILL);
  EXPECT_EQ(Wait(workers[0], 10000), 128 + SIGKILL);
  for (size_t i = 1; i < workers.size(); ++i) {
    EXPECT_EQ(Wait(workers[i], 120000), 0) << workers[i].log;
    EXPECT_EQ(LastLine(workers[i]), "pending=0 leased=0 done=500 seen=500") << workers[i].log;
  }
  std::vector<int> hits = site.Hits();
  for (int i = 0; i < kPages; ++i) EXPECT_GE(hits[i], 1) << "page " << i << " lost";
  // Fetched twice: at most the pages the killed process's threads held.
  EXPECT_LE(site.Total() - kPages, kThreads);
  RecordProperty("fetched_twice", site.Total() - kPages);
}

}  // namespace
