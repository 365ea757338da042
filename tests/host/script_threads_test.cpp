// Scripts starting scripts, and the regex and split callbacks, on real host
// threads; downloads come from a server on 127.0.0.1.
#include <gtest/gtest.h>

#include <malloc.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "host/quorvint.h"
#include "library/files/paths.h"
#include "library/functions.h"
#include "tests/host/host_test_util.h"
#include "tests/web/test_servers.h"

namespace qv::host {
namespace {

using testing::RecordingUi;
using testing::RunOptions;
using testing::RunScript;
using testing::U;

class ScriptThreads : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    RegisterSysLibraryModule();
    RegisterClassesModule();
    RegisterFunctionsModule();
  }
  void SetUp() override {
    dir_ = web::testing::TempFolder("script_threads");
    library::SetAppPath(FromUtf8(dir_.string()));
  }
  void TearDown() override { WaitForAllThreads(); }

  // A JS script; `"` may be written as `'` for readability.
  static std::u16string Js(std::string body) {
    for (char& c : body)
      if (c == '\'') c = '"';
    return U("#language js\r\n" + body);
  }
  // Quotes a script text as a JS string literal (the grammar has no
  // escapes: quotes, ' as well as ", become Chr(34)).
  static std::string Quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
      if (c == '"' || c == '\'') {
        out += "\" + Chr(34) + \"";
      } else if (c == '\n') {
        out += "\" + #13#10 + \"";
      } else {
        out += c;
      }
    }
    return out + "\"";
  }
  static std::string Child(const std::string& body) { return Quoted("#language js\n" + body); }

  std::filesystem::path dir_;
};

