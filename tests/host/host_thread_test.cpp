// Scripts run end to end on real host threads: source forms, error
// messages, the include loader, start-up variables, the host classes and
// functions against a real HTTP server on 127.0.0.1, and stopping.
// Tests that run or stop threads carry "Thread" or "Stop" in their names so
// the ThreadSanitizer job picks them up.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "host/error_messages.h"
#include "host/quorvint.h"
#include "library/files/paths.h"
#include "library/functions.h"
#include "support/codepage.h"
#include "support/text.h"
#include "tests/host/host_test_util.h"
#include "tests/web/test_servers.h"

namespace qv::host {
namespace {

namespace fs = std::filesystem;
using testing::RecordingUi;
using testing::RunOptions;
using testing::RunResult;
using testing::RunScript;
using testing::U;
using Lines = std::vector<std::string>;
using Clock = std::chrono::steady_clock;

const char kPage[] =
    "<html><head><title>Demo Title</title></head><body>"
    "<a href=\"/item/1.html\">One</a> <a href=\"/item/2.html\">Two</a></body></html>";

void WriteFile(const fs::path& p, const std::string& bytes) {
  fs::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary) << bytes;
}

std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// One server, one application folder for the whole suite.
class HostThreadTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    SetAnsiCodePage(kCpUtf8);
    RegisterSysLibraryModule();
    RegisterClassesModule();
    RegisterFunctionsModule();
    appDir_ = new fs::path(web::testing::TempFolder("host_thread_app"));
    library::SetAppPath(FromUtf8(appDir_->string() + "/"));
    server_ = new web::testing::HttpServer();
    auto& r = server_->Routes();
    r.Get("/page", [](const httplib::Request&, httplib::Response& res) {
      res.set_content(kPage, "text/html; charset=utf-8");
    });
    // The request as the server saw it: method, headers, body.
    auto echo = [](const httplib::Request& req, httplib::Response& res) {
      {
        std::lock_guard lock(mu_);
        lastMethod_ = req.method;
      }
      std::string s = "method=" + req.method + "\n";
      for (const auto& [k, v] : req.headers) s += k + ": " + v + "\n";
      s += "body=" + req.body;
      for (const auto& [name, part] : req.files) s += "\npart " + name + "=" + part.content;
      res.set_content(s, "text/plain");
    };
    r.Get("/echo", echo);
    r.Post("/echo", echo);
    r.Put("/echo", echo);
    r.Get("/cookie", [](const httplib::Request&, httplib::Response& res) {
      res.set_header("Set-Cookie", "sid=abc123; Path=/");
      res.set_header("X-Custom", "hello");
      res.set_header("Content-Language", "zh-CN");
      res.set_content("ok", "application/x-test");
    });
    r.Get("/count", [](const httplib::Request&, httplib::Response& res) {
      res.set_content("n" + std::to_string(++count_), "text/plain");
    });
    r.Get("/missing", [](const httplib::Request&, httplib::Response& res) {
      res.status = 404;
      res.set_content("gone", "text/plain");
    });
    server_->Start();
  }
  static void TearDownTestSuite() {
    WaitForAllThreads();
    delete server_;
    server_ = nullptr;
    delete appDir_;
  }

  static std::u16string Url(const std::string& path) { return U(server_->Url(path)); }
  static std::string UrlA(const std::string& path) { return server_->Url(path); }
  static std::string LastMethod() {
    std::lock_guard lock(mu_);
    return lastMethod_;
  }

  static inline web::testing::HttpServer* server_ = nullptr;
  static inline fs::path* appDir_ = nullptr;
  static inline std::mutex mu_;
  static inline std::string lastMethod_;
  static inline std::atomic<int> count_{0};
};

std::string Join(const Lines& lines) {
  std::string s;
  for (const std::string& l : lines) s += l + "\n";
  return s;
}

// ---- source forms --------------------------------------------------------------

TEST_F(HostThreadTest, ThreadRunsEverySourceForm) {
  // The intermediate form of a small program, as the compiler writes it.
  TfsScript il;
  il.SetSyntaxType(u"js");
  il.Lines() = SplitLines(u"lg(\"from il <?x?>\");");
  MemoryStream stream;
  ASSERT_TRUE(il.GetILCode(stream)) << ToUtf8(il.ErrorMsg());
  std::u16string ilText = FromUtf8(stream.Data());
  ASSERT_EQ(ilText.rfind(u"<?xml", 0), 0u);

  struct Case {
    const char* name;
    std::u16string source;
    Lines lines;
    std::string output;
    bool filter;
  } cases[] = {
      {"template",
       u"Hello <?= 1 + 2 ;?> \"q\"\n<? lg(\"flagged\", true); lg(\"quiet\"); echo(5); echo(true); "
       u"print(\"p\"); ?>",
       {"flagged"},
       "Hello 3 \"q\"\r\nquiet5Truep",
       true},
      {"template without blocks is literal", u"lg(\"x\");", {}, "lg(\"x\");", true},
      {"language text",
       u"#language js\nlg(\"plain\"); echo(\"e\"); print(5);",
       {"plain", "e", "5"},
       "",
       false},
      // "#language" after blanks picks the form but is no directive: the
      // default js grammar stops at the "#" and the rest is not run.
      {"language after blanks", u"  \t#language js\nlg(\"blank\");", {}, "", false},
      {"template ending in a line break", u"a<?=1?>\r\n", {}, "a1\r\n", true},
      {"LF template", u"a\nb", {}, "a\r\nb", true},
      {"unclosed block is literal", u"a<?b", {}, "a<?b", true},
      {"empty expression block", u"<?=?>x", {}, "x", true},
      {"empty text", u"", {}, "", true},
      {"intermediate", ilText, {"from il <?x?>"}, "", false},
  };
  for (const Case& c : cases) {
    RunResult r = RunScript(c.source);
    EXPECT_EQ(r.outcome, RunOutcome::Completed) << c.name << "\n" << Join(r.lines);
    EXPECT_EQ(r.lines, c.lines) << c.name;
    EXPECT_EQ(r.output, c.output) << c.name;
    EXPECT_EQ(r.htmlFilter, c.filter) << c.name;
  }
}

// Template output: numbers after text are appended as their text, never
// added; echo with the flag logs.
TEST_F(HostThreadTest, ThreadTemplateOutputRules) {
  RunResult r = RunScript(
      u"<? echo(\"3\"); echo(0.5); echo(\"a\"); echo(2.5); echo(null); echo(false); "
      u"echo(\"x\", true); lg(7, true); print(\"n\", null); ?>");
  EXPECT_EQ(r.outcome, RunOutcome::Completed) << Join(r.lines);
  EXPECT_EQ(r.output, "30.5a2.5Falsen");
  EXPECT_EQ(r.lines, (Lines{"x", "7"}));
}

