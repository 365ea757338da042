// The politeness members and robotsallowed as scripts see them.
#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "host/quorvint.h"
#include "library/functions.h"
#include "tests/host/host_test_util.h"
#include "tests/web/test_servers.h"
#include "web/host_politeness.h"
#include "web/robots.h"

namespace qv::host {
namespace {

using testing::RunScript;
using testing::U;

class PolitenessScripts : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    RegisterSysLibraryModule();
    RegisterClassesModule();
    RegisterFunctionsModule();
  }
  void TearDown() override {
    WaitForAllThreads();
    web::SetHostDelayMs(0);
    web::SetHostConnections(0);
    web::ClearRobotsCache();
  }
  static std::u16string Js(std::string body) {
    for (char& c : body)
      if (c == '\'') c = '"';
    return U("#language js\r\n" + body);
  }
};

// A child sets the limits; its parent reads them back after the child ended.
TEST_F(PolitenessScripts, LimitsSetOnAChildThreadHoldForTheProcess) {
  auto r =
      RunScript(Js("runthread('#language js' + #13#10 + '_Get.HostDelay = 250; _Get.HostConnections = 3;');\n"
                   "waitthread();\n"
                   "lg(IntToStr(_Get.HostDelay) + ' ' + IntToStr(_Get.HostConnections));\n"
                   "_Get.HostDelay = -5;\n"
                   "lg(IntToStr(_Get.HostDelay));\n"));
  EXPECT_EQ(r.outcome, RunOutcome::Completed);
  ASSERT_EQ(r.lines.size(), 2u) << ::testing::PrintToString(r.lines);
  EXPECT_EQ(r.lines[0], "250 3");
  EXPECT_EQ(r.lines[1], "0");
  EXPECT_EQ(web::HostConnections(), 3);
}

TEST_F(PolitenessScripts, RobotsAllowedUsesTheClientsUserAgent) {
  web::testing::HttpServer server;
  server.CountConnections();
  std::atomic<int> hits{0};
  server.Routes().Get("/robots.txt", [&](const httplib::Request&, httplib::Response& res) {
    ++hits;
    res.set_content("User-agent: mozilla\nDisallow: /m\n\nUser-agent: crawler\nDisallow: /c\n", "text/plain");
  });
  server.Start();
  std::string base = server.Url("");
  auto r = RunScript(Js("var b = '" + base +
                        "';\n"
                        "lg(robotsallowed(b + '/m/1')); lg(robotsallowed(b + '/c/1'));\n"
                        "_Get.UserAgent = 'Crawler/3.0';\n"
                        "lg(robotsallowed(b + '/m/1')); lg(robotsallowed(b + '/c/1'));\n"
                        "lg(robotsallowed(b + '/c/1', 'Other'));\n"));
  EXPECT_EQ(r.outcome, RunOutcome::Completed);
  EXPECT_EQ(r.lines, (std::vector<std::string>{"False", "True", "True", "False", "True"}));
  EXPECT_EQ(hits.load(), 1);
}

// One child thread per page, eight at a time, over a few kept-alive
// connections.
TEST_F(PolitenessScripts, ChildThreadsReuseEachOthersConnections) {
  web::testing::HttpServer server;
  server.CountConnections();
  std::atomic<int> hits{0};
  server.Routes().Get(R"(/page/(\d+))", [&](const httplib::Request&, httplib::Response& res) {
    ++hits;
    res.set_content("<html>page</html>", "text/html");
  });
  server.Start();
  auto r = RunScript(Js("var b = '" + server.Url("") +
                        "';\n"
                        "for (var i = 0; i < 200; i++) {\n"
                        "  runthread('#language js' + #13#10 + 'httpget(' + Chr(34) + b + '/page/' + "
                        "IntToStr(i) + Chr(34) + ');');\n"
                        "  if (i % 8 == 7) waitthread();\n"
                        "}\n"
                        "waitthread();\n"
                        "lg('done');\n"),
                     testing::RunOptions().Timeout(120000));
  EXPECT_EQ(r.outcome, RunOutcome::Completed);
  EXPECT_EQ(r.lines, std::vector<std::string>{"done"});
  EXPECT_EQ(hits.load(), 200);
  RecordProperty("connections", server.Connections());
  EXPECT_LE(server.Connections(), 16);
}

}  // namespace
}  // namespace qv::host
