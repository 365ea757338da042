// The window started with a script file (quorvint FILE): Run runs that file
// with its folder as the application folder, the caption and status line
// name it; without a file the status line names qv.qvs, and a missing
// qv.qvs is reported instead of run; old run logs are pruned.
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <chrono>
#include <filesystem>
#include <memory>

#include "host/catalog.h"
#include "library/files/paths.h"
#include "shell/app_folder.h"
#include "shell/editor_panel.h"
#include "shell/log_mirror.h"
#include "shell/main_window.h"
#include "shell/start_up.h"
#include "shell/window_functions.h"
#include "support/text.h"

using qv::shell::TScriptMainFrm;

namespace {

constexpr int kRunTimeout = 20000;

QString ToQ(const std::u16string& s) { return QString::fromStdU16String(s); }

void WriteFile(const QString& path, const QByteArray& text) {
  QDir().mkpath(QFileInfo(path).path());
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(text);
}

// A file of `size` bytes, `age` hours old.
void WriteLog(const QString& path, int size, int age) {
  WriteFile(path, QByteArray(size, 'x'));
  namespace fs = std::filesystem;
  fs::last_write_time(path.toStdString(), fs::file_time_type::clock::now() - std::chrono::hours(age));
}

}  // namespace

class WindowFileTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<QTemporaryDir> tmp_;
  QString app_;
  std::unique_ptr<TScriptMainFrm> window_;

  QString Log() { return window_->findChild<QPlainTextEdit*>("LogMemo")->toPlainText(); }
  QString Status() { return window_->findChild<QLabel*>("RunStatus")->text(); }
  QPushButton* RunButton() { return window_->findChild<QPushButton*>("RunScript"); }
  void RunToEnd() {
    RunButton()->click();
    QTRY_VERIFY_WITH_TIMEOUT(!window_->IsRunning(), kRunTimeout);
    window_->Bridge().FlushLog();
  }

 private slots:
  void init() {
    tmp_ = std::make_unique<QTemporaryDir>();
    QVERIFY(tmp_->isValid());
    app_ = tmp_->path() + "/app/";
    QVERIFY(QDir().mkpath(app_));
    qv::library::SetAppPath(app_.toStdU16String());
  }

  void cleanup() {
    window_.reset();
    tmp_.reset();
  }

  void runsTheFileItWasGiven() {
    WriteFile(app_ + "qv.qvs", "#language js\nlg(\"the wrong script\");\n");
    const QString job = tmp_->path() + "/work/job.qvs";
    WriteFile(job, "#language js\nlg(\"job in \" + _AppPath);\nlg(_ScriptPath);\n");
    std::u16string file;
    // A relative name, as a file manager or a shell may pass it.
    QDir::setCurrent(tmp_->path());
    const std::u16string folder = qv::shell::InitScriptFolder("work/../work/job.qvs", file);
    QCOMPARE(ToQ(file), job);
    QCOMPARE(ToQ(folder), tmp_->path() + "/work/");

    window_ = std::make_unique<TScriptMainFrm>(folder, nullptr, file);
    window_->show();
    QCOMPARE(window_->windowTitle(), QString("Quorvint Beta - job.qvs"));
    QCOMPARE(Status(), "脚本：" + job);
    RunToEnd();
    const QString log = Log();
    QVERIFY2(log.contains("job in " + tmp_->path() + "/work/"), qPrintable(log));
    QVERIFY2(log.contains(job), qPrintable(log));
    QVERIFY(!log.contains("the wrong script"));
    // The run's log is kept beside the file, not in the default folder.
    QCOMPARE(QDir(tmp_->path() + "/work/data/log").entryList({"*.log"}).size(), 1);
    QVERIFY(!QDir(app_ + "data/log").exists());
  }

  void idleStatusNamesQvQvs() {
    WriteFile(app_ + "qv.qvs", "#language js\nlg(1);\n");
    window_ = std::make_unique<TScriptMainFrm>(app_.toStdU16String());
    window_->show();
    QCOMPARE(window_->windowTitle(), QString("Quorvint Beta"));
    QCOMPARE(Status(), "脚本：" + app_ + "qv.qvs");
    RunToEnd();
    // After the run the line names the script again.
    QCOMPARE(Status(), "脚本：" + app_ + "qv.qvs");
  }

  void missingScriptIsReportedNotRun() {
    window_ = std::make_unique<TScriptMainFrm>(app_.toStdU16String());
    window_->show();
    RunButton()->click();
    QVERIFY(!window_->IsRunning());
    QCOMPARE(RunButton()->text(), QString("运行(F9)"));
    const QString log = Log();
    QVERIFY2(log.contains("the script " + app_ + "qv.qvs is missing (looked for in " + app_ + ")"),
             qPrintable(log));
    // Nothing ran: no run time was reported.
    QVERIFY(!log.contains("运行时间"));
  }

  void oldRunLogsArePrunedAtStartUp() {
    WriteFile(app_ + "qv.qvs", "#language js\n");
    const QString logs = app_ + "data/log/";
    for (int i = 0; i < 205; ++i)
      WriteLog(logs + QString("run%1.log").arg(i, 3, 10, QChar('0')), 10, 300 - i);
    WriteFile(logs + "notes.txt", "not a run log");
    window_ = std::make_unique<TScriptMainFrm>(app_.toStdU16String());
    QStringList kept = QDir(logs).entryList({"*.log"}, QDir::Files, QDir::Name);
    QCOMPARE(kept.size(), qv::shell::kKeptRunLogs);
    QCOMPARE(kept.first(), QString("run005.log"));  // the five oldest went
    QVERIFY(QFile::exists(logs + "notes.txt"));
    // A run leaves room for its own log: still at most 200.
    RunToEnd();
    QCOMPARE(QDir(logs).entryList({"*.log"}, QDir::Files).size(), qv::shell::kKeptRunLogs);
    QVERIFY(!QFile::exists(logs + "run005.log"));
  }

  // The editor's lists come from the reference: every function with its
  // declaration and one-line description, every class.
  void editorListsComeFromTheReference() {
    window_ = std::make_unique<TScriptMainFrm>(app_.toStdU16String());
    QListWidget* functions = window_->Editor().FunctionList();
    auto found = functions->findItems("split(", Qt::MatchStartsWith);
    QCOMPARE(found.size(), 1);
    QCOMPARE(found[0]->text(), QString("split(Source:string;SplitStr:string='||'):ArrayString"));
    QCOMPARE(found[0]->toolTip(), QString("Splits text at a separator into an array."));
    QCOMPARE(functions->findItems("_setcaption(", Qt::MatchStartsWith).size(), 1);
    // One entry per function of the catalog, the window's own included.
    const qv::host::Catalog catalog =
        qv::host::BuildCatalog(qv::shell::WindowFunctionDescriptions(), qv::shell::WindowFunctionsForCatalog);
    int expected = 0;
    for (const qv::host::CatalogEntry& e : catalog.entries)
      expected += e.kind == "function" || e.kind == "procedure";
    QCOMPARE(functions->count(), expected);
    QVERIFY(expected > 150);
    QCOMPARE(window_->Editor().ClassList()->findItems("TStringList", Qt::MatchExactly).size(), 1);
  }

  void pruneKeepsTheNewestWithinTheByteLimit() {
    const QString logs = tmp_->path() + "/logs/";
    WriteLog(logs + "a.log", 10, 5);
    WriteLog(logs + "b.log", 10, 4);
    WriteLog(logs + "c.log", 10, 3);
    WriteLog(logs + "d.log", 30, 2);  // too big to keep with c
    WriteLog(logs + "e.log", 10, 1);
    QCOMPARE(qv::shell::PruneRunLogs(logs, 10, 45), 3);
    QCOMPARE(QDir(logs).entryList({"*.log"}, QDir::Files, QDir::Name), QStringList({"d.log", "e.log"}));
    QCOMPARE(qv::shell::PruneRunLogs(logs, 1, 1000), 1);
    QCOMPARE(QDir(logs).entryList({"*.log"}, QDir::Files), QStringList({"e.log"}));
  }
};

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  qv::shell::RegisterModules();
  WindowFileTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "window_file_test.moc"