TEST_F(HostThreadTest, ThreadRunsCompiledFilesOfEveryVersion) {
  fs::path dir = web::testing::TempFolder("host_compiled");
  WriteFile(dir / "src" / "a.qvs", "#language js\nlg(\"compiled \" + _ScriptPath);\n");
  WriteFile(dir / "src" / "sub" / "b.qvs", "#language Pascal\nbegin lg('sub ok'); end.\n");
  for (int version = 1; version <= 3; ++version) {
    fs::path target = dir / ("v" + std::to_string(version));
    RunResult w = RunScript(U("#language js\nencryptscript(\"" + (dir / "src").string() + "\", \"" +
                              target.string() + "\", " + std::to_string(version) + ");\nlg(\"written\");"));
    ASSERT_EQ(w.lines, Lines{"written"}) << version;
    std::string bytes = ReadFile(target / "a.qvs");
    ASSERT_GE(bytes.size(), 2u) << version;
    EXPECT_EQ(static_cast<unsigned char>(bytes[0]), 0x1f) << "a gzip stream";
    std::u16string path = U((target / "a.qvs").string());
    RunResult r = RunScript(path);
    EXPECT_EQ(r.outcome, RunOutcome::Completed) << version << Join(r.lines);
    EXPECT_EQ(r.lines, Lines{"compiled " + ToUtf8(path)}) << version;
    EXPECT_FALSE(r.htmlFilter);
    RunResult sub = RunScript(U((target / "sub" / "b.qvs").string()));
    EXPECT_EQ(sub.lines, Lines{"sub ok"}) << version;
  }
  // A damaged container is the creator's error, naming the file.
  WriteFile(dir / "bad.qvs", "QUORVINTER3.0" + std::string(32, 'a') + "!!!");
  try {
    TQuorvinter::Create(U((dir / "bad.qvs").string()), nullptr, u"", u"", u"");
    ADD_FAILURE() << "a damaged file was accepted";
  } catch (const ScriptError& e) {
    EXPECT_EQ(ToUtf8(e.message()).rfind((dir / "bad.qvs").string() + ": ", 0), 0u) << e.what();
  }
  // A file that does not compile ends the walk with its name and position.
  WriteFile(dir / "broken" / "x.qvs", "#language js\nfunction f() {\n");
  RunResult broken = RunScript(U("#language js\nencryptscript(\"" + (dir / "broken").string() + "\", \"" +
                                 (dir / "broken_out").string() + "\", 3);"));
  EXPECT_EQ(broken.outcome, RunOutcome::RunError);
  EXPECT_EQ(broken.lines, Lines{"MainProc:(" + (dir / "broken" / "x.qvs").string() +
                                ":'}' expected-3:1), 在第 2 行,第 1 个字符"});
  // Any other version writes nothing; the same folder is refused.
  RunResult none = RunScript(U("#language js\nencryptscript(\"" + (dir / "src").string() + "\", \"" +
                               (dir / "v4").string() + "\", 4);"));
  EXPECT_EQ(none.outcome, RunOutcome::Completed);
  EXPECT_FALSE(fs::exists(dir / "v4" / "a.qvs"));
  RunResult same = RunScript(U("#language js\nencryptscript(\"" + (dir / "src").string() + "\", \"" +
                               (dir / "src").string() + "\", 3);"));
  EXPECT_EQ(same.outcome, RunOutcome::RunError);
  ASSERT_EQ(same.lines.size(), 1u);
  EXPECT_EQ(same.lines[0], "MainProc:(complie dir cant same source dir" + (dir / "src").string() +
                               "/), 在第 2 行,第 1 个字符");
}

// ---- error messages ------------------------------------------------------------

TEST(HostErrorMessages, LabelsAndTexts) {
  struct Case {
    const char16_t* thread;
    const char16_t* unit;
    bool parent;
    const char* label;
  } cases[] = {
      {u"", u"", false, "MainProc"},         {u"", u"", true, "AnonymousThread"},
      {u"worker", u"", true, "worker"},      {u"worker", u"unit.pas", true, "worker - unit.pas"},
      {u"", u"unit.pas", false, "unit.pas"}, {u"", u"unit.pas", true, "unit.pas"},
  };
  for (const Case& c : cases) EXPECT_EQ(ToUtf8(ErrorLabel(c.thread, c.unit, c.parent)), c.label);

  TfsScript prog;
  prog.SetErrorMsg(u"Boom");
  prog.SetErrorPos(u"12:5");
  EXPECT_EQ(ToUtf8(CompileErrorMessage(prog, u"", false)), "MainProc:Boom, 在第 12 行,第 5 个字符");
  EXPECT_EQ(ToUtf8(RunErrorMessage(prog, u"Division by zero", u"t1", true)),
            "t1:Boom(Division by zero), 在第 12 行,第 5 个字符");
}

TEST_F(HostThreadTest, ThreadErrorLabels) {
  fs::path inc = web::testing::TempFolder("host_labels");
  WriteFile(inc / "broken_unit.pas",
            "function Broken: Integer;\nbegin\n  Result := 'text';\nend;\nbegin end.\n");
  const std::u16string braceError = u"#language js\nfunction f() {\n  lg(1);\n";
  const std::string braceText = ":'}' expected, 在第 4 行,第 1 个字符";
  const std::u16string unitError = u"#language Pascal\nuses 'broken_unit.pas';\nbegin\nend.\n";
  const std::string unitText = ":Incompatible types: 'Integer', 'String', 在第 3 行,第 19 个字符";
  auto parent = TQuorvinter::Create(u"", nullptr, u"", u"", u"");  // never started
  auto withInclude = [&inc](TQuorvinter& t) {
    t.onIncludePath = [&inc](std::vector<std::u16string>& dirs) { dirs.push_back(U(inc.string())); };
  };
  struct Case {
    const char* name;
    std::u16string source;
    TQuorvint* parent;
    std::u16string thread;
    std::string line;
  } cases[] = {
      {"main", braceError, nullptr, u"", "MainProc" + braceText},
      {"anonymous child", braceError, parent.get(), u"", "AnonymousThread" + braceText},
      {"named", braceError, parent.get(), u"worker", "(worker)worker" + braceText},
      {"named main", braceError, nullptr, u"solo", "(solo)solo" + braceText},
      {"unit", unitError, nullptr, u"", "broken_unit.pas" + unitText},
      {"named unit", unitError, parent.get(), u"worker", "(worker)worker - broken_unit.pas" + unitText},
  };
  for (const Case& c : cases) {
    RunResult r = RunScript(c.source, RunOptions().Parent(c.parent).Name(c.thread).Setup(withInclude));
    EXPECT_EQ(r.outcome, RunOutcome::CompileError) << c.name;
    EXPECT_EQ(r.lines, Lines{c.line}) << c.name;
  }
}

TEST_F(HostThreadTest, ThreadRunTimeErrorLogsTheMessage) {
  // The error's place is the statement that was running; the message
  // after a successful compile is empty, so the exception's text follows
  // the label directly.
  RunResult r = RunScript(u"#language js\nlg(\"before\");\nvar x = StrToInt(\"abc\");\nlg(\"after\");");
  EXPECT_EQ(r.outcome, RunOutcome::RunError);
  EXPECT_EQ(r.lines,
            (Lines{"before", "MainProc:('abc' is not a valid integer value), 在第 3 行,第 5 个字符"}));
  // An unknown language is reported with the label.
  RunResult lang = RunScript(u"#language Cobol\nlg(1);", RunOptions().Name(u"w"));
  EXPECT_EQ(lang.outcome, RunOutcome::CompileError);
  EXPECT_EQ(lang.lines, Lines{"(w)w:Language 'Cobol' not found"});
}

// ---- include loader --------------------------------------------------------------

