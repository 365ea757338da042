// The real window, driven with Qt Test on the offscreen platform: start-up
// state, Run and Stop by button and F9, autostart, runs of qv.qvs that log,
// download from a loopback server and start children, the log's rules and
// its mirror file, the window functions, and the dialogs scripts open.
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QSplitter>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTimer>
#include <chrono>
#include <functional>
#include <memory>
#include <thread>

#include "library/files/paths.h"
#include "shell/main_window.h"
#include "shell/qv_memo.h"
#include "shell/start_up.h"
#include "support/text.h"
#include "tests/web/test_servers.h"

using qv::shell::TScriptMainFrm;

namespace {

constexpr int kRunTimeout = 20000;

// Calls `answer` with the next modal widget of type T as soon as one is up.
template <class T>
void AnswerModal(std::function<void(T*)> answer) {
  auto* timer = new QTimer;
  timer->setInterval(5);
  QObject::connect(timer, &QTimer::timeout, [timer, answer] {
    if (auto* w = qobject_cast<T*>(QApplication::activeModalWidget())) {
      timer->stop();
      timer->deleteLater();
      answer(w);
    }
  });
  timer->start();
}

// The lines the window adds beside the script's: the line opening a run
// and diagnostics with their notes.
bool IsWindowLine(const QString& line) {
  return line.startsWith("—— ") || line.startsWith("✖ ") || line.startsWith("▲ ") || line.startsWith("   ");
}

// The log's lines without their time stamps, and without the window's own.
QStringList Messages(const QString& log) {
  static const QRegularExpression stamp("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d ");
  QStringList out;
  for (QString line : log.split('\n', Qt::SkipEmptyParts))
    if (!IsWindowLine(line)) out << line.remove(stamp);
  return out;
}

}  // namespace

class WindowTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<QTemporaryDir> tmp_;
  QString startDir_;
  QString app_;  // the application folder, with "/"
  QString cwd_;
  std::unique_ptr<TScriptMainFrm> window_;

  void MakeWindow() {
    window_ = std::make_unique<TScriptMainFrm>(qv::FromUtf8(app_.toStdString()));
    window_->show();
  }
  void WriteFile(const QString& path, const QByteArray& text) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text);
  }
  void WriteScript(const QByteArray& text) { WriteFile(app_ + "qv.qvs", text); }

  template <class T>
  T* Find(const char* name) {
    return window_->findChild<T*>(name);
  }
  QPlainTextEdit* LogMemo() { return Find<QPlainTextEdit>("LogMemo"); }
  QString Log() { return LogMemo()->toPlainText(); }
  QPushButton* RunButton() { return Find<QPushButton>("RunScript"); }
  void WaitIdle() { QTRY_VERIFY_WITH_TIMEOUT(!window_->IsRunning(), kRunTimeout); }
  // Runs qv.qvs to its end.
  void RunToEnd() {
    RunButton()->click();
    QVERIFY(window_->IsRunning());
    WaitIdle();
    window_->Bridge().FlushLog();
  }

 private slots:
  void init() {
    tmp_ = std::make_unique<QTemporaryDir>();
    QVERIFY(tmp_->isValid());
    app_ = tmp_->path() + "/app/";
    cwd_ = tmp_->path() + "/cwd";
    QVERIFY(QDir().mkpath(app_));
    QVERIFY(QDir().mkpath(cwd_));
    startDir_ = QDir::currentPath();
    QDir::setCurrent(cwd_);
    qv::library::SetAppPath(qv::FromUtf8(app_.toStdString()));
  }

  void cleanup() {
    window_.reset();
    QDir::setCurrent(startDir_);
    tmp_.reset();
  }

  void startUpState() {
    MakeWindow();
    QCOMPARE(window_->windowTitle(), QString("Quorvint Beta"));
    QCOMPARE(RunButton()->text(), QString("运行(F9)"));
    QVERIFY(RunButton()->isVisible());
    auto* closeButton = Find<QPushButton>("CloseButton");
    QCOMPARE(closeButton->text(), QString("关闭(&C)"));
    QVERIFY(closeButton->isVisible());
    auto* info = Find<QCheckBox>("IsInfo");
    QCOMPARE(info->text(), QString("效率提示"));
    QVERIFY(info->isChecked() && info->isVisible());
    auto* debug = Find<QCheckBox>("IsDeBug");
    QCOMPARE(debug->text(), QString("信息提示"));
    QVERIFY(debug->isChecked() && !debug->isVisible());
    QCOMPARE(Find<QPushButton>("SaveScript")->text(), QString("保存(&S)"));
    QCOMPARE(Find<QPushButton>("OpenBtn")->text(), QString("打开(&O)"));
    QVERIFY(!Find<QPushButton>("SaveScript")->isVisible());
    QVERIFY(!Find<QPushButton>("OpenBtn")->isVisible());
    QVERIFY(!Find<QWidget>("MainPanel")->isVisible());
    QVERIFY(!window_->Editor().isVisible());
    auto* pages = Find<QTabWidget>("PageControl1");
    QCOMPARE(pages->tabText(0), QString("输出"));
    QCOMPARE(pages->tabText(1), QString("说明"));
    QVERIFY(pages->isTabVisible(0));
    QVERIFY(!pages->isTabVisible(1));
    QVERIFY(LogMemo()->isVisible());
    QVERIFY(Find<QSplitter>("debugSplitter")->isVisible());
    // The main menu is gone entirely.
    QVERIFY(window_->findChild<QMenuBar*>() == nullptr);
    auto* clear = Find<QMenu>("LogMenu")->findChild<QAction*>("mnu_clearlog");
    QVERIFY(clear != nullptr);
    QCOMPARE(clear->text(), QString("清空(&C)"));
    QVERIFY(!window_->IsRunning());
    // Idle, the status line names the script Run will execute.
    QCOMPARE(Find<QLabel>("RunStatus")->text(), "脚本：" + app_ + "qv.qvs");
  }

  void runAndStopByButton() {
    WriteScript("#language js\nlg(\"started\");\nwhile (true) { sleep(10); }\n");
    MakeWindow();
    RunButton()->click();
    QVERIFY(window_->IsRunning());
    QCOMPARE(RunButton()->text(), QString("停止"));
    QTRY_VERIFY_WITH_TIMEOUT(Messages(Log()).contains("started"), kRunTimeout);
    RunButton()->click();
    WaitIdle();
    QCOMPARE(RunButton()->text(), QString("运行(&R)"));
    QStringList lines = Messages(Log());
    QCOMPARE(lines.size(), 2);
    QVERIFY(lines.last().startsWith("运行时间："));
    // Run again: the window is idle, not stuck.
    RunButton()->click();
    QVERIFY(window_->IsRunning());
    RunButton()->click();
    WaitIdle();
  }

  void f9StartsAndStops() {
    WriteScript("#language js\nwhile (true) { sleep(10); }\n");
    MakeWindow();
    QTest::keyClick(window_.get(), Qt::Key_F9);
    QVERIFY(window_->IsRunning());
    QCOMPARE(RunButton()->text(), QString("停止"));
    QTest::keyClick(window_.get(), Qt::Key_F9);
    WaitIdle();
    QCOMPARE(RunButton()->text(), QString("运行(&R)"));
    window_->Bridge().FlushLog();
    QCOMPARE(Messages(Log()).filter(QRegularExpression("^运行时间：\\d+$")).size(), 1);
    // F9 reaches the window from any of its controls.
    QTest::keyClick(Find<QCheckBox>("IsInfo"), Qt::Key_F9);
    QVERIFY(window_->IsRunning());
    QTest::keyClick(LogMemo(), Qt::Key_F9);
    WaitIdle();
  }

  void autostart() {
    WriteScript("#language js\nlg(\"by itself\");\n");
    WriteFile(cwd_ + "/autostart.lock", "");
    MakeWindow();
    QVERIFY(window_->IsRunning());
    QTRY_VERIFY_WITH_TIMEOUT(Messages(Log()).contains("by itself"), kRunTimeout);
    WaitIdle();
  }

  // The lock the autostart switch writes, in the application folder.
  void autostartFromTheAppFolder() {
    WriteScript("#language js\nlg(\"by itself\");\n");
    WriteFile(app_ + "autostart.lock", "");
    MakeWindow();
    QVERIFY(window_->IsRunning());
    QTRY_VERIFY_WITH_TIMEOUT(Messages(Log()).contains("by itself"), kRunTimeout);
    WaitIdle();
  }

  void noAutostartWithoutLock() {
    WriteScript("#language js\nlg(\"by itself\");\n");
    MakeWindow();
    QVERIFY(!window_->IsRunning());
  }

  void downloadAndLog() {
    qv::web::testing::HttpServer server;
    server.Routes().Get("/page", [](const httplib::Request&, httplib::Response& res) {
      res.set_content("<html><head><title> Loopback Page </title></head><body>x</body></html>", "text/html");
    });
    server.Start();
    const QByteArray url = QByteArray::fromStdString(server.Url("/page"));
    WriteScript("Titles of a page\n<?\nvar page = httpget(\"" + url +
                "\");\nlg(\"title: \" + regmatch(page, \"<title>\\s*(.*?)\\s*</title>\", 1), true);\n?>\n");
    MakeWindow();
    RunToEnd();
    QString log = Log();
    QVERIFY2(QRegularExpression("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d title: Loopback Page$",
                                QRegularExpression::MultilineOption)
                 .match(log)
                 .hasMatch(),
             qPrintable(log));
    QStringList lines = Messages(log);
    QCOMPARE(lines.size(), 2);
    QVERIFY(lines[1].startsWith("运行时间："));
    // The download went into the cache folder of the application folder.
    QVERIFY(QDir(app_).exists());
  }

  void childLinesCarryTheirName() {
    WriteScript(
        "#language js\n"
        "runthread(_AppPath + \"child.qvs\", \"kid\");\n"
        "runthread(_AppPath + \"nameless.qvs\");\n"
        "waitthread();\n"
        "lg(\"from main\");\n");
    WriteFile(app_ + "child.qvs", "#language js\nlg(\"from child\");\n");
    WriteFile(app_ + "nameless.qvs", "#language js\nlg(\"from nameless\");\n");
    MakeWindow();
    RunToEnd();
    QStringList lines = Messages(Log());
    QVERIFY2(lines.contains("(kid)from child"), qPrintable(Log()));
    QVERIFY(lines.contains("from nameless"));
    QVERIFY(lines.contains("from main"));
  }

  void tenThousandLineRule_data() {
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("shown");
    QTest::newRow("10000 lines stay") << 10000 << 10000;
    QTest::newRow("the 10001st empties") << 10001 << 0;
    QTest::newRow("the next starts afresh") << 10002 << 1;
  }
  void tenThousandLineRule() {
    QFETCH(int, count);
    QFETCH(int, shown);
    WriteScript("#language js\nfor (var i = 1; i <= " + QByteArray::number(count) +
                "; i++) lg(\"line \" + IntToStr(i));\n");
    MakeWindow();
    Find<QCheckBox>("IsInfo")->setChecked(false);  // no run-time line
    RunToEnd();
    QStringList lines = Messages(Log());
    QCOMPARE(lines.size(), shown);
    if (shown > 0) QCOMPARE(lines.last(), "line " + QString::number(count));
    // The mirror file keeps every line.
    QFile mirror(window_->LogFileName());
    QVERIFY(mirror.open(QIODevice::ReadOnly));
    QStringList mirrored = Messages(QString::fromUtf8(mirror.readAll()));
    QCOMPARE(mirrored.size(), count);
    // In the order the script logged them.
    for (int i = 0; i < count; ++i) QCOMPARE(mirrored[i], "line " + QString::number(i + 1));
    QVERIFY(window_->LogFileName().startsWith(app_ + "data/log/"));
  }

  void damagedCompiledScript() {
    WriteScript("QUORVINTER3.0\r\n!!!garbage");
    MakeWindow();
    RunButton()->click();
    // Nothing runs: the reason is logged and the window stays idle.
    QVERIFY(!window_->IsRunning());
    QCOMPARE(RunButton()->text(), QString("运行(F9)"));
    QVERIFY2(Log().contains("damaged"), qPrintable(Log()));
  }

  void logMenuClears() {
    WriteScript("#language js\nlg(\"one\"); lg(\"two\");\n");
    MakeWindow();
    RunToEnd();
    QVERIFY(!Log().isEmpty());
    Find<QMenu>("LogMenu")->findChild<QAction*>("mnu_clearlog")->trigger();
    QVERIFY(Log().isEmpty());
    // The count starts again too: 10,000 more lines stay.
    WriteScript("#language js\nfor (var i = 1; i <= 10000; i++) lg(i);\n");
    Find<QCheckBox>("IsInfo")->setChecked(false);
    RunToEnd();
    QCOMPARE(Messages(Log()).size(), 10000);
  }

  void pathFunction() {
    WriteScript(
        "#language js\n"
        "lg(\"default=\" + _path());\n"
        "lg(\"app=\" + _path(\"APP\"));\n"
        "lg(\"one=\" + _path(1));\n"
        "lg(\"zero=\" + _path(0));\n"
        "lg(\"minus=\" + _path(-1));\n"
        "lg(\"bool=\" + _path(true));\n");
    MakeWindow();
    RunToEnd();
    QStringList lines = Messages(Log());
    QVERIFY(lines.contains("default=" + app_));
    QVERIFY(lines.contains("app="));  // no file open in the editor
    QVERIFY(lines.contains("one=" + app_));
    QVERIFY(lines.contains("zero=" + app_));
    QVERIFY(lines.contains("minus="));
    QVERIFY(lines.contains("bool=" + app_));
  }

  void setCaption() {
    WriteScript("#language js\n_setcaption(\"Collector 中文\");\n");
    MakeWindow();
    RunToEnd();
    QCOMPARE(window_->windowTitle(), QString("Collector 中文"));
  }

  void closeFromScript() {
    WriteScript("#language js\nlg(\"before\");\n_close();\nlg(\"after\");\nsleep(5000);\n");
    MakeWindow();
    RunButton()->click();
    QTRY_VERIFY_WITH_TIMEOUT(!window_->isVisible(), kRunTimeout);
    WaitIdle();
    window_->Bridge().FlushLog();
    QStringList lines = Messages(Log());
    QVERIFY(lines.contains("before"));
    QVERIFY(!lines.contains("after"));
  }

  void closeAsksAboutUnsavedText() {
    MakeWindow();
    window_->Editor().Memo()->setPlainText("changed");
    window_->Editor().Memo()->SetNoSave(true);
    QVERIFY(window_->Editor().Modified());
    QString asked;
    AnswerModal<QMessageBox>([&](QMessageBox* box) {
      asked = box->text();
      box->button(QMessageBox::Cancel)->click();
    });
    window_->close();
    QCOMPARE(asked, QString("Would You Like To Save Script?"));
    QVERIFY(window_->isVisible());
    AnswerModal<QMessageBox>([](QMessageBox* box) { box->button(QMessageBox::No)->click(); });
    window_->close();
    QVERIFY(!window_->isVisible());
  }

  void alertButtons_data() {
    QTest::addColumn<int>("tp");
    QTest::addColumn<int>("mb");
    QTest::addColumn<int>("offered");
    QTest::addColumn<int>("press");
    QTest::addColumn<int>("icon");
    QTest::addColumn<int>("code");
    using B = QMessageBox;
    QTest::newRow("ok") << 0 << 0 << int(B::Ok) << int(B::Ok) << int(B::Information) << 1;
    QTest::newRow("unknown set is ok") << 3 << 9 << int(B::Ok) << int(B::Ok) << int(B::Information) << 1;
    QTest::newRow("ok cancel") << 1 << 1 << int(B::Ok | B::Cancel) << int(B::Cancel) << int(B::Critical) << 2;
    QTest::newRow("abort retry ignore")
        << 2 << 2 << int(B::Abort | B::Retry | B::Ignore) << int(B::Abort) << int(B::Warning) << 3;
    QTest::newRow("ignore") << 2 << 2 << int(B::Abort | B::Retry | B::Ignore) << int(B::Ignore)
                            << int(B::Warning) << 5;
    QTest::newRow("yes no cancel") << 0 << 3 << int(B::Yes | B::No | B::Cancel) << int(B::Yes)
                                   << int(B::Information) << 6;
    QTest::newRow("yes no") << 0 << 4 << int(B::Yes | B::No) << int(B::No) << int(B::Information) << 7;
    QTest::newRow("retry cancel") << 0 << 5 << int(B::Retry | B::Cancel) << int(B::Retry)
                                  << int(B::Information) << 4;
  }
  void alertButtons() {
    QFETCH(int, tp);
    QFETCH(int, mb);
    QFETCH(int, offered);
    QFETCH(int, press);
    QFETCH(int, icon);
    QFETCH(int, code);
    WriteScript("#language js\nvar r = alert(\"Go on?\", " + QByteArray::number(tp) + ", " +
                QByteArray::number(mb) + ");\nlg(\"r=\" + IntToStr(r));\n");
    MakeWindow();
    QString text;
    int shownButtons = 0, shownIcon = 0;
    AnswerModal<QMessageBox>([&](QMessageBox* box) {
      text = box->text();
      shownButtons = int(box->standardButtons());
      shownIcon = int(box->icon());
      box->button(QMessageBox::StandardButton(press))->click();
    });
    RunToEnd();
    QCOMPARE(text, QString("Go on?"));
    QCOMPARE(shownButtons, offered);
    QCOMPARE(shownIcon, icon);
    QVERIFY2(Messages(Log()).contains("r=" + QString::number(code)), qPrintable(Log()));
  }

  void inputQuery() {
    WriteScript(
        "#language js\n"
        "var a = input(\"Title\", \"Your name:\", \"def\");\nlg(\"a=\" + VarToStr(a));\n"
        "var b = input(\"Again\", \"Cancel me\", \"x\");\nlg(\"b=\" + VarToStr(b));\n");
    MakeWindow();
    QString title, label, initial;
    AnswerModal<QInputDialog>([&](QInputDialog* dialog) {
      title = dialog->windowTitle();
      label = dialog->labelText();
      initial = dialog->textValue();
      dialog->setTextValue("typed 文字");
      dialog->accept();
      AnswerModal<QInputDialog>([](QInputDialog* again) { again->reject(); });
    });
    RunToEnd();
    QCOMPARE(title, QString("Title"));
    QCOMPARE(label, QString("Your name:"));
    QCOMPARE(initial, QString("def"));
    QStringList lines = Messages(Log());
    QVERIFY2(lines.contains("a=typed 文字"), qPrintable(Log()));
    QVERIFY2(lines.contains("b=False"), qPrintable(Log()));  // a cancel answers false
  }

  void fileAndFolderDialogs() {
    QVERIFY(QDir().mkpath(tmp_->path() + "/pick/sub"));
    WriteFile(tmp_->path() + "/pick/one.txt", "1");
    const QByteArray pick = (tmp_->path() + "/pick").toUtf8();
    WriteScript(
        "#language js\n"
        "lg(\"file=\" + selfile(\"" +
        pick +
        "\", \"Text(*.txt)|*.txt|All|*.*\"));\n"
        "lg(\"none=\" + selfile(\"" +
        pick +
        "\", \"\"));\n"
        "lg(\"dir=\" + seldir(\"" +
        pick + "\"));\n");
    MakeWindow();
    QString startFolder;
    QStringList filters;
    AnswerModal<QFileDialog>([&](QFileDialog* dialog) {
      startFolder = dialog->directory().absolutePath();
      filters = dialog->nameFilters();
      dialog->selectFile(tmp_->path() + "/pick/one.txt");
      static_cast<QDialog*>(dialog)->accept();
      AnswerModal<QFileDialog>([&](QFileDialog* second) {
        second->reject();
        AnswerModal<QFileDialog>([&](QFileDialog* third) {
          third->selectFile(tmp_->path() + "/pick/sub");
          static_cast<QDialog*>(third)->accept();
        });
      });
    });
    RunToEnd();
    QCOMPARE(startFolder, tmp_->path() + "/pick");
    QCOMPARE(filters, QStringList({"Text (*.txt)", "All (*)"}));
    QStringList lines = Messages(Log());
    QVERIFY2(lines.contains("file=" + tmp_->path() + "/pick/one.txt"), qPrintable(Log()));
    QVERIFY(lines.contains("none="));
    QVERIFY2(lines.contains("dir=" + tmp_->path() + "/pick/sub"), qPrintable(Log()));
  }

  void includePathFile() {
    QVERIFY(QDir().mkpath(tmp_->path() + "/units"));
    WriteFile(tmp_->path() + "/units/lib.js", "function square(x) { return x * x; }\n");
    WriteFile(cwd_ + "/include_path.txt", (tmp_->path() + "/units\n").toUtf8());
    WriteScript("#language js\nimport \"lib.js\"\nlg(\"square=\" + IntToStr(square(7)));\n");
    MakeWindow();
    RunToEnd();
    QVERIFY2(Messages(Log()).contains("square=49"), qPrintable(Log()));
  }

  void errorPlacesTheCaret() {
    WriteScript("#language js\nvar a = 1;\nvar b = ;\n");
    MakeWindow();
    // Shown only here: in use the editor stays hidden.
    Find<QWidget>("MainPanel")->show();
    window_->Editor().show();
    window_->Editor().Memo()->setPlainText("0123456789\n0123456789\n0123456789\n0123456789\n");
    RunToEnd();
    QString log = Log();
    QRegularExpressionMatch m = QRegularExpression("MainProc:.*在第 (\\d+) 行,第 (\\d+) 个字符").match(log);
    QVERIFY2(m.hasMatch(), qPrintable(log));
    QTextCursor caret = window_->Editor().Memo()->textCursor();
    QCOMPARE(caret.blockNumber(), m.captured(1).toInt() - 1);
    QCOMPARE(caret.positionInBlock(), m.captured(2).toInt() - 1);
  }

  // A run-time error: the log line the host writes, beside it the error
  // with its place and call marked in its own colour, a warning for a
  // misspelt name, one line opening each run, and the caret on the line.
  void runTimeErrorIsMarkedAndPlacesTheCaret() {
    WriteScript("#language js\nfunction f(n) {\n  return n div 0;\n}\nlg(gettickcout);\nlg(f(1));\n");
    MakeWindow();
    Find<QWidget>("MainPanel")->show();
    window_->Editor().show();
    window_->Editor().Memo()->setPlainText("0123456789\n0123456789\n0123456789\n0123456789\n");
    RunToEnd();
    RunToEnd();
    const QString log = Log();
    const QStringList all = log.split('\n');
    const QString script = app_ + "qv.qvs";
    QCOMPARE(all.filter(QRegularExpression("^—— " + QRegularExpression::escape(script) +
                                           "  \\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d ——$"))
                 .size(),
             2);
    QVERIFY2(Messages(log).contains("MainProc:(Division by zero), 在第 3 行,第 3 个字符"), qPrintable(log));
    QVERIFY2(all.contains("✖ qv.qvs:3:3: error: Division by zero"), qPrintable(log));
    QVERIFY2(all.contains("   qv.qvs:6: note: called from f"), qPrintable(log));
    QVERIFY2(
        all.contains("▲ qv.qvs:5:4: warning: 'gettickcout' is not declared; it is taken as a new variable "
                     "(did you mean 'gettickcount'?)"),
        qPrintable(log));
    // Marked lines have their own colour; the script's lines keep the default.
    const QColor plain = LogMemo()->palette().color(QPalette::Text);
    for (QTextBlock block = LogMemo()->document()->begin(); block.isValid(); block = block.next()) {
      const QColor colour = block.begin().fragment().charFormat().foreground().color();
      if (IsWindowLine(block.text()))
        QVERIFY2(colour != plain && colour != QColor(Qt::black), qPrintable(block.text()));
      else
        QVERIFY2(!block.begin().fragment().charFormat().hasProperty(QTextFormat::ForegroundBrush),
                 qPrintable(block.text()));
    }
    QTextCursor caret = window_->Editor().Memo()->textCursor();
    QCOMPARE(caret.blockNumber(), 2);
    QCOMPARE(caret.positionInBlock(), 2);
    // The mirror file of the run has the diagnostic too, not the run's opening line.
    QFile mirror(window_->LogFileName());
    QVERIFY(mirror.open(QIODevice::ReadOnly));
    const QString mirrored = QString::fromUtf8(mirror.readAll());
    QVERIFY2(mirrored.contains("✖ qv.qvs:3:3: error: Division by zero"), qPrintable(mirrored));
    QVERIFY(!mirrored.contains("—— "));
  }

  void statusShowsThreadsAndDownload() {
    qv::web::testing::HttpServer server;
    server.Routes().Get("/slow", [](const httplib::Request&, httplib::Response& res) {
      res.set_content_provider(20000, "text/plain", [](size_t offset, size_t, httplib::DataSink& sink) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        std::string chunk(1000, 'x');
        sink.write(chunk.data(), std::min<size_t>(chunk.size(), 20000 - offset));
        return true;
      });
    });
    server.Start();
    const QString url = QString::fromStdString(server.Url("/slow"));
    WriteScript("#language js\nvar page = httpget(\"" + url.toUtf8() +
                "\");\nlg(\"got \" + IntToStr(Length(page)));\n");
    MakeWindow();
    auto* status = Find<QLabel>("RunStatus");
    RunButton()->click();
    QTRY_VERIFY_WITH_TIMEOUT(status->text().contains(url), kRunTimeout);
    QVERIFY2(status->text().contains("脚本线程：1"), qPrintable(status->text()));
    // The percentage shows once the size is known.
    QTRY_VERIFY_WITH_TIMEOUT(QRegularExpression("\\d+%").match(status->text()).hasMatch(), kRunTimeout);
    WaitIdle();
    // Idle again: only the script's name is left.
    QTRY_COMPARE_WITH_TIMEOUT(status->text(), "脚本：" + app_ + "qv.qvs", kRunTimeout);
    window_->Bridge().FlushLog();
    QVERIFY2(Messages(Log()).contains("got 20000"), qPrintable(Log()));
  }

  // With QV_SCREENSHOT=FILE.png (and a real display, e.g. under xvfb-run
  // with QT_QPA_PLATFORM=xcb): the window after a run, as the screen shows it.
  void screenshotAfterRun() {
    const QString target = qEnvironmentVariable("QV_SCREENSHOT");
    if (target.isEmpty()) QSKIP("QV_SCREENSHOT not set");
    qv::web::testing::HttpServer server;
    server.Routes().Get("/news", [](const httplib::Request&, httplib::Response& res) {
      res.set_content("<html><head><title>Loopback News 新闻</title></head><body>x</body></html>",
                      "text/html");
    });
    server.Start();
    WriteFile(app_ + "child.qvs",
              "#language js\nfor (var i = 1; i <= 3; i++) lg(\"page \" + IntToStr(i));\n");
    WriteScript("#language js\nlg(\"collecting\");\nvar page = httpget(\"" +
                QByteArray::fromStdString(server.Url("/news")) +
                "\");\nlg(\"title: \" + regmatch(page, \"<title>(.*?)</title>\", 1));\n"
                "runthread(_AppPath + \"child.qvs\", \"worker\");\nwaitthread();\nlg(\"done\");\n");
    MakeWindow();
    window_->resize(720, 420);
    RunToEnd();
    QTest::qWait(300);  // let the screen catch up with the last paint
    QScreen* screen = window_->screen();
    QPixmap shot = screen->grabWindow(0, window_->x(), window_->y(), window_->frameGeometry().width(),
                                      window_->frameGeometry().height());
    if (shot.isNull() || shot.width() == 0) shot = window_->grab();
    QVERIFY(shot.save(target));
  }
};

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  qv::shell::RegisterModules();
  WindowTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "window_test.moc"
