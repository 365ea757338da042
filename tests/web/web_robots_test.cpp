// robots.txt: the parser and matcher against the protocol's own examples
// and a table of edge cases, then the once-per-site download on a loopback
// server.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "support/text.h"
#include "tests/web/test_servers.h"
#include "web/robots.h"

namespace qv::web {
namespace {

using testing::HttpServer;

// The protocol's example file.
constexpr char kExample[] =
    "User-Agent: *\n"
    "Disallow: *.gif$\n"
    "Disallow: /example/\n"
    "Allow: /publications/\n"
    "\n"
    "User-Agent: foobot\n"
    "Disallow:/\n"
    "Allow:/example/page.html\n"
    "Allow:/example/allowed.gif\n"
    "\n"
    "User-Agent: barbot\n"
    "User-Agent: bazbot\n"
    "Disallow: /example/page.html\n"
    "\n"
    "User-Agent: quxbot\n";

struct Case {
  const char* agent;
  const char* path;
  bool allowed;
};

TEST(RobotsTxt, TheProtocolsExample) {
  RobotsTxt rules = RobotsTxt::Parse(kExample);
  const Case cases[] = {
      {"foobot", "/example/page.html", true},
      {"foobot", "/example/allowed.gif", true},
      {"foobot", "/example/other.html", false},
      {"foobot", "/", false},
      {"FooBot", "/example/page.html", true},
      {"barbot", "/example/page.html", false},
      {"bazbot", "/example/page.html", false},
      {"barbot", "/example/other.html", true},
      {"quxbot", "/example/page.html", true},
      {"quxbot", "/a.gif", true},
      {"otherbot", "/example/page.html", false},
      {"otherbot", "/publications/x", true},
      {"otherbot", "/images/a.gif", false},
      {"otherbot", "/images/a.gif?x", true},
      {"otherbot", "/", true},
      {"foobot", "/robots.txt", true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(rules.Allowed(c.agent, c.path), c.allowed) << c.agent << " " << c.path;
}

TEST(RobotsTxt, LongestMatchWinsAndAllowWinsATie) {
  RobotsTxt rules = RobotsTxt::Parse(
      "User-Agent: foobot\n"
      "Allow: /example/page/\n"
      "Disallow: /example/page/disallowed.gif\n"
      "Allow: /same\n"
      "Disallow: /same\n"
      "Disallow: /same/\n"
      "Allow: /$\n"
      "Disallow: /\n");
  EXPECT_TRUE(rules.Allowed("foobot", "/example/page/"));
  EXPECT_TRUE(rules.Allowed("foobot", "/example/page/a.html"));
  EXPECT_FALSE(rules.Allowed("foobot", "/example/page/disallowed.gif"));
  EXPECT_TRUE(rules.Allowed("foobot", "/same"));
  EXPECT_FALSE(rules.Allowed("foobot", "/same/x"));
  EXPECT_TRUE(rules.Allowed("foobot", "/"));
  EXPECT_FALSE(rules.Allowed("foobot", "/other"));
}

TEST(RobotsTxt, GroupsOfOneCrawlerAreCombined) {
  RobotsTxt rules = RobotsTxt::Parse(
      "Disallow: /before-any-group\n"
      "user-agent: a-bot\n"
      "disallow: /one\n"
      "sitemap: http://x/s.xml\n"
      "USER-AGENT: other\n"
      "Disallow: /\n"
      "User-agent: A-Bot/2.0 # with a version\n"
      "Disallow: /two   # comment\n"
      "User-agent: *\n"
      "Disallow: /star\n");
  EXPECT_FALSE(rules.Allowed("a-bot", "/one"));
  EXPECT_FALSE(rules.Allowed("A-BOT", "/two"));
  EXPECT_TRUE(rules.Allowed("a-bot", "/star"));  // a matching group hides "*"
  EXPECT_TRUE(rules.Allowed("a-bot", "/before-any-group"));
  EXPECT_FALSE(rules.Allowed("nobody", "/star"));
  EXPECT_TRUE(rules.Allowed("nobody", "/one"));
  EXPECT_FALSE(rules.Allowed("other", "/anything"));
}

TEST(RobotsTxt, PatternTable) {
  const struct {
    const char* pattern;
    const char* path;
    bool matches;
  } table[] = {
      {"/", "/anything", true},
      {"/fish", "/fish.html", true},
      {"/fish", "/Fish", false},
      {"/fish$", "/fish", true},
      {"/fish$", "/fish/", false},
      {"/*.php", "/a/b.php?x", true},
      {"/*.php$", "/a/b.php?x", false},
      {"/*.php$", "/a/b.php", true},
      {"*.gif$", "/x.gif", true},
      {"/a*b*c", "/aXXbYYc", true},
      {"/a*b*c", "/aXXcYYb", false},
      {"/a*b$", "/ab/b", true},
      {"/a*bc$", "/abc", true},
      {"/ab*bc$", "/abc", false},  // the pieces may not overlap
      {"/**", "/", true},
      {"/$x", "/$x", true},  // "$" only anchors at the end
      {"", "/", true},
  };
  for (const auto& t : table)
    EXPECT_EQ(RobotsPatternMatches(NormalizeRobotsPath(t.pattern), NormalizeRobotsPath(t.path)), t.matches)
        << t.pattern << " ~ " << t.path;
}

TEST(RobotsTxt, PercentEncodingIsNormalised) {
  EXPECT_EQ(NormalizeRobotsPath("/foo/bar?baz=quz"), "/foo/bar?baz=quz");
  EXPECT_EQ(NormalizeRobotsPath("/foo/bar/\xE3\x83\x84"), "/foo/bar/%E3%83%84");
  EXPECT_EQ(NormalizeRobotsPath("/foo/bar/%e3%83%84"), "/foo/bar/%E3%83%84");
  EXPECT_EQ(NormalizeRobotsPath("/foo/bar/%62%61%7A"), "/foo/bar/baz");
  EXPECT_EQ(NormalizeRobotsPath("/a%2Fb%2fc"), "/a%2Fb%2Fc");  // an encoded "/" stays encoded
  EXPECT_EQ(NormalizeRobotsPath("/bad%zz%4"), "/bad%zz%4");
  RobotsTxt rules = RobotsTxt::Parse("User-agent: *\nDisallow: /foo/bar/\xE3\x83\x84\nDisallow: /%7Euser\n");
  EXPECT_FALSE(rules.Allowed("x", "/foo/bar/%E3%83%84"));
  EXPECT_FALSE(rules.Allowed("x", "/~user/a"));
  EXPECT_TRUE(rules.Allowed("x", "/foo/bar/"));
}

TEST(RobotsTxt, OnlyTheSizeLimitIsRead) {
  std::string text = "User-agent: *\n" + std::string(kRobotsMaxBytes, '#') + "\nDisallow: /\n";
  EXPECT_TRUE(RobotsTxt::Parse(text).Allowed("x", "/a"));
  EXPECT_TRUE(RobotsTxt::Parse("\xEF\xBB\xBFUser-agent: *\r\nDisallow: /a\r\n").Allowed("x", "/b"));
  EXPECT_FALSE(RobotsTxt::Parse("\xEF\xBB\xBFUser-agent: *\r\nDisallow: /a\r\n").Allowed("x", "/a"));
  EXPECT_FALSE(RobotsTxt::DisallowAll().Allowed("x", "/robots.txt"));
  EXPECT_TRUE(RobotsTxt::AllowAll().Allowed("x", "/"));
}

TEST(RobotsTxt, ProductTokenOfAUserAgent) {
  EXPECT_EQ(RobotsProductToken(u"ExampleBot/1.0 (+http://x)"), "ExampleBot");
  EXPECT_EQ(RobotsProductToken(u" ExampleBot "), "ExampleBot");
  EXPECT_EQ(RobotsProductToken(u""), "");
}

// A loopback site per status: the file is fetched once per site however
// many threads ask at once, and the status decides when there is no file.
class RobotsSite : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearRobotsCache();
    server_.CountConnections();  // short keep-alive: a quick teardown
    server_.Routes().Get("/robots.txt", [this](const httplib::Request& req, httplib::Response& res) {
      ++hits_;
      userAgent_ = req.get_header_value("User-Agent");
      via_ = req.get_header_value("Via");
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      if (status_ != 200) {
        res.status = status_;
        return;
      }
      res.set_content("User-agent: crawler\nDisallow: /private\n\nUser-agent: *\nDisallow: /\n",
                      "text/plain");
    });
    server_.Start();
  }
  void TearDown() override { ClearRobotsCache(); }

  bool Ask(const std::string& path, std::u16string ua) {
    std::u16string url = FromUtf8(server_.Url(path));
    return RobotsAllowed(
        url, ua, [&](const std::string& robotsUrl) { return DownloadRobots(robotsUrl, ua, nullptr); });
  }

  HttpServer server_;
  std::atomic<int> hits_{0};
  int status_ = 200;
  std::string userAgent_;
  std::string via_;
};

TEST_F(RobotsSite, ConcurrentQuestionsFetchTheFileOnce) {
  std::vector<std::thread> pool;
  std::atomic<int> allowed{0}, refused{0};
  for (int i = 0; i < 8; ++i)
    pool.emplace_back(
        [&, i] { (Ask(i % 2 ? "/public/a" : "/private/a", u"Crawler/2.1") ? allowed : refused)++; });
  for (auto& t : pool) t.join();
  EXPECT_EQ(hits_.load(), 1);
  EXPECT_EQ(userAgent_, "Crawler/2.1");
  EXPECT_EQ(allowed.load(), 4);
  EXPECT_EQ(refused.load(), 4);
  EXPECT_FALSE(Ask("/a", u"Mozilla/4.0 (compatible)"));  // falls to "*"
  EXPECT_EQ(hits_.load(), 1);
}

TEST_F(RobotsSite, MissingFileAllowsAndServerErrorRefuses) {
  status_ = 404;
  EXPECT_TRUE(Ask("/private/a", u"Crawler"));
  ClearRobotsCache();
  status_ = 503;
  EXPECT_FALSE(Ask("/public/a", u"Crawler"));
  status_ = 404;  // remembered for the run
  EXPECT_FALSE(Ask("/public/a", u"Crawler"));
  EXPECT_EQ(hits_.load(), 2);
}

TEST_F(RobotsSite, UnreachableSiteRefusesAndABadAddressIsNeverAllowed) {
  std::u16string url = FromUtf8("http://127.0.0.1:" + std::to_string(testing::FreePort()) + "/a");
  EXPECT_FALSE(
      RobotsAllowed(url, u"x", [](const std::string& u) { return DownloadRobots(u, u"x", nullptr); }));
  int calls = 0;
  auto counting = [&](const std::string&) {
    ++calls;
    return RobotsFetch{RobotsFetch::AllowAll, ""};
  };
  EXPECT_FALSE(RobotsAllowed(u"ftp://example.org/a", u"x", counting));
  EXPECT_FALSE(RobotsAllowed(u"no address", u"x", counting));
  EXPECT_EQ(calls, 0);
}

TEST_F(RobotsSite, TheFileComesThroughTheClientsProxy) {
  testing::TinyProxy proxy(testing::TempFolder("robots_proxy"));
  if (!proxy.Running()) GTEST_SKIP() << "tinyproxy did not start";
  ProxySetting setting = ProxyFromAddress(u"127.0.0.1:" + FromUtf8(std::to_string(proxy.Port())), u"", u"");
  EXPECT_EQ(DownloadRobots(server_.Url("/robots.txt"), u"Crawler", nullptr, setting).kind,
            RobotsFetch::Rules);
  EXPECT_NE(via_.find("qvtestproxy"), std::string::npos) << via_;
}

// A thread waiting for another's download leaves when told to stop.
TEST_F(RobotsSite, ThreadStopEndsTheWaitForAnotherThreadsFetch) {
  std::atomic<bool> fetching{false}, release{false}, stop{false};
  std::u16string url = FromUtf8(server_.Url("/a"));
  std::thread slow([&] {
    RobotsAllowed(url, u"x", [&](const std::string&) {
      fetching = true;
      while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(5));
      return RobotsFetch{RobotsFetch::AllowAll, ""};
    });
  });
  while (!fetching) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  std::thread stopper([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    stop = true;
  });
  int calls = 0;
  auto counting = [&](const std::string&) {
    ++calls;
    return RobotsFetch{RobotsFetch::DisallowAll, ""};
  };
  EXPECT_FALSE(RobotsAllowed(url, u"x", counting, &stop));
  stopper.join();
  release = true;
  slow.join();
  EXPECT_EQ(calls, 0);
  EXPECT_TRUE(RobotsAllowed(url, u"x", counting));  // the other thread's answer is kept
}

TEST_F(RobotsSite, AStoppedFetchIsNotRemembered) {
  std::atomic<bool> stop{true};
  std::u16string url = FromUtf8(server_.Url("/public/a"));
  auto fetch = [&](const std::string& u) { return DownloadRobots(u, u"Crawler", &stop); };
  EXPECT_FALSE(RobotsAllowed(url, u"Crawler", fetch));
  stop = false;
  EXPECT_TRUE(RobotsAllowed(url, u"Crawler", fetch));
}

}  // namespace
}  // namespace qv::web