TEST_F(HostThreadTest, ThreadIncludeLoader) {
  fs::path inc = web::testing::TempFolder("host_include");
  const std::string unit = "function Word1: string;\nbegin\n  Result := 'h\xc3\xa9llo';\nend;\nbegin end.\n";
  WriteFile(inc / "plain.pas", unit);
  WriteFile(inc / "bom8.pas", "\xef\xbb\xbf" + unit);
  std::string utf16 = "\xff\xfe";
  for (char16_t ch : FromUtf8(unit)) {
    utf16 += static_cast<char>(ch & 0xff);
    utf16 += static_cast<char>(ch >> 8);
  }
  WriteFile(inc / "bom16.pas", utf16);
  std::string utf16be = "\xfe\xff";
  for (char16_t ch : FromUtf8(unit)) {
    utf16be += static_cast<char>(ch >> 8);
    utf16be += static_cast<char>(ch & 0xff);
  }
  WriteFile(inc / "bom16be.pas", utf16be);
  WriteFile(inc / "sub" / "deep.pas", unit);
  auto setup = [&inc](TQuorvinter& t) {
    t.onIncludePath = [&inc](std::vector<std::u16string>& dirs) {
      dirs.push_back(U((inc / "nothing-here").string()));
      dirs.push_back(U(inc.string()));  // without a trailing separator
    };
  };
  for (const char* name : {"plain.pas", "bom8.pas", "bom16.pas", "bom16be.pas", "sub/deep.pas"}) {
    RunResult r = RunScript(U(std::string("#language Pascal\nuses '") + name + "';\nbegin lg(Word1); end.\n"),
                            RunOptions().Setup(setup));
    EXPECT_EQ(r.outcome, RunOutcome::Completed) << name << Join(r.lines);
    EXPECT_EQ(r.lines, Lines{"h\xc3\xa9llo"}) << name;
  }
  // Without a mark a unit is read in the ANSI code page: GBK here, while a
  // UTF-8 mark still wins.
  WriteFile(inc / "gbk.pas", "function Word1: string;\nbegin\n  Result := '\xd6\xd0';\nend;\nbegin end.\n");
  WaitForAllThreads();  // the code page is process-wide
  SetAnsiCodePage(CodePage{936});
  RunResult gbk =
      RunScript(u"#language Pascal\nuses 'gbk.pas';\nbegin lg(Word1); end.\n", RunOptions().Setup(setup));
  RunResult bom8 =
      RunScript(u"#language Pascal\nuses 'bom8.pas';\nbegin lg(Word1); end.\n", RunOptions().Setup(setup));
  WaitForAllThreads();
  SetAnsiCodePage(kCpUtf8);
  EXPECT_EQ(gbk.lines, Lines{"\xe4\xb8\xad"});
  EXPECT_EQ(bom8.lines, Lines{"h\xc3\xa9llo"});
  // An absolute name is used as it is.
  RunResult abs =
      RunScript(U("#language Pascal\nuses '" + (inc / "plain.pas").string() + "';\nbegin lg(Word1); end.\n"));
  EXPECT_EQ(abs.lines, Lines{"h\xc3\xa9llo"});

  // A missing unit: one line, and the script is stopped before it runs.
  RunResult missing =
      RunScript(u"#language Pascal\nuses 'nowhere.pas';\nbegin lg('ran'); end.\n", RunOptions().Setup(setup));
  ASSERT_FALSE(missing.lines.empty());
  EXPECT_EQ(missing.lines[0],
            "nowhere.pas\xef\xbc\x9a"
            "file not exists");
  for (const std::string& l : missing.lines) EXPECT_NE(l, "ran");
}

TEST_F(HostThreadTest, ThreadLoadsMainFileAlongIncludePath) {
  fs::path inc = web::testing::TempFolder("host_mainfile");
  WriteFile(inc / "main_on_path.qvs", "#language js\nlg(_ScriptPath);");
  auto t = TQuorvinter::Create(u"", nullptr, u"", u"", u"");
  t->Program().IncludePath().push_back(U(inc.string()));
  t->LoadFile(u"main_on_path.qvs");
  EXPECT_EQ(ToUtf8(t->NowFilePath()), (inc / "main_on_path.qvs").string());
  RecordingUi ui;
  t->SetUi(&ui);
  t->Resume();
  t->WaitFor();
  EXPECT_EQ(ui.Lines(), Lines{(inc / "main_on_path.qvs").string()});
  // A main file keeps a byte-order mark as the characters it decodes to.
  WriteFile(inc / "bom.qvs", "\xef\xbb\xbf#language js\nlg(1);");
  RunResult r = RunScript(U((inc / "bom.qvs").string()));
  EXPECT_TRUE(r.htmlFilter) << "not a #language text";
}

// ---- variables and constants ----------------------------------------------------------

TEST_F(HostThreadTest, ThreadStartUpVariables) {
  std::vector<Value> pairs = {Value::Text(u"n"),   Value::Int(5),
                              Value::Text(u"b"),   Value::Bool(true),
                              Value::Text(u"s"),   Value::Text(u"12"),
                              Value::Text(u"arr"), Value::Array({Value::Int(1), Value::Int(2)}),
                              Value::Text(u"d"),   Value::Double(1.5),
                              Value::Text(u"last")};
  RunResult r = RunScript(
      u"#language js\n"
      u"lg(_AppPath); lg(_ThreadName); lg(_ScriptPath); lg(_Version);\n"
      u"lg(VarType(n)); lg(n + 1); lg(VarType(b)); lg(VarType(s)); lg(VarType(arr)); lg(d);\n"
      u"lg(arr[1]); arr[0] = 7; lg(arr[0] + arr[1]);",
      RunOptions().Name(u"vars").Setup([&](TQuorvinter& t) {
        t.SetInitVariable(Value::Array(pairs));
        t.SetNowFilePath(u"/some/where.qvs");
      }));
  EXPECT_EQ(r.outcome, RunOutcome::Completed) << Join(r.lines);
  std::string app = appDir_->string() + "/";
  EXPECT_EQ(r.lines, (Lines{"(vars)" + app, "(vars)vars", "(vars)/some/where.qvs",
                            std::string("(vars)") + EngineVersion(), "(vars)3", "(vars)6", "(vars)11",
                            "(vars)256", "(vars)8204", "(vars)1.5", "(vars)2", "(vars)9"}));

  // The declared types, and the broken last pair skipped alone.
  auto t = TQuorvinter::Create(u"", nullptr, u"", u"", u"");
  t->SetVariables(Value::Array(pairs));
  struct Want {
    const char16_t* name;
    const char* type;
  } wants[] = {{u"n", "integer"}, {u"b", "boolean"},        {u"s", "string"},        {u"arr", "array"},
               {u"d", "string"},  {u"_AppPath", "Variant"}, {u"_Version", "Variant"}};
  for (const Want& w : wants) {
    TfsCustomVariable* item = t->Program().FindLocal(w.name);
    ASSERT_NE(item, nullptr) << ToUtf8(w.name);
    EXPECT_EQ(ToUtf8(item->TypeName()), w.type) << ToUtf8(w.name);
  }
  EXPECT_EQ(t->Program().FindLocal(u"last"), nullptr);
  // Setting them again changes the four host variables in place.
  t->SetVariables(Value());
  EXPECT_EQ(ToUtf8(ToText(t->Program().FindLocal(u"_AppPath")->GetValue())), app);
}