bool Has(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

TEST_F(ScriptThreads, ChildrenRunWithNamesCallbacksAndInheritance) {
  std::ofstream(dir_ / "child.qvs") << "#language js\r\nlg(\"file child \" + IntToStr(n));\r\n";
  std::string file = (dir_ / "child.qvs").string();
  RecordingUi ui;
  auto r = RunScript(Js("function started(t) { lg('start ' + t.ThreadName); }\n"
                        "function ended(t) { lg('end ' + t.ThreadName + ' [' + t.HTMLOutput + ']'); }\n"
                        "var a = runthread(" +
                        Child("lg('in a ' + IntToStr(n)); sleep(30);") +
                        ", 'a', 'started', 'ended');\n"
                        "var b = runthread('T<?= 40 + 2 ?>', 'b', '', 'ended');\n"
                        "var f = runthread('" +
                        file +
                        "', 'f');\n"
                        "waitthread();\n"
                        "lg('names ' + a.ThreadName + b.ThreadName + f.ThreadName + ' ' + b.HTMLOutput);\n"),
                     RunOptions().Ui(&ui).Setup([](TQuorvinter& t) {
                       t.SetInitVariable(Value::Array({Value::Text(u"n"), Value::Int(7)}));
                     }));
  EXPECT_EQ(r.outcome, RunOutcome::Completed);
  EXPECT_TRUE(Has(r.lines, "start a"));
  EXPECT_TRUE(Has(r.lines, "(a)in a 7"));
  EXPECT_TRUE(Has(r.lines, "end a []"));
  EXPECT_TRUE(Has(r.lines, "end b [T42]"));
  EXPECT_TRUE(Has(r.lines, "(f)file child 7"));
  EXPECT_EQ(r.lines.back(), "names abf T42");
  // The start callback runs before the child's own code.
  auto at = [&](const std::string& l) {
    return std::find(r.lines.begin(), r.lines.end(), l) - r.lines.begin();
  };
  EXPECT_LT(at("start a"), at("(a)in a 7"));
}

TEST_F(ScriptThreads, RegistryByNameAndIdentity) {
  auto r = RunScript(Js(
      // The second child of a name replaces the first in the registry; the
      // first, ending, removes the name, so waiting for it returns at once.
      "var slow = runthread(" + Child("sleep(400); lg('second done');") + ", 'w');\n" +
      "var fast = runthread(" + Child("lg('x');") + ", 'w', '', '', false);\n" + "runthread(" +
      Child("lg('anon');") + ");\n" +
      "fast.Start();\n"
      "sleep(100);\n"
      "var t0 = GetTickCount;\n"
      "waitthread('w');\n"
      "if (GetTickCount - t0 < 200) lg('waited quickly'); else lg('waited long');\n"
      "waitthread('nobody');\n"
      "waitthread();\n"
      "lg('all');\n"));
  EXPECT_EQ(r.outcome, RunOutcome::Completed);
  EXPECT_TRUE(Has(r.lines, "waited quickly")) << ::testing::PrintToString(r.lines);
  EXPECT_TRUE(Has(r.lines, "(anon)") == false);
  EXPECT_TRUE(Has(r.lines, "anon"));
  EXPECT_TRUE(Has(r.lines, "all"));
  // The first "w" left the registry when the second took its name: nothing
  // waited for it, yet it ran to its end.
  EXPECT_TRUE(Has(r.lines, "(w)second done"));
}

TEST_F(ScriptThreads, WaitForAChildNeverStartedEndsWithAStop) {
  RecordingUi ui;
  auto t = TQuorvinter::Create(Js("runthread(" + Child("lg('never');") +
                                  ", 'idle', '', '', false);\nlg('waiting');\nwaitthread();\nlg('after');\n"),
                               nullptr, u"", u"", u"");
  t->SetUi(&ui);
  t->Resume();
  ASSERT_TRUE(ui.WaitForLine("waiting"));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(t->Finished());
  auto start = std::chrono::steady_clock::now();
  t->Stop();
  ASSERT_TRUE(t->WaitFor(2000));
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
  EXPECT_LT(ms.count(), 200);
  EXPECT_FALSE(Has(ui.Lines(), "after"));
  EXPECT_FALSE(Has(ui.Lines(), "(idle)never"));
}

TEST_F(ScriptThreads, FailingChildrenAndCallbacksLeaveTheParentRunning) {
  auto r =
      RunScript(Js("function bad(t) { lg('callback'); x = 1 div 0; }\n"
                   "runthread(" +
                   Child("lg(;") + ", 'compile');\n" + "runthread(" + Child("lg(1 div 0);") + ", 'run');\n" +
                   "runthread(" + Child("lg('ok');") + ", 'ok', '', 'bad');\n" +
                   "waitthread();\n"
                   "lg('parent goes on');\n"));
  EXPECT_EQ(r.outcome, RunOutcome::Completed);
  EXPECT_TRUE(Has(r.lines, "(compile)compile:')' expected, 在第 2 行,第 4 个字符"))
      << ::testing::PrintToString(r.lines);
  EXPECT_TRUE(Has(r.lines, "(run)run:(Division by zero), 在第 2 行,第 1 个字符"))
      << ::testing::PrintToString(r.lines);
  EXPECT_TRUE(Has(r.lines, "(ok)ok"));
  EXPECT_TRUE(Has(r.lines, "callback"));
  EXPECT_EQ(r.lines.back(), "parent goes on");
}

TEST_F(ScriptThreads, ChildObjectOutlivesItsThreadUntilReleased) {
  // Released by the script, a child object is gone once its body has
  // returned; until then it still answers.
  const std::string awaitRelease =
      "gone = '';\n"
      "while (gone == '') { try { t.ThreadName; sleep(1); } except { gone = ExceptionMessage; } }\n"
      "lg('released: ' + gone);\n";
  auto r = RunScript(Js("var gone;\nvar c = runthread(" + Child("var v = 5;") +
                        ", 'c');\n"
                        "waitthread('c');\n"
                        // An ended child's variables read as empty text.
                        "lg('after end: ' + c.ThreadName + ' [' + VarToStr(c.Vars['v']) + ']');\n"
                        "c.Free();\n"
                        "var t = c;\n" +
                        awaitRelease + "var s = runthread(" + Child("sleep(60000);") +
                        ", 's');\n"
                        // Neither stopped nor ended: Free leaves it alone.
                        "s.Free();\n"
                        "sleep(20);\n"
                        "lg('still there: ' + s.ThreadName);\n"
                        "s.Stop();\n"
                        "s.Over();\n"
                        "t = s;\n" +
                        awaitRelease));
  EXPECT_EQ(r.outcome, RunOutcome::Completed);
  EXPECT_EQ(r.lines, (std::vector<std::string>{"after end: c []", "released: Invalid object reference",
                                               "still there: s", "released: Invalid object reference"}));
}

TEST_F(ScriptThreads, StopReachesEveryChildAndNoCallbackReachesTheStoppedParent) {
  web::testing::HttpServer slow;
  slow.Routes().Get("/slow", [](const httplib::Request&, httplib::Response& res) {
    res.set_chunked_content_provider("text/plain", [](size_t offset, httplib::DataSink& sink) {
      if (offset > 200) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      sink.write("x", 1);
      return true;
    });
  });
  slow.Start();
  RecordingUi ui;
  std::string url = slow.Url("/slow");
  std::string script = "function ended(t) { lg('callback ' + t.ThreadName); }\n";
  for (int i = 0; i < 30; ++i) {
    std::string body = i % 3 == 0   ? "sleep(60000);"
                       : i % 3 == 1 ? "httpget('" + url + "');"
                                    : "while (true) { x = 1; }";
    script += "runthread(" + Child(body) + ", 'c" + std::to_string(i) + "', '', 'ended');\n";
  }
  script += "lg('started');\nwaitthread();\nlg('never');\n";
  auto t = TQuorvinter::Create(Js(script), nullptr, u"", u"", u"");
  t->SetUi(&ui);
  t->Resume();
  ASSERT_TRUE(ui.WaitForLine("started"));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  auto start = std::chrono::steady_clock::now();
  t->Stop();
  WaitForAllThreads();
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
  RecordProperty("stop_all_ms", static_cast<int>(ms.count()));
  std::printf("30 children stopped in %lld ms\n", static_cast<long long>(ms.count()));
  EXPECT_LT(ms.count(), 1000) << "every thread ends soon after the stop";
  for (const std::string& l : ui.Lines()) EXPECT_EQ(l.find("callback"), std::string::npos) << l;
  EXPECT_FALSE(Has(ui.Lines(), "never"));
}

TEST_F(ScriptThreads, AllThreadsEndedWakesOnceWhenTheLastThreadEnds) {
  // A runner sleeps until this wake: it must come when a child that
  // outlives its parent has ended too, and only then.
  RecordingUi ui;
  std::atomic<int> wakes{0};
  std::atomic<bool> childWasDone{false};
  OnAllThreadsEnded([&] {
    ++wakes;
    childWasDone = Has(ui.Lines(), "(c)child done");
  });
  auto t =
      TQuorvinter::Create(Js("runthread(" + Child("sleep(200); lg('child done');") + ", 'c');\nlg('main');"),
                          nullptr, u"", u"", u"");
  t->SetUi(&ui);
  t->Resume();
  WaitForAllThreads();
  OnAllThreadsEnded(nullptr);
  EXPECT_EQ(wakes.load(), 1);
  EXPECT_TRUE(childWasDone.load());
  EXPECT_TRUE(t->Finished());
}

TEST_F(ScriptThreads, ManyChildrenDownloadInParallel) {
  web::testing::HttpServer server;
  server.Routes().Get(R"(/page/(\d+))", [](const httplib::Request& req, httplib::Response& res) {
    res.set_content("<title>page " + req.matches[1].str() + "</title>", "text/html");
  });
  server.Start();
  constexpr int kChildren = 10;
  constexpr int kPages = 5;
  std::string body = "for (var i = 1; i <= " + std::to_string(kPages) + "; i++) lg(regmatch(httpget('" +
                     server.Url("/page/") + "' + IntToStr(i)), '<title>(.*?)</title>', 1));";
  std::string script;
  for (int i = 0; i < kChildren; ++i)
    script += "runthread(" + Child(body) + ", 'c" + std::to_string(i) + "');\n";
  script += "waitthread();\nlg('done');\n";
  auto r = RunScript(Js(script));
  ASSERT_EQ(r.outcome, RunOutcome::Completed);
  EXPECT_EQ(r.lines.size(), static_cast<size_t>(kChildren * kPages + 1));
  for (int c = 0; c < kChildren; ++c)
    for (int p = 1; p <= kPages; ++p)
      EXPECT_TRUE(Has(r.lines, "(c" + std::to_string(c) + ")page " + std::to_string(p))) << c << " " << p;
}

// A server whose downloads never end: headers, then a byte now and then,
// until the server goes.
class EndlessServer {
 public:
  EndlessServer()
      : server_([this](int fd, const std::string&) {
          if (!server_.Send(fd, "HTTP/1.1 200 OK\r\nContent-Length: 1000000000\r\n\r\n")) return;
          while (!server_.Stopping() && server_.Send(fd, "x"))
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }) {}
  std::string Url() const { return server_.Url("/endless"); }

 private:
  web::testing::RawServer server_;
};

int OpenFiles() {
  int n = 0;
  for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator("/proc/self/fd")) ++n;
  return n;
}

