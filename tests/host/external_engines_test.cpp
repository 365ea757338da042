#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <libelf.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "host/dll_methods.h"
#include "host/plugins.h"
#include "host/quorvint.h"
#include "host/run_js.h"
#include "library/files/paths.h"
#include "library/functions.h"
#include "support/text.h"

extern char** environ;

namespace qv::host {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

class TempDir {
 public:
  TempDir() {
    std::string pattern = (fs::temp_directory_path() / "qv_engines_XXXXXX").string();
    path_ = mkdtemp(pattern.data());
  }
  ~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteFile(const fs::path& path, std::string_view bytes) {
  std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// ---- runjs -------------------------------------------------------------

TEST(RunJs, ValuesAsText) {
  struct Row {
    std::u16string code, expression, expected;
  } rows[] = {
      {u"var a = 1 + 2;", u"a", u"3"},
      {u"var s = 'ab' + 'c';", u"s", u"abc"},
      {u"", u"1.5 * 2", u"3"},
      {u"var o = {x: [1, 2]};", u"o", u"[object Object]"},
      {u"var o = {x: [1, 2]};", u"JSON.stringify(o)", u"{\"x\":[1,2]}"},
      {u"function f(n) { return n < 2 ? n : f(n - 1) + f(n - 2); }", u"f(20)", u"6765"},
      {u"var b = 1 < 2;", u"b", u"True"},
      {u"", u"1 > 2", u"False"},
      {u"", u"undefined", u""},
      {u"", u"null", u""},
      {u"", u"", u""},
      // Every call starts from a fresh engine.
      {u"", u"typeof a", u"undefined"},
      // Text survives the trip both ways, lone surrogates included.
      {u"var t = '中文\U0001F600';", u"t + t.length", u"中文\U0001F6004"},
      {u"", u"String.fromCharCode(0xD800) + 'x'", u"\xD800x"},
      {u"var t = 'é';", u"t.charCodeAt(0)", u"233"},
  };
  for (const Row& row : rows)
    EXPECT_EQ(ToUtf8(RunJs(row.code, row.expression, nullptr)), ToUtf8(row.expected)) << ToUtf8(row.code);
  // A long result comes through whole.
  EXPECT_EQ(RunJs(u"var s = 'x'; for (var i = 0; i < 22; i++) s += s;", u"s", nullptr),
            std::u16string(size_t{1} << 22, u'x'));
}

TEST(RunJs, ErrorsGiveEmptyText) {
  struct Row {
    std::u16string code, expression;
  } rows[] = {
      {u"var a = ;", u"a"},                                      // syntax error in the code
      {u"var a = 1;", u"a +"},                                   // ... in the expression
      {u"throw new Error('no');", u"1"},                         // thrown by the code
      {u"", u"missing"},                                         // unknown name
      {u"var o = {toString: function () { throw 1; }};", u"o"},  // text conversion fails
      {u"function r() { return 1 + r(); }", u"r()"},             // endless recursion
  };
  for (const Row& row : rows) EXPECT_EQ(RunJs(row.code, row.expression, nullptr), u"") << ToUtf8(row.code);
}

TEST(RunJs, StopFlagEndsAnEndlessLoopQuickly) {
  std::atomic<bool> stop{false};
  Clock::time_point stoppedAt;
  std::thread stopper([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    stoppedAt = Clock::now();
    stop = true;
  });
  std::u16string result = RunJs(u"for (;;) {}", u"1", &stop);
  auto returnedAt = Clock::now();
  stopper.join();
  EXPECT_EQ(result, u"");
  EXPECT_GE(returnedAt, stoppedAt);
  EXPECT_LT(returnedAt - stoppedAt, std::chrono::milliseconds(100));
}

TEST(RunJs, TimeLimitEndsAnEndlessLoop) {
  auto started = Clock::now();
  EXPECT_EQ(RunJs(u"while (true) {}", u"1", nullptr, std::chrono::milliseconds(300)), u"");
  auto took = Clock::now() - started;
  EXPECT_GE(took, std::chrono::milliseconds(290));
  EXPECT_LT(took, std::chrono::milliseconds(1000));
}

TEST(RunJs, MemoryHogFailsAtTheHeapCap) {
  // Each step keeps a text twice as long as the last; the cap, not the
  // time limit, ends it.
  auto started = Clock::now();
  EXPECT_EQ(RunJs(u"var s = 'x', a = []; for (;;) { s = s + s; a.push(s); }", u"a.length", nullptr), u"");
  EXPECT_LT(Clock::now() - started, std::chrono::seconds(9));
}

TEST(RunJs, ParallelCallsKeepTheirOwnResults) {
  std::vector<std::thread> threads;
  std::atomic<int> wrong{0};
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t, &wrong] {
      for (int i = 0; i < 5; ++i) {
        std::u16string expected = FromUtf8(std::to_string(t * 100 + i));
        std::u16string code = u"var n = " + expected + u";";
        if (RunJs(code, u"n", nullptr) != expected) ++wrong;
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(wrong, 0);
}

// Stopping a script thread ends the JavaScript it waits for.
TEST(RunJs, ThreadStopEndsTheRun) {
  RegisterSysLibraryModule();
  RegisterClassesModule();
  RegisterFunctionsModule();
  auto thread = TQuorvinter::Create(u"", nullptr, u"", u"", u"");
  thread->SetSource(u"#language js\r\nrunjs(\"for (;;) {}\", \"1\");\r\n");
  thread->Resume();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_FALSE(thread->Finished());
  auto stopped = Clock::now();
  thread->Stop();
  EXPECT_TRUE(thread->WaitFor(1000));
  EXPECT_LT(Clock::now() - stopped, std::chrono::milliseconds(100));
}

// The state letter of process `pid` ('\0' when it is gone) and its parent.
char ProcessState(pid_t pid, pid_t* parent = nullptr) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  if (!std::getline(in, line)) return '\0';
  size_t close = line.rfind(')');
  if (close == std::string::npos) return '\0';
  std::istringstream rest(line.substr(close + 1));
  char state = '\0';
  pid_t ppid = 0;
  rest >> state >> ppid;
  if (parent != nullptr) *parent = ppid;
  return state;
}

pid_t ChildNamed(pid_t parent, const std::string& name) {
  for (const auto& entry : fs::directory_iterator("/proc")) {
    pid_t pid = static_cast<pid_t>(std::atoi(entry.path().filename().c_str()));
    pid_t ppid = 0;
    if (pid <= 0 || ProcessState(pid, &ppid) == '\0' || ppid != parent) continue;
    std::ifstream comm(entry.path() / "comm");
    std::string command;
    if (std::getline(comm, command) && command == name) return pid;
  }
  return 0;
}

// A host that is killed takes its endless JavaScript with it.
TEST(RunJs, HelperDiesWithItsHost) {
  std::string qvrun = QV_QVRUN;
  TempDir dir;
  fs::path script = dir.path() / "loop.qvs";
  WriteFile(script, "#language js\nrunjs(\"for (;;) {}\", \"1\");\n");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  char* argv[] = {qvrun.data(), const_cast<char*>(script.c_str()), nullptr};
  pid_t host = 0;
  ASSERT_EQ(posix_spawn(&host, qvrun.c_str(), &actions, nullptr, argv, environ), 0);
  posix_spawn_file_actions_destroy(&actions);
  pid_t helper = 0;
  for (int i = 0; i < 300 && helper == 0; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    helper = ChildNamed(host, "qvjs");
  }
  kill(host, SIGKILL);
  waitpid(host, nullptr, 0);
  ASSERT_NE(helper, 0) << "qvrun started no qvjs";
  char state = 'R';
  for (int i = 0; i < 100 && state != '\0' && state != 'Z'; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    state = ProcessState(helper);
  }
  EXPECT_TRUE(state == '\0' || state == 'Z') << "qvjs still running, state " << state;
  if (state != '\0' && state != 'Z') kill(helper, SIGKILL);
}

// ---- getDllMethod ------------------------------------------------------

// The exported function names of `file` as readelf lists them, in order.
std::vector<std::u16string> ReadelfFunctions(const fs::path& file) {
  std::string command = "readelf --dyn-syms -W '" + file.string() + "'";
  std::vector<std::u16string> names;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return names;
  char line[4096];
  while (std::fgets(line, sizeof line, pipe) != nullptr) {
    std::istringstream in(line);
    std::string num, value, size, type, bind, vis, ndx, name;
    if (!(in >> num >> value >> size >> type >> bind >> vis >> ndx >> name)) continue;
    if ((type != "FUNC" && type != "IFUNC") || ndx == "UND" || bind == "LOCAL") continue;
    if (vis != "DEFAULT" && vis != "PROTECTED") continue;
    names.push_back(FromUtf8(name.substr(0, name.find('@'))));
  }
  pclose(pipe);
  return names;
}

bool Has(const std::vector<std::u16string>& names, std::u16string_view name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

TEST(GetDllMethods, ListsExportedFunctionsInTableOrder) {
  std::vector<std::u16string> probe = GetDllMethods(FromUtf8(QV_PROBE_PLUGIN));
  EXPECT_TRUE(Has(probe, u"qv_probe_alpha"));
  EXPECT_TRUE(Has(probe, u"qv_probe_beta"));
  EXPECT_FALSE(Has(probe, u"qv_probe_hidden"));  // not exported
  EXPECT_FALSE(Has(probe, u"qv_probe_data"));    // not a function
  EXPECT_FALSE(Has(probe, u"fopen"));            // used, not defined
  EXPECT_EQ(probe, ReadelfFunctions(QV_PROBE_PLUGIN));

  Dl_info info{};
  ASSERT_NE(dladdr(reinterpret_cast<void*>(&elf_begin), &info), 0);
  std::vector<std::u16string> libelf = GetDllMethods(FromUtf8(info.dli_fname));
  EXPECT_TRUE(Has(libelf, u"elf_begin"));
  EXPECT_TRUE(Has(libelf, u"gelf_getsym"));
  EXPECT_EQ(libelf, ReadelfFunctions(info.dli_fname));
}

TEST(GetDllMethods, RelativeNamesAndBackslashes) {
  TempDir dir;
  fs::create_directories(dir.path() / "lib");
  fs::copy_file(QV_PROBE_PLUGIN, dir.path() / "lib" / "probe.so");
  fs::path before = fs::current_path();
  fs::current_path(dir.path());
  std::vector<std::u16string> names = GetDllMethods(u"lib\\probe.so");
  fs::current_path(before);
  EXPECT_TRUE(Has(names, u"qv_probe_alpha"));
}

TEST(GetDllMethods, AnythingButALibraryGivesNothing) {
  TempDir dir;
  WriteFile(dir.path() / "text.so", "just some text\n");
  WriteFile(dir.path() / "empty.so", "");
  ASSERT_EQ(mkfifo((dir.path() / "fifo.so").c_str(), 0600), 0);
  for (const char* name : {"missing.so", "text.so", "empty.so", "fifo.so", ""})
    EXPECT_TRUE(GetDllMethods(FromUtf8((dir.path() / name).string())).empty()) << name;
}

TEST(GetDllMethods, DamagedCopiesNeverCrash) {
  std::string image = ReadFile(QV_PROBE_PLUGIN);
  ASSERT_GT(image.size(), 1000u);
  std::vector<std::u16string> whole = GetDllMethodsOfImage(image);
  ASSERT_TRUE(Has(whole, u"qv_probe_alpha"));
  // Every truncation gives a prefix of the full list at most.
  for (size_t size = 0; size < image.size(); size += 61) {
    std::vector<std::u16string> part = GetDllMethodsOfImage(std::string_view(image).substr(0, size));
    EXPECT_LE(part.size(), whole.size());
  }
  // Scrambled bytes anywhere.
  unsigned seed = 7;
  for (int round = 0; round < 300; ++round) {
    std::string copy = image;
    for (int k = 0; k < 8; ++k) {
      seed = seed * 1103515245 + 12345;
      copy[(seed >> 8) % copy.size()] = static_cast<char>(seed >> 24);
    }
    GetDllMethodsOfImage(copy);
  }
  // A truncated file on disk too.
  TempDir dir;
  WriteFile(dir.path() / "cut.so", std::string_view(image).substr(0, image.size() / 2));
  EXPECT_LE(GetDllMethods(FromUtf8((dir.path() / "cut.so").string())).size(), whole.size());
}

// ---- plug-in calls -----------------------------------------------------

class PluginCall : public ::testing::Test {
 protected:
  void SetUp() override {
    savedAppPath_ = library::AppPath();
    app_ = dir_.path() / "app";
    fs::create_directories(app_ / "plugin" / "sub");
    for (const fs::path& target : {app_ / "plugin" / "probe.so", app_ / "plugin" / "sub" / "probe.so",
                                   app_ / "probe.so", dir_.path() / "probe.so"})
      fs::copy_file(QV_PROBE_PLUGIN, target);
    marker_ = dir_.path() / "marker.txt";
    setenv("QV_PLUGIN_MARKER", marker_.c_str(), 1);
    library::SetAppPath(FromUtf8(app_.string() + "/"));
  }
  void TearDown() override {
    library::SetAppPath(savedAppPath_);
    unsetenv("QV_PLUGIN_MARKER");
  }
  std::string Call(std::u16string_view name) {
    fs::remove(marker_);
    CallPlugin(name);
    return ReadFile(marker_);
  }

  TempDir dir_;
  fs::path app_, marker_;
  std::u16string savedAppPath_;
};

TEST_F(PluginCall, LoadsAndReleasesTheLibraryInPluginFolder) {
  EXPECT_EQ(Call(u"probe.Run"), "loaded\nunloaded\n");
  EXPECT_EQ(Call(u"probe.Other.Part"), "loaded\nunloaded\n");  // only the part before the first "."
  EXPECT_EQ(Call(u"PROBE.RUN"), "loaded\nunloaded\n");         // the dispatcher's upper-cased name
}

TEST_F(PluginCall, OnlyPlainNamesInPluginFolderAreLoaded) {
  for (std::u16string_view name : {u"missing.Run", u"../probe.Run", u"..\\probe.Run", u"sub/probe.Run",
                                   u"sub\\probe.Run", u"/probe.Run", u".probe", u"probe"})
    EXPECT_EQ(Call(name), name == u"probe" ? "loaded\nunloaded\n" : "") << ToUtf8(name);
}

}  // namespace
}  // namespace qv::host