TEST_F(HostThreadTest, ThreadDialogConstants) {
  RunResult r = RunScript(
      u"#language js\nlg(MTError); lg(MTWarning); lg(MTInformation); lg(MBOkCancel); lg(MBAbortRetryIgnore);"
      u"lg(MBYesNoCancel); lg(MBYesNo); lg(MBRetryCancel); lg(MRYes); lg(MRNo); lg(MRCancel); lg(MRAbort);"
      u"lg(MRRetry); lg(MRIgnore); lg(MROK);");
  EXPECT_EQ(r.lines, (Lines{"1", "2", "3", "1", "2", "3", "4", "5", "6", "7", "2", "3", "4", "5", "1"}));
}

// ---- ThttpGet ----------------------------------------------------------------------

TEST_F(HostThreadTest, ThreadHttpGetRequestMembersReachTheServer) {
  std::string echo = UrlA("/echo");
  RunResult r = RunScript(
      U("#language js\n"
        "_Get.RequestTimeOut = 4321; lg(_Get.RequestTimeOut);\n"
        "_Get.UserAgent = \"qv-agent\"; _Get.Accept = \"text/x-a\"; _Get.AcceptLanguage = \"xx-YY\";\n"
        "_Get.AcceptCharSet = \"cs-test\"; _Get.AcceptEncoding = \"identity\"; _Get.Referer = "
        "\"http://ref.example/\"; _Get.From = \"me@example\";\n"
        "lg(_Get.UserAgent); lg(_Get.Accept); lg(_Get.AcceptLanguage); lg(_Get.AcceptCharSet);\n"
        "_Get.RequestHead[\"X-One\"] = \"1\"; _Get.RequestHead[\"X-One\"] = \"2\";\n"
        "lg(_Get.RequestHead[\"X-One\"]); lg(_Get.RequestHead[\"\"]);\n"
        "lg(httpget(\"" +
        echo +
        "\"));\n"
        "lg(httppost(\"" +
        echo +
        "\", \"CHECK\", \"k=v\"));\n"
        "_Get.ContentType = \"multipart/form-data\"; lg(httppost(\"" +
        echo +
        "\", \"CHECK\", \"k=v\"));\n"
        "_Get.Cookie = \"c1=v1\"; lg(_Get.RequestHead[\"\"]); lg(httpget(\"" +
        echo +
        "\"));\n"
        "_Get.RequestHead[\"\"] = \"\"; lg(_Get.UserAgent == \"qv-agent\"); lg(_Get.RequestHead[\"\"]);\n"));
  ASSERT_EQ(r.outcome, RunOutcome::Completed) << Join(r.lines);
  ASSERT_EQ(r.lines.size(), 14u) << Join(r.lines);
  EXPECT_EQ(r.lines[0], "4321");
  EXPECT_EQ(r.lines[1], "qv-agent");
  EXPECT_EQ(r.lines[2], "text/x-a");
  EXPECT_EQ(r.lines[3], "xx-YY");
  EXPECT_EQ(r.lines[4], "cs-test");
  EXPECT_EQ(r.lines[5], "1") << "the first line of that name";
  EXPECT_EQ(r.lines[6], "X-One: 1\r\nX-One: 2\r\n");
  const std::string& get = r.lines[7];
  for (const char* want : {"method=GET", "User-Agent: qv-agent", "Accept: text/x-a", "Accept-Language: xx-YY",
                           "Accept-Charset: cs-test", "Accept-Encoding: identity",
                           "Referer: http://ref.example/", "From: me@example", "X-One: 1"})
    EXPECT_NE(get.find(want), std::string::npos) << want << "\n" << get;
  // A POST is a form unless the content type asks for a multipart body.
  const std::string& post = r.lines[8];
  EXPECT_NE(post.find("method=POST"), std::string::npos) << post;
  EXPECT_NE(post.find("Content-Type: application/x-www-form-urlencoded"), std::string::npos) << post;
  EXPECT_NE(post.find("body=k=v"), std::string::npos) << post;
  const std::string& multipart = r.lines[9];
  EXPECT_NE(multipart.find("Content-Type: multipart/form-data; boundary="), std::string::npos) << multipart;
  EXPECT_NE(multipart.find("part k=v"), std::string::npos) << multipart;
  EXPECT_EQ(r.lines[10], "Cookie: c1=v1\r\n") << "setting Cookie drops the custom lines";
  EXPECT_NE(r.lines[11].find("Cookie: c1=v1"), std::string::npos) << r.lines[11];
  EXPECT_EQ(r.lines[11].find("X-One"), std::string::npos) << r.lines[11];
  EXPECT_EQ(r.lines[12], "False") << "an empty name resets the request";
  EXPECT_EQ(r.lines[13], "");
}

TEST_F(HostThreadTest, ThreadHttpGetResponseMembers) {
  fs::path cache = web::testing::TempFolder("host_cachedir");
  RunResult r = RunScript(
      U("#language js\n"
        "lg(_Get.ProtocolVer); _Get.ProtocolVer = \"2.0\"; lg(_Get.ProtocolVer);\n"
        "_Get.ProtocolVer = \"1.0\"; lg(_Get.ProtocolVer); _Get.ProtocolVer = \"1.1\";\n"
        "var page = httpget(\"" +
        UrlA("/cookie") +
        "\");\n"
        "lg(page); lg(_Get.ResponseCode); lg(_Get.ContentLength); lg(_Get.ContentType); lg(_Get.URL);\n"
        "lg(_Get.ResponseHead[\"X-Custom\"]); lg(_Get.ResponseHead[\"\"]); lg(_Get.Cookie); lg(_Get.HTML);\n"
        "lg(_Get.ErrorText == \"\"); lg(_Get.ContentLanguage);\n"
        "_Get.HTML = \"set\"; lg(_Get.HTML); _Get.URL = \"http://x.example/\"; lg(_Get.URL);\n"
        "_Get.CacheDir = \"" +
        cache.string() +
        "/\"; lg(_Get.CacheDir);\n"
        "lg(httpget(\"" +
        UrlA("/missing") +
        "\")); lg(_Get.ResponseCode);\n"
        "lg(httpget(\"http://127.0.0.1:" +
        std::to_string(web::testing::FreePort()) +
        "/\"));\n"
        "lg(_Get.ErrorText != \"\");\n"
        "_Get.UserAgent = \"changed\"; _Get.Clear(); lg(_Get.UserAgent != \"changed\"); lg(_Get.Cookie);\n"));
  ASSERT_EQ(r.outcome, RunOutcome::Completed) << Join(r.lines);
  ASSERT_EQ(r.lines.size(), 23u) << Join(r.lines);
  EXPECT_EQ(r.lines[0], "1.1");
  EXPECT_EQ(r.lines[1], "1.1") << "2.0 is ignored";
  EXPECT_EQ(r.lines[2], "1.0");
  EXPECT_EQ(r.lines[3], "ok");
  EXPECT_EQ(r.lines[4], "200");
  EXPECT_EQ(r.lines[5], "2");
  EXPECT_EQ(r.lines[6], "application/x-test");
  EXPECT_EQ(r.lines[7], UrlA("/cookie"));
  EXPECT_EQ(r.lines[8], "hello");
  EXPECT_NE(r.lines[9].find("X-Custom: hello"), std::string::npos) << r.lines[9];
  EXPECT_NE(r.lines[10].find("sid=abc123"), std::string::npos) << r.lines[10];
  EXPECT_EQ(r.lines[11], "ok");
  EXPECT_EQ(r.lines[12], "True");
  EXPECT_EQ(r.lines[13], "zh-CN");
  EXPECT_EQ(r.lines[14], "set");
  EXPECT_EQ(r.lines[15], "http://x.example/");
  EXPECT_EQ(r.lines[16], cache.string() + "/");
  EXPECT_EQ(r.lines[17], "404");
  EXPECT_EQ(r.lines[18], "404");
  EXPECT_EQ(r.lines[19], "0") << "no response";
  EXPECT_EQ(r.lines[20], "True");
  EXPECT_EQ(r.lines[21], "True") << "Clear restores the defaults";
  EXPECT_EQ(r.lines[22], "") << "and forgets the cookies";
}

