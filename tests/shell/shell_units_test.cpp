// The window's rules that need no widgets: the log's line format and
// 10,000-line rule, _path, the application folder, the dialog filter and
// the log mirror's file names.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <filesystem>
#include <fstream>

#include "library/files/paths.h"
#include "shell/app_folder.h"
#include "shell/file_dialogs.h"
#include "shell/log_lines.h"
#include "shell/log_mirror.h"
#include "shell/window_functions.h"
#include "support/text.h"

namespace qv::shell {
namespace {

namespace fs = std::filesystem;

TEST(ShellLogLines, FormatsStampNameAndLineEnds) {
  std::tm tm{};
  tm.tm_year = 2024 - 1900;
  tm.tm_mon = 1;
  tm.tm_mday = 29;
  tm.tm_hour = 7;
  tm.tm_min = 5;
  tm.tm_sec = 9;
  tm.tm_isdst = -1;
  std::time_t when = std::mktime(&tm);
  EXPECT_EQ(FormatLogLine(when, u"", u"hello"), u"2024-02-29 07:05:09 hello");
  EXPECT_EQ(FormatLogLine(when, u"kid", u"hello"), u"2024-02-29 07:05:09 (kid)hello");
  // Every kind of line end becomes one LF, so the log counts its lines.
  EXPECT_EQ(FormatLogLine(when, u"", u"a\r\nb\rc\nd"), u"2024-02-29 07:05:09 a\nb\nc\nd");
  EXPECT_EQ(LinesOf(u"a\nb\nc"), 3);
  EXPECT_EQ(LinesOf(u""), 1);
}

TEST(ShellLogLines, TenThousandLineRule) {
  struct Case {
    int linesNow;
    std::vector<int> batch;
    size_t firstKept;
    bool cleared;
    int linesAfter;
  };
  const Case cases[] = {
      {0, {1, 1, 1}, 0, false, 3},
      {9999, {1}, 0, false, 10000},                        // the 10,000th line stays
      {10000, {1}, 1, true, 0},                            // the 10,001st empties the log
      {10000, {1, 1}, 1, true, 1},                         // the next line starts afresh
      {9999, {3, 1}, 1, true, 1},                          // a line of several lines counts them all
      {0, std::vector<int>(25000, 1), 20002, true, 4998},  // cleared twice within one batch
      {5, {}, 0, false, 5},
  };
  for (const Case& c : cases) {
    LogTrim t = TrimBatch(c.linesNow, c.batch);
    EXPECT_EQ(t.firstKept, c.firstKept) << c.linesNow << "+" << c.batch.size();
    EXPECT_EQ(t.cleared, c.cleared) << c.linesNow << "+" << c.batch.size();
    EXPECT_EQ(t.linesAfter, c.linesAfter) << c.linesNow << "+" << c.batch.size();
  }
}

TEST(ShellWindowFunctions, PathAnswers) {
  const std::u16string app = u"/opt/qv/";
  struct Case {
    Value w;
    std::u16string editorFile;
    std::u16string expected;
  };
  const Case cases[] = {
      {Value::Text(u""), u"", app},
      {Value::Text(u"APP"), u"", u""},  // no file open: empty text
      {Value::Text(u"app"), u"/home/u/s/x.qvs", u"/home/u/s/"},
      {Value::Text(u"other"), u"/home/u/s/x.qvs", app},
      {Value::Int(1), u"/home/u/s/x.qvs", app},
      {Value::Double(0.5), u"/home/u/s/x.qvs", app},
      {Value::Int(0), u"/home/u/s/x.qvs", u"/home/u/s/"},
      {Value::Int(0), u"x.qvs", app},  // a relative name: the application folder
      {Value::Int(0), u"", app},
      {Value::Int(-1), u"/home/u/s/x.qvs", u""},
      {Value::Int64(-5), u"", u""},
      {Value::Bool(true), u"/home/u/s/x.qvs", u"/home/u/s/"},  // neither text nor number: like 0
      {Value::Null(), u"", app},
  };
  for (const Case& c : cases)
    EXPECT_EQ(PathFunction(c.w, c.editorFile, app), c.expected)
        << ToUtf8(ToText(c.w)) << " " << ToUtf8(c.editorFile);
}

class TempDir {
 public:
  TempDir() {
    char pattern[] = "/tmp/qvshellXXXXXX";
    path_ = mkdtemp(pattern);
  }
  ~TempDir() {
    std::error_code ec;
    fs::permissions(path_, fs::perms::owner_all, ec);
    fs::remove_all(path_, ec);
  }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

TEST(ShellAppFolder, Choice) {
  TempDir tmp;
  fs::path portable = tmp.path() / "portable";
  fs::path bare = tmp.path() / "bare";
  fs::create_directories(portable);
  fs::create_directories(bare);
  std::ofstream(portable / "qv.qvs") << "x";
  // A portable install keeps everything beside the executable.
  EXPECT_EQ(ChooseAppFolder(portable, "/xdg", "/home/u"), portable);
  // Without qv.qvs there: the user's data folder.
  EXPECT_EQ(ChooseAppFolder(bare, "/xdg", "/home/u"), fs::path("/xdg/quorvint"));
  EXPECT_EQ(ChooseAppFolder(bare, "", "/home/u"), fs::path("/home/u/.local/share/quorvint"));
  // A relative XDG_DATA_HOME is not to be used.
  EXPECT_EQ(ChooseAppFolder(bare, "rel/data", "/home/u"), fs::path("/home/u/.local/share/quorvint"));
  if (geteuid() != 0) {
    // A folder the user cannot write to (an installed program) is not used.
    fs::permissions(portable, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_EQ(ChooseAppFolder(portable, "/xdg", "/home/u"), fs::path("/xdg/quorvint"));
    fs::permissions(portable, fs::perms::owner_all);
  }
}

TEST(ShellAppFolder, InitCreatesStarterAndSetsAppPath) {
  TempDir tmp;
  fs::path exe = tmp.path() / "bin";
  fs::create_directories(exe);
  setenv("XDG_DATA_HOME", (tmp.path() / "data").c_str(), 1);
  std::u16string folder = InitAppFolder(exe, "starter text");
  EXPECT_EQ(folder, FromUtf8((tmp.path() / "data/quorvint/").string()));
  EXPECT_EQ(library::AppPath(), folder);
  std::ifstream in(tmp.path() / "data/quorvint/qv.qvs");
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(text, "starter text");
  // A script the user changed is never overwritten.
  std::ofstream(tmp.path() / "data/quorvint/qv.qvs") << "mine";
  InitAppFolder(exe, "starter text");
  std::ifstream again(tmp.path() / "data/quorvint/qv.qvs");
  std::string kept((std::istreambuf_iterator<char>(again)), std::istreambuf_iterator<char>());
  EXPECT_EQ(kept, "mine");
  unsetenv("XDG_DATA_HOME");
}

TEST(ShellFileDialogs, FilterInQtForm) {
  struct Case {
    QString filter;
    QString expected;
  };
  const Case cases[] = {
      {"", ""},
      {"Quorvint File(*.qvs)|*.qvs|All File(*.*)|*.*", "Quorvint File (*.qvs);;All File (*)"},
      {"Pages|*.htm;*.html", "Pages (*.htm *.html)"},
      {"Lonely description", ""},  // no pattern: nothing to filter with
      {"Text|*.txt|Dangling", "Text (*.txt)"},
  };
  for (const Case& c : cases) EXPECT_EQ(QtFilter(c.filter), c.expected) << c.filter.toStdString();
}

TEST(ShellLogMirror, OneFilePerRunEvenWithinASecond) {
  TempDir tmp;
  QString app = QString::fromStdString(tmp.path().string()) + "/";
  QDateTime start = QDateTime::fromString("2025-03-04 05:06:07", "yyyy-MM-dd hh:mm:ss");
  LogMirror first, second;
  ASSERT_TRUE(first.Open(app, start));
  ASSERT_TRUE(second.Open(app, start));
  EXPECT_EQ(first.FileName(), app + "data/log/2025-03-04_05-06-07.log");
  EXPECT_EQ(second.FileName(), app + "data/log/2025-03-04_05-06-07-2.log");
  first.Write({"a", "b\nc"});
  first.Write({"d"});
  std::ifstream in(first.FileName().toStdString());
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(text, "a\nb\nc\nd\n");
}

}  // namespace
}  // namespace qv::shell