// Until no host thread runs, or false after `ms`.
bool AllThreadsEndWithin(int ms) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (RunningThreadCount() > 0) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

TEST_F(ScriptThreads, CallbackInsideABlockingCallOutlivesItsParentThread) {
  // The parent ends (or stops itself) while a child's start or end callback
  // runs the parent's code inside sleep, waitthread or a download: the
  // parent's program must not be freed under it.
  EndlessServer server;
  const std::string blocking[] = {"sleep(60000);", "waitthread();", "httpget('" + server.Url() + "');"};
  constexpr int kRounds = 50;
  for (int round = 0; round < kRounds; ++round) {
    const std::string& call = blocking[round % 3];
    const bool startCallback = round % 2 == 0;
    const bool stopItself = round % 4 < 2;
    RecordingUi ui;
    std::string script =
        "var inside = 0;\nfunction cb(t) { inside = 1; " + call + " lg('after the call'); }\n";
    script += "var c = runthread(" + Child("sleep(1);") + ", 'c', " +
              (startCallback ? "'cb', ''" : "'', 'cb'") + ");\nwhile (inside == 0) sleep(1);\nsleep(3);\n" +
              (stopItself ? "stop();\n" : "") + "lg('parent ends');\n";
    auto t = TQuorvinter::Create(Js(script), nullptr, u"", u"", u"");
    t->SetUi(&ui);
    t->Resume();
    ASSERT_TRUE(t->WaitFor(10000)) << "round " << round;
    t.reset();
    ASSERT_TRUE(AllThreadsEndWithin(10000)) << "round " << round << ": " << call;
    EXPECT_FALSE(Has(ui.Lines(), "after the call")) << "round " << round << ": " << call;
    EXPECT_EQ(Has(ui.Lines(), "parent ends"), !stopItself) << "round " << round;
  }
}