TEST_F(HostThreadTest, ThreadHttpRequestInEverySyntax) {
  std::string echo = UrlA("/echo"), missing = UrlA("/missing");
  // Basic reads "_" as a line continuation, so its script cannot name _Get.
  const std::string sources[] = {
      "#language js\nlg(httprequest(\"put\", \"" + echo + "\", \"x=1\"));\nlg(httprequest(\"GET\", \"" +
          missing +
          "\"));\nlg(_Get.ResponseCode);\n"
          "try { httprequest(\"NO GOOD\", \"" +
          echo +
          "\"); } except lg(ExceptionMessage);\n"
          "_Get.Retries = 3; _Get.RetryDelay = 5; lg(_Get.Retries + _Get.RetryDelay);\n",
      "#language Pascal\nbegin\n  lg(httprequest('put', '" + echo + "', 'x=1'));\n  lg(httprequest('GET', '" +
          missing + "'));\n  lg(_Get.ResponseCode);\n  try httprequest('NO GOOD', '" + echo +
          "'); except lg(ExceptionMessage); end;\n"
          "  _Get.Retries := 3; _Get.RetryDelay := 5; lg(_Get.Retries + _Get.RetryDelay);\nend.\n",
      "#language Basic\nlg(httprequest(\"put\", \"" + echo + "\", \"x=1\"))\nlg(httprequest(\"GET\", \"" +
          missing +
          "\"))\nlg(404)\n"
          "Try\n  httprequest(\"NO GOOD\", \"" +
          echo + "\")\nCatch\n  lg(ExceptionMessage)\nEnd Try\nlg(8)\n",
      "#language C\n{\n  lg(httprequest(\"put\", \"" + echo + "\", \"x=1\"));\n  lg(httprequest(\"GET\", \"" +
          missing + "\"));\n  lg(_Get.ResponseCode);\n  try { httprequest(\"NO GOOD\", \"" + echo +
          "\"); } except { lg(ExceptionMessage); }\n"
          "  _Get.Retries = 3; _Get.RetryDelay = 5; lg(_Get.Retries + _Get.RetryDelay);\n}\n",
  };
  for (const std::string& source : sources) {
    RunResult r = RunScript(U(source));
    ASSERT_EQ(r.outcome, RunOutcome::Completed) << source << Join(r.lines);
    ASSERT_EQ(r.lines.size(), 5u) << source << Join(r.lines);
    EXPECT_NE(r.lines[0].find("method=PUT"), std::string::npos) << r.lines[0];
    EXPECT_NE(r.lines[0].find("Content-Type: application/x-www-form-urlencoded"), std::string::npos)
        << r.lines[0];
    EXPECT_NE(r.lines[0].find("body=x=1"), std::string::npos) << r.lines[0];
    EXPECT_EQ(r.lines[1], "gone") << "the body of a 404";
    EXPECT_EQ(r.lines[2], "404");
    EXPECT_EQ(r.lines[3], "Invalid HTTP method: NO GOOD");
    EXPECT_EQ(r.lines[4], "8");
  }
}

// ---- TQuorvinter members ---------------------------------------------------------------

TEST_F(HostThreadTest, ThreadSelfAndParentMembers) {
  RunResult r = RunScript(
      u"<? var x = 1;\n"
      u"lg(_SELF == _Parent, true); lg(_SELF.ThreadName, true); lg(_SELF.HTMLFilter, true);\n"
      u"_SELF.Vars[\"x\"] = \"changed\"; lg(x, true); lg(_SELF.Vars[\"x\"], true);\n"
      u"_SELF.Vars[\"newInt\"] = 5; _SELF.Vars[\"newBool\"] = true; _SELF.Vars[\"newStr\"] = \"s\";\n"
      u"lg(VarType(_SELF.Vars[\"newInt\"]), true); lg(VarType(_SELF.Vars[\"newBool\"]), true);\n"
      u"lg(VarType(_SELF.Vars[\"newStr\"]), true); lg(VarType(_SELF.Vars[\"nothing\"]), true);\n"
      u"echo(\"a\"); _SELF.HTMLOutput = \"reset\"; echo(\"!\"); lg(_Parent.HTMLOutput, true);\n"
      u"_SELF.HTMLFilter = false; echo(\"now logged\"); _SELF.Stop(); lg(\"not reached\"); ?>",
      RunOptions().Name(u"me"));
  EXPECT_EQ(r.outcome, RunOutcome::Completed);
  EXPECT_EQ(r.lines, (Lines{"(me)True", "(me)me", "(me)True", "(me)changed", "(me)changed", "(me)3", "(me)11",
                            "(me)256", "(me)256", "(me)reset!", "(me)now logged"}));
  EXPECT_EQ(r.output, "reset!");
}

// ---- host functions ------------------------------------------------------------------

TEST_F(HostThreadTest, ThreadOutputOutsideTemplateMode) {
  RunResult r =
      RunScript(u"#language js\nlg(\"a\"); echo(5); print(true); lg(null); echo(\"x\", false); lg();",
                RunOptions().Name(u"out"));
  EXPECT_EQ(r.lines, (Lines{"(out)a", "(out)5", "(out)True", "(out)", "(out)x", "(out)"}));
  EXPECT_EQ(r.output, "");
}

TEST_F(HostThreadTest, ThreadAlertAndInputThroughTheBridge) {
  RecordingUi ui;
  ui.SetBoxAnswer(6);
  ui.AddAnswer(u"typed");
  ui.AddAnswer(std::nullopt);
  RunResult r = RunScript(
      u"#language js\n"
      u"var tp = \"1\"; var mb = \"abc\";\n"
      u"lg(alert(\"question\", 2, 3)); lg(alert(\"text tp\", tp, mb)); lg(alert(\"nine\", 0, 9));\n"
      u"lg(alert(5));\n"
      u"var a = input(\"Cap\", \"Prompt\", \"def\"); lg(a);\n"
      u"var b = input(\"C2\", \"P2\"); lg(VarType(b)); lg(b);\n",
      RunOptions().Ui(&ui));
  EXPECT_EQ(r.outcome, RunOutcome::Completed) << Join(r.lines);
  EXPECT_EQ(r.lines, (Lines{"6", "6", "6", "6", "typed", "11", "False"}));
  auto boxes = ui.Boxes();
  ASSERT_EQ(boxes.size(), 4u);
  EXPECT_EQ(boxes[0].text, "question");
  EXPECT_EQ(boxes[0].type, 2);
  EXPECT_EQ(boxes[0].buttons, 3);
  EXPECT_EQ(boxes[1].type, 1) << "text that reads as a number";
  EXPECT_EQ(boxes[1].buttons, 0) << "text that is no number";
  EXPECT_EQ(boxes[2].buttons, 9);
  EXPECT_EQ(boxes[3].text, "5");
  auto queries = ui.Queries();
  ASSERT_EQ(queries.size(), 2u);
  EXPECT_EQ(queries[0].caption, "Cap");
  EXPECT_EQ(queries[0].prompt, "Prompt");
  EXPECT_EQ(queries[0].initial, "def");
  EXPECT_EQ(queries[1].initial, "");
}

// Without a bridge nothing is logged, a message box answers OK and an
// input its default.
TEST_F(HostThreadTest, ThreadWithoutUiBridge) {
  auto t = TQuorvinter::Create(
      u"<? lg(\"dropped\", true); echo(alert(\"x\", 1, 3)); echo(input(\"a\", \"b\", \"d\")); ?>", nullptr,
      u"", u"", u"");
  t->Resume();
  ASSERT_TRUE(t->WaitFor(10000));
  EXPECT_EQ(t->Outcome(), RunOutcome::Completed);
  EXPECT_EQ(ToUtf8(t->HTMLOutput()), "1d");
}

TEST_F(HostThreadTest, ThreadSleepZeroAndNegativeReturnAtOnce) {
  auto start = Clock::now();
  RunResult r = RunScript(u"#language js\nsleep(0); sleep(-5); sleep(-2147483647); sleep(1); lg(\"done\");",
                          RunOptions().Timeout(5000));
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
  EXPECT_TRUE(r.finished);
  EXPECT_EQ(r.lines, Lines{"done"});
  EXPECT_LT(ms, 3000);
}

TEST_F(HostThreadTest, ThreadDownloadFunctionsAndNullArguments) {
  std::string echo = UrlA("/echo");
  RunResult r =
      RunScript(U("#language js\n"
                  "lg(httpget(\"" +
                  UrlA("/page") +
                  "\", null, null));\n"
                  "lg(regmatch(down(\"" +
                  echo +
                  "\", null, \"POST\", \"a=1\", null), \"/body=(.*)/i\", 1));\n"
                  "lg(regmatch(down(\"" +
                  echo +
                  "\", \"CHECK\", null, null, null), \"/method=(\\w*)/i\", 1));\n"
                  "lg(regmatch(httppost(\"" +
                  echo +
                  "\", null, null, null), \"/method=(\\w*)/i\", 1));\n"
                  "httphead(\"" +
                  echo + "\", null, null); lg(_Get.ResponseCode);\n"));
  ASSERT_EQ(r.outcome, RunOutcome::Completed) << Join(r.lines);
  ASSERT_EQ(r.lines.size(), 5u) << Join(r.lines);
  EXPECT_EQ(r.lines[0], kPage);
  EXPECT_EQ(r.lines[1], "a=1");
  EXPECT_EQ(r.lines[2], "GET") << "an empty method is a GET";
  EXPECT_EQ(r.lines[3], "POST");
  EXPECT_EQ(r.lines[4], "200");
  EXPECT_EQ(LastMethod(), "HEAD");

  // A cache time that is Null or no number is a conversion error.
  // (down passes a Null cache time on, which reads as 0.)
  for (const char* call :
       {"httpget(\"URL\", \"CHECK\", \"\", null)", "httphead(\"URL\", \"CHECK\", \"\", notANumber)"}) {
    std::string script =
        std::string("#language js\nvar notANumber = \"abc\";\nvar x = ") + call + ";\nlg(\"after\");";
    script.replace(script.find("URL"), 3, echo);
    RunResult bad = RunScript(U(script));
    EXPECT_EQ(bad.outcome, RunOutcome::RunError) << call << Join(bad.lines);
    EXPECT_EQ(bad.lines.size(), 1u) << call << Join(bad.lines);
  }
}

TEST_F(HostThreadTest, ThreadStopFunction) {
  struct Case {
    const char* name;
    std::u16string source;
    Lines lines;
  } cases[] = {
      {"message", u"#language js\nlg(\"a\"); stop(\"bye\"); lg(\"b\");", {"a", "bye"}},
      {"empty", u"#language js\nstop(); lg(\"b\");", {}},
      {"null", u"#language js\nstop(null); lg(\"b\");", {}},
      {"number", u"#language js\nstop(5); lg(\"b\");", {"5"}},
      {"in a loop", u"#language js\nvar i = 0; while (true) { i++; if (i == 3) stop(\"at 3\"); }", {"at 3"}},
  };
  for (const Case& c : cases) {
    RunResult r = RunScript(c.source, RunOptions().Timeout(10000));
    EXPECT_TRUE(r.finished) << c.name;
    EXPECT_EQ(r.outcome, RunOutcome::Completed) << c.name;
    EXPECT_EQ(r.lines, c.lines) << c.name;
  }
}

TEST_F(HostThreadTest, ThreadClearCacheProxyAndHtml2Txt) {
  int closed = web::testing::FreePort();
  RunResult r =
      RunScript(U("#language js\n"
                  "_Get.UserAgent = \"custom\"; cleardowncache(); lg(_Get.UserAgent != \"custom\");\n"
                  "setproxy(true, \"127.0.0.1:" +
                  std::to_string(closed) +
                  "\");\n"
                  "lg(httpget(\"" +
                  UrlA("/cookie") +
                  "\"));\n"
                  "setproxy(false); lg(httpget(\"" +
                  UrlA("/cookie") +
                  "\"));\n"
                  "lg(html2txt(\"<p>one</p><p>two</p>\"));\n"));
  ASSERT_EQ(r.outcome, RunOutcome::Completed) << Join(r.lines);
  ASSERT_EQ(r.lines.size(), 4u) << Join(r.lines);
  EXPECT_EQ(r.lines[0], "True");
  EXPECT_EQ(r.lines[1], "0") << "through a proxy nobody runs";
  EXPECT_EQ(r.lines[2], "ok");
  EXPECT_EQ(r.lines[3].find('<'), std::string::npos) << r.lines[3];
  EXPECT_NE(r.lines[3].find("one"), std::string::npos);
  EXPECT_NE(r.lines[3].find("two"), std::string::npos);
}

TEST_F(HostThreadTest, ThreadRegexFunctions) {
  RunResult r = RunScript(
      u"#language Pascal\nbegin\n"
      u"lg(regmatch('abc', 'abc')); lg(regmatch('abc', 'a\\w'));\n"
      u"lg(regmatch('id=42', '/id=(?<n>\\d+)/i', 'n')); lg(regmatch('id=42', '/id=(\\d+)/i', 1));\n"
      u"lg(regmatch('id=42', '/id=(\\d+)/i', '1')); lg(regmatch('abc', '/a(/i', 1));\n"
      u"lg(regmatchs('abc 123', '/x(\\d)/i||/(\\d+)/i', 1));\n"
      u"lg(regreplace('a1b22', '\\d+', '#')); lg(regreplaces('a-b_c', '-||+||_'));\n"
      u"lg(MatchURL('http://h/a/b.html', '<p>id=77</p>', 'list_{id=(\\d+)}.html'));\n"
      u"end.");
  EXPECT_EQ(r.outcome, RunOutcome::Completed) << Join(r.lines);
  EXPECT_EQ(r.lines,
            (Lines{"", "a\\w", "42", "42", "42", "", "123", "a#b#", "a+bc", "http://h/a/list_77.html"}));
}