TEST_F(ScriptThreads, StopOfAParentReachesEveryDescendantEvenAfterItsScriptEnded) {
  EndlessServer server;
  const std::string download = "httpget('" + server.Url() + "');";
  // Children and grandchildren download for ever; the parent's script
  // either waits for them or has already ended when the stop comes (the
  // runner's interrupt stops the main thread whatever it is doing).
  std::string grandchild = "#language js\n" + download;
  std::string child = "runthread(" + Quoted(grandchild) + ", 'g1');\nrunthread(" + Quoted(grandchild) +
                      ", 'g2');\n" + download;
  for (int round = 0; round < 10; ++round) {
    const bool parentEnded = round % 2 == 1;
    RecordingUi ui;
    std::string script;
    for (int i = 0; i < 5; ++i) script += "runthread(" + Child(child) + ", 'c" + std::to_string(i) + "');\n";
    script += "lg('started');\n";
    if (!parentEnded) script += "waitthread();\n";
    auto t = TQuorvinter::Create(Js(script), nullptr, u"", u"", u"");
    t->SetUi(&ui);
    t->Resume();
    ASSERT_TRUE(ui.WaitForLine("started"));
    if (parentEnded) {
      ASSERT_TRUE(t->WaitFor(5000));
    }
    // Every child and grandchild has started (in any phase of its run).
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (RunningThreadCount() < 15 && std::chrono::steady_clock::now() < until)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_GE(RunningThreadCount(), 15) << "round " << round;
    t->Stop();
    // Generous: the machine may be busy; a missed thread never ends.
    EXPECT_TRUE(AllThreadsEndWithin(5000)) << "round " << round << ", parent ended: " << parentEnded;
    t.reset();
  }
}