TEST_F(HostThreadTest, StopOnInvalidPatternLogsCheckItRegex) {
  struct Case {
    const char* name;
    const char16_t* call;
    const char* pattern;
  } cases[] = {
      {"regreplace", u"regreplace('abc', '(reg)(', 'x')", "(reg)("},
      {"regreplaces", u"regreplaces('abc', '(reg)(||x')", "(reg)(||x"},
      {"MatchURL", u"MatchURL('http://h/', '<p>id=77</p>', 'list_{id=(\\d+}.html')", "list_{id=(\\d+}.html"},
  };
  for (const Case& c : cases) {
    RunResult r = RunScript(std::u16string(u"#language Pascal\nbegin\nlg('before'); lg(") + c.call +
                            u"); lg('after');\nend.");
    EXPECT_EQ(r.outcome, RunOutcome::Completed) << c.name;
    ASSERT_GE(r.lines.size(), 2u) << c.name << Join(r.lines);
    EXPECT_EQ(r.lines[0], "before");
    EXPECT_EQ(r.lines[1].rfind(std::string("check it regex:") + c.pattern + ";", 0), 0u) << r.lines[1];
    EXPECT_EQ(r.lines[1].find("TQvRegEx.Compile() - "), std::string::npos) << r.lines[1];
    // The empty result may still be logged by the statement that called it;
    // nothing after it runs.
    for (const std::string& l : r.lines) EXPECT_NE(l, "after") << c.name;
  }
}

TEST_F(HostThreadTest, ThreadCreateRegAndDebugTime) {
  RunResult r = RunScript(
      u"#language Pascal\nvar r: TRegExp;\nbegin\n"
      u"r := CreateReg('A(\\d)', 'xa1');\n"
      u"lg(r.test('xa1')); lg(r.MatchString); lg(r.Pattern);\n"
      u"r := CreateReg('^b$');\n"
      u"lg(r.test('a'#13#10'b'));\n"
      u"debugtime(); debugtime('m');\n"
      u"end.");
  EXPECT_EQ(r.outcome, RunOutcome::Completed) << Join(r.lines);
  ASSERT_EQ(r.lines.size(), 6u) << Join(r.lines);
  EXPECT_EQ(r.lines[0], "True") << "case-insensitive";
  EXPECT_EQ(r.lines[1], "a1");
  EXPECT_EQ(r.lines[2], "A(\\d)");
  EXPECT_EQ(r.lines[3], "True") << "multi-line";
  EXPECT_TRUE(std::regex_match(r.lines[4], std::regex("usedtime:[0-9]+"))) << r.lines[4];
  EXPECT_TRUE(std::regex_match(r.lines[5], std::regex("usedtime\\(m\\):[0-9]+"))) << r.lines[5];
}

TEST_F(HostThreadTest, ThreadDownloadSaveFileCacheAndTimeOut) {
  fs::path dir = web::testing::TempFolder("host_save");
  // A server that accepts and never answers.
  web::testing::RawServer* self = nullptr;
  web::testing::RawServer silent([&self](int, const std::string&) {
    while (!self->Stopping()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  });
  self = &silent;
  auto start = Clock::now();
  RunResult r =
      RunScript(U("#language js\n"
                  "httpget(\"" +
                  UrlA("/page") + "\", \"CHECK\", \"" + (dir / "saved.html").string() +
                  "\");\n"
                  "_Get.CacheDir = \"" +
                  (dir / "cache").string() +
                  "/\";\n"
                  "var a = httpget(\"" +
                  UrlA("/count") +
                  "\", \"CHECK\", \":\", 600);\n"
                  "var b = httpget(\"" +
                  UrlA("/count") +
                  "\", \"CHECK\", \":\", 600);\n"
                  "var c = httpget(\"" +
                  UrlA("/count") +
                  "\");\n"
                  "lg(a == b); lg(a == c);\n"
                  "_Get.RequestTimeOut = 300; httpget(\"" +
                  silent.Url("/") + "\"); lg(\"timed out\");\n"));
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
  EXPECT_EQ(r.outcome, RunOutcome::Completed) << Join(r.lines);
  EXPECT_EQ(r.lines, (Lines{"True", "False", "timed out"}));
  EXPECT_EQ(ReadFile(dir / "saved.html"), kPage);
  EXPECT_FALSE(fs::is_empty(dir / "cache")) << "the cache entry lies in CacheDir";
  EXPECT_LT(ms, 10000) << "RequestTimeOut reaches the client";
}

TEST_F(HostThreadTest, ThreadObjectsFreedByTheScript) {
  struct Case {
    const char* name;
    std::u16string source;
    Lines lines;
    RunOutcome outcome;
  } cases[] = {
      // A freed object is a clear run-time error, never a crash.
      {"use after Free",
       u"#language js\nvar r = CreateReg(\"a\"); r.Free(); lg(\"freed\"); r.test(\"a\");",
       {"freed", "MainProc:(Invalid object reference), 在第 2 行,第 48 个字符"},
       RunOutcome::RunError},
      // The thread's own objects are not the script's to free.
      {"shared objects stay",
       u"#language js\n_RegExp.Free(); _Get.Free(); _SELF.Free();\n"
       u"lg(_RegExp.test(\"x\", \"x\")); lg(_SELF.ThreadName);",
       {"True", ""},
       RunOutcome::Completed},
      // Objects left to the thread are freed when it ends.
      {"left alive",
       u"#language js\nvar i = TInfo.Create(); i[\"k\"] = \"v\"; var r = CreateReg(\"x\"); lg(i.Count);",
       {"1"},
       RunOutcome::Completed},
      {"made in a function",
       u"#language js\nfunction mk() { var r = CreateReg(\"x\"); var i = TInfo.Create(); "
       u"return 2; }\nlg(mk());",
       {"2"},
       RunOutcome::Completed},
  };
  for (const Case& c : cases) {
    WaitForAllThreads();  // a thread lets go of itself just after it ends
    size_t before = ObjectRegistry::Instance().LiveCount();
    RunResult r = RunScript(c.source);
    WaitForAllThreads();
    EXPECT_EQ(r.outcome, c.outcome) << c.name;
    EXPECT_EQ(r.lines, c.lines) << c.name;
    EXPECT_EQ(ObjectRegistry::Instance().LiveCount(), before) << c.name << ": objects left behind";
  }
}

// Stops scripts at random points of their work while another thread reads
// their template output: nothing may race (TSan) or hang.
TEST_F(HostThreadTest, StopAtRandomPointsWhileReading) {
  for (int round = 0; round < 8; ++round) {
    RecordingUi ui;
    // Odd rounds also replace the client while the stop may cut it.
    std::string extra = round % 2 == 1 ? " cleardowncache(); _Get.Clear();" : "";
    auto t = TQuorvinter::Create(U("<? while (true) { var p = httpget(\"" + UrlA("/page") +
                                   "\"); echo(regmatch(p, \"/<title>(.*?)</title>/i\", 1));"
                                   " _SELF.HTMLOutput = \"\"; lg(\"x\");" +
                                   extra + " sleep(1); } ?>"),
                                 nullptr, u"", u"", u"r" + U(std::to_string(round)));
    t->SetUi(&ui);
    t->Resume();
    std::atomic<bool> done{false};
    std::thread reader([&] {
      while (!done.load()) {
        (void)t->HTMLOutput();
        (void)t->HTMLFilter();
        std::this_thread::yield();
      }
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(round * 7));
    t->Stop();
    EXPECT_TRUE(t->WaitFor(5000)) << round;
    done = true;
    reader.join();
    EXPECT_NE(t->Outcome(), RunOutcome::RunError) << round << Join(ui.Lines());
  }
}

// ---- stopping from outside --------------------------------------------------------------

// Stops `t` once `ready` holds and returns how long the thread took to end.
std::chrono::milliseconds StopAndMeasure(TQuorvinter& t, const std::function<bool()>& ready) {
  for (int i = 0; i < 10000 && !ready(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));  // well inside the blocking call
  auto start = Clock::now();
  t.Stop();
  t.WaitFor();
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
}

TEST_F(HostThreadTest, StopDuringSleepEndsTheThreadQuickly) {
  RecordingUi ui;
  auto t = TQuorvinter::Create(u"#language js\nlg(\"sleeping\"); sleep(60000); lg(\"after\");", nullptr, u"",
                               u"", u"");
  t->SetUi(&ui);
  t->Resume();
  auto ms = StopAndMeasure(*t, [&] { return ui.WaitForLine("sleeping", 1); });
  std::cout << "[ measured ] stop during sleep(60000): " << ms.count() << " ms\n";
  EXPECT_LT(ms.count(), 1000);
  EXPECT_EQ(ui.Lines(), Lines{"sleeping"});
  EXPECT_EQ(t->Outcome(), RunOutcome::Completed);
}

TEST_F(HostThreadTest, StopDuringSlowDownloadEndsTheThreadQuickly) {
  web::testing::RawServer* self = nullptr;
  web::testing::RawServer drip([&self](int fd, const std::string&) {
    if (!self->Send(fd, "HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Length: 600\r\n\r\n")) return;
    for (int i = 0; i < 600 && !self->Stopping(); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      if (!self->Send(fd, "x")) return;
    }
  });
  self = &drip;
  RecordingUi ui;
  auto t =
      TQuorvinter::Create(U("#language js\nvar s = httpget(\"" + drip.Url("/slow") + "\");\nlg(\"after\");"),
                          nullptr, u"", u"", u"");
  t->SetUi(&ui);
  t->Resume();
  auto ms = StopAndMeasure(*t, [&] { return drip.Connections() > 0; });
  std::cout << "[ measured ] stop during a trickling download: " << ms.count() << " ms\n";
  EXPECT_LT(ms.count(), 1000);
  EXPECT_TRUE(ui.Lines().empty()) << Join(ui.Lines());
  EXPECT_EQ(t->Outcome(), RunOutcome::Completed);
}

TEST_F(HostThreadTest, StopBeforeResumeAndStopTwiceAreHarmless) {
  RecordingUi ui;
  auto t = TQuorvinter::Create(u"#language js\nlg(\"ran\");", nullptr, u"", u"", u"");
  t->SetUi(&ui);
  t->Stop();
  t->Resume();
  EXPECT_TRUE(t->WaitFor(10000));
  t->Stop();
  EXPECT_TRUE(ui.Lines().empty()) << Join(ui.Lines());
}

// Several threads at once, each with its own program and client.
TEST_F(HostThreadTest, ThreadsRunSideBySide) {
  std::vector<std::shared_ptr<TQuorvinter>> threads;
  std::vector<std::unique_ptr<RecordingUi>> uis;
  for (int i = 0; i < 4; ++i) {
    uis.push_back(std::make_unique<RecordingUi>());
    threads.push_back(TQuorvinter::Create(U("#language js\nvar p = httpget(\"" + UrlA("/page") +
                                            "\"); lg(regmatch(p, \"/<title>(.*?)</title>/i\", 1));"),
                                          nullptr, u"", u"", U("t" + std::to_string(i))));
    threads.back()->SetUi(uis.back().get());
  }
  for (auto& th : threads) th->Resume();
  for (size_t i = 0; i < threads.size(); ++i) {
    EXPECT_TRUE(threads[i]->WaitFor(30000));
    EXPECT_EQ(uis[i]->Lines(), Lines{"(t" + std::to_string(i) + ")Demo Title"});
  }
}

// The program's execution lock is free while the script blocks (sleep,
// dialogs, downloads) and held while it runs statements, so code of its
// program run by another thread takes turns with it.
class LockProbeUi : public RecordingUi {
 public:
  std::atomic<TfsScript*> prog{nullptr};
  std::atomic<int> freeInBox{-1};
  int MessageBox(std::u16string_view name, std::u16string_view text, int type, int buttons) override {
    std::mutex& m = prog.load()->ExecutionLock();
    bool free = m.try_lock();
    if (free) m.unlock();
    freeInBox = free ? 1 : 0;
    return RecordingUi::MessageBox(name, text, type, buttons);
  }
};

bool LockIsFree(TfsScript& prog) {
  std::mutex& m = prog.ExecutionLock();
  if (!m.try_lock()) return false;
  m.unlock();
  return true;
}

TEST_F(HostThreadTest, ThreadReleasesExecutionLockWhileBlocked) {
  LockProbeUi ui;
  auto t = TQuorvinter::Create(u"#language js\nalert(\"x\"); lg(\"sleeping\"); sleep(60000);", nullptr, u"",
                               u"", u"");
  ui.prog = &t->Program();
  t->SetUi(&ui);
  t->Resume();
  ASSERT_TRUE(ui.WaitForLine("sleeping"));
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_TRUE(LockIsFree(t->Program())) << "during sleep";
  EXPECT_EQ(ui.freeInBox.load(), 1) << "during a message box";
  t->Stop();
  t->WaitFor();

  LockProbeUi busyUi;
  auto busy =
      TQuorvinter::Create(u"#language js\nlg(\"spinning\"); while (true) { }", nullptr, u"", u"", u"");
  busy->SetUi(&busyUi);
  busy->Resume();
  ASSERT_TRUE(busyUi.WaitForLine("spinning"));
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_FALSE(LockIsFree(busy->Program())) << "while running statements";
  busy->Stop();
  EXPECT_TRUE(busy->WaitFor(5000));
}

// ---- end to end ----------------------------------------------------------------------

TEST_F(HostThreadTest, ThreadDownloadsExtractsAndWritesAFile) {
  fs::path out = web::testing::TempFolder("host_e2e") / "links.txt";
  RunResult r = RunScript(U("Links of <?= regmatch(httpget(\"" + UrlA("/page") +
                            "\"), \"/<title>(.*?)</title>/i\", 1) ?>:\n"
                            "<? var page = _Get.HTML; var links = \"\";\n"
                            "   var re = CreateReg(\"href=\"\"([^\"\"]+)\"\"\", page);\n"
                            "   while (re.MatchNext) links = links + re.SubMatchs[1] + \";\";\n"
                            "   if (_RegExp.Match(page, \"<title>\")) links = links + \"titled\";\n"
                            "   savefile(\"" +
                            out.string() +
                            "\", links);\n"
                            "   lg(links, true); ?>"));
  EXPECT_EQ(r.outcome, RunOutcome::Completed) << Join(r.lines);
  EXPECT_EQ(r.lines, Lines{"/item/1.html;/item/2.html;titled"});
  EXPECT_EQ(ReadFile(out), "/item/1.html;/item/2.html;titled");
  EXPECT_EQ(r.output, "Links of Demo Title:\r\n");
}

}  // namespace
}  // namespace qv::host