TEST_F(ScriptThreads, ChildVarsAnswerInTheEndCallbackAndEndedChildrenKeepNothing) {
  web::testing::HttpServer server;
  const std::string page(1 << 20, 'p');
  server.Routes().Get("/page", [&page](const httplib::Request&, httplib::Response& res) {
    res.set_content(page, "text/html");
  });
  server.Start();
  // A child's result read in its end callback: the natural way to return it.
  auto r =
      RunScript(Js("function ended(t) { lg(t.ThreadName + ' r=' + VarToStr(t.Vars['r'])); }\n"
                   "runthread(" +
                   Child("var r = 6 * 7;") + ", 'a', '', 'ended');\n" + "runthread(" +
                   Child("var r = 'text'; sleep(20);") + ", 'b', '', 'ended');\n" + "waitthread();\n"));
  EXPECT_TRUE(Has(r.lines, "a r=42")) << ::testing::PrintToString(r.lines);
  EXPECT_TRUE(Has(r.lines, "b r=text"));

  // Ended children whose handles the parent keeps hold no client, sockets,
  // page or program: what they used goes back when each ends.
  RunScript(
      Js("var c = runthread(" + Child("httpget('" + server.Url("/page") + "');") + ");\nwaitthread();\n"));
  const int filesBefore = OpenFiles();
  const size_t heapBefore = mallinfo2().uordblks;
  constexpr int kChildren = 60;
  RecordingUi ui;
  std::string script = "for (var i = 0; i < " + std::to_string(kChildren) + "; i++) { runthread(" +
                       Child("var p = httpget('" + server.Url("/page") + "');") +
                       "); if (i % 10 == 9) waitthread(); }\nwaitthread();\nlg('ended');\nsleep(60000);\n";
  auto t = TQuorvinter::Create(Js(script), nullptr, u"", u"", u"");
  t->SetUi(&ui);
  t->Resume();
  ASSERT_TRUE(ui.WaitForLine("ended", 60000)) << ::testing::PrintToString(ui.Lines());
  const int files = OpenFiles();
  const size_t heap = mallinfo2().uordblks;
  t->Stop();
  t->WaitFor();
  // The server's side of connections may not have closed yet; each ended
  // child kept three files before.
  EXPECT_LT(files - filesBefore, kChildren / 2) << "open files grow with the ended children";
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
  // Each child held its page three times over (body, text, variable).
  EXPECT_LT(heap, heapBefore + size_t{kChildren} * (1 << 20) / 4) << "memory grows with the ended children";
#else
  (void)heap;
  (void)heapBefore;
#endif
}

// ---- regpick and splitpick ---------------------------------------------------

TEST_F(ScriptThreads, RegexAndSplitCallbacks) {
  struct Case {
    const char* name;
    std::string script;
    std::vector<std::string> lines;
  };
  const std::string two = "function two(i, s) { lg(VarToStr(i) + ':' + s); }\n";
  const std::string three = "function three(i, s, p) { lg(VarToStr(i) + ':' + s + ':' + p); }\n";
  const std::string rx =
      "function rx(r, m, p) { lg(m + '/' + r.SubMatchs[1] + '/' + r.MatchString + '/' + p); }\n";
  const Case cases[] = {
      {"default separator", two + "splitpick('two', 'a||b');", {"0:a", "1:b"}},
      {"no separator in the text", two + "splitpick('two', 'abc');", {"0:abc"}},
      {"para to three parameters", three + "splitpick('three', 'a,b', ',', 'P');", {"0:a:P", "1:b:P"}},
      {"(reg) separator", two + "splitpick('two', 'a1b22c', '(reg)\\d+');", {"0:a", "1:b", "2:c"}},
      {"(reg) that does not compile",
       two + "splitpick('two', 'abc', '(reg)(');",
       {"check it regex:(;Error in regex at offset 1: missing closing parenthesis"}},
      {"matches with the object",
       rx + "regpick('rx', 'A1 b2', '([a-z])\\d', 'P');",
       {"A1/A/A1/P", "b2/b/b2/P"}},
      {"regcallback without matches", rx + "regcallback('rx', 'xyz', '\\d');", {}},
      {"empty arguments do nothing", two + "splitpick('', 'a');splitpick('two', '');", {}},
      {"a variable is no callback",
       "var two = 1;\nsplitpick('two', 'a');\nlg('not reached');",
       {"cant find callback：two，Please Check again."}},
      {"a stop inside ends the loop",
       "function s(i, p) { lg(p); if (i == 1) stop(); }\nsplitpick('s', 'a||b||c');\nlg('not reached');",
       {"a", "b"}},
      {"regpick with a bad pattern stops",
       rx + "regpick('rx', 'a', '[');\nlg('not reached');",
       {"check it regex:[;Error in regex at offset 1: missing terminating ] for character class"}},
  };
  for (const Case& c : cases) {
    auto r = RunScript(Js(c.script));
    EXPECT_EQ(r.lines, c.lines) << c.name;
  }
}

}  // namespace
}  // namespace qv::host
