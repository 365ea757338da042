// The editor: its save rules, the unsaved-text query, caret placement, word
// wrap, the lists and the process state that follows the editor's file.
#include <QAction>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "library/files/paths.h"
#include "shell/editor_panel.h"
#include "shell/main_window.h"
#include "shell/qv_memo.h"
#include "shell/start_up.h"
#include "support/codepage.h"
#include "support/text.h"
#include "tests/shell/modal_driver.h"

using namespace qv::shell;
using namespace qv::shell::testing;

namespace {

QByteArray ReadAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

}  // namespace

class EditorTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  QString startDir_;

  QString Path(const QString& name) const { return dir_.filePath(name); }

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    startDir_ = QDir::currentPath();
  }
  void cleanup() {
    QDir::setCurrent(startDir_);
    qv::SetAnsiCodePage(qv::kCpAnsi);
  }

  void scriptExtensionRule_data() {
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("saved");
    QTest::newRow("no extension") << "/x/job"
                                  << "/x/job.qvs";
    QTest::newRow("other extension") << "/x/notes.txt"
                                     << "/x/notes.txt.qvs";
    QTest::newRow("upper case") << "/x/JOB.QVS"
                                << "/x/JOB.QVS";
    QTest::newRow("followed by more") << "/x/job.qvs.bak"
                                      << "/x/job.qvs.bak";
    QTest::newRow("in a folder name") << "/x.qvs/job"
                                      << "/x.qvs/job";
  }
  void scriptExtensionRule() {
    QFETCH(QString, chosen);
    QFETCH(QString, saved);
    QCOMPARE(TQvMemo::WithScriptExtension(chosen), saved);
  }

  void keysThatMarkAChange_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("changes");
    QTest::newRow("arrow") << int(Qt::Key_Left) << true;
    QTest::newRow("home") << int(Qt::Key_Home) << true;
    QTest::newRow("letter") << int(Qt::Key_A) << true;
    QTest::newRow("F5") << int(Qt::Key_F5) << false;
    QTest::newRow("F12") << int(Qt::Key_F12) << false;
    QTest::newRow("shift") << int(Qt::Key_Shift) << false;
    QTest::newRow("control") << int(Qt::Key_Control) << false;
    QTest::newRow("end") << int(Qt::Key_End) << false;
    QTest::newRow("page down") << int(Qt::Key_PageDown) << false;
    QTest::newRow("caps lock") << int(Qt::Key_CapsLock) << false;
  }
  void keysThatMarkAChange() {
    QFETCH(int, key);
    QFETCH(bool, changes);
    TQvMemo memo;
    memo.setPlainText(QStringLiteral("abc"));
    memo.SetNoSave(false);
    QTest::keyClick(&memo, Qt::Key(key));
    QCOMPARE(memo.NoSave(), changes);
  }

  void changeWithoutKeysCounts() {
    TQvMemo memo;
    memo.insertPlainText(QStringLiteral("pasted"));
    QVERIFY(memo.NoSave());
  }

  // Lines, encoding and line ends survive a load and save.
  void roundTrip_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("codePage");
    QTest::addColumn<QByteArray>("saved");  // when it differs
    QTest::newRow("GBK with CR LF") << QByteArray("a\r\n\xD6\xD0\r\n") << 936 << QByteArray();
    QTest::newRow("last line gets its break") << QByteArray("x\ny") << 65001 << QByteArray("x\ny\n");
    QTest::newRow("UTF-8 mark") << QByteArray("\xEF\xBB\xBF\xE4\xB8\xAD\n") << 1252 << QByteArray();
    QTest::newRow("UTF-16 LE mark") << QByteArray("\xFF\xFEO\0K\0\n\0", 8) << 1252 << QByteArray();
    QTest::newRow("no-break space") << QByteArray(
                                           "a\xC2\xA0"
                                           "b\n")
                                    << 65001 << QByteArray();
    QTest::newRow("empty lines kept") << QByteArray("\n\nz\n\n") << 65001 << QByteArray();
  }
  void roundTrip() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, codePage);
    qv::SetAnsiCodePage(qv::CodePage{static_cast<uint32_t>(codePage)});
    const QString path = Path(QStringLiteral("round.qvs"));
    WriteAll(path, bytes);
    TQvMemo memo;
    QVERIFY(memo.ReadFromFile(path));
    QVERIFY(!memo.NoSave());
    QFile::remove(path);
    QVERIFY(memo.SaveTo(false));
    QFETCH(QByteArray, saved);
    QCOMPARE(ReadAll(path), saved.isEmpty() ? bytes : saved);
  }

  void textTheCodePageCannotHoldIsKept() {
    qv::SetAnsiCodePage(qv::kCpWestern);
    const QString path = Path(QStringLiteral("wide.qvs"));
    WriteAll(path, "old\n");
    TQvMemo memo;
    QVERIFY(memo.ReadFromFile(path));
    memo.setPlainText(QStringLiteral("中文"));
    QVERIFY(memo.SaveTo(false));
    QCOMPARE(ReadAll(path), QByteArray("\xEF\xBB\xBF\xE4\xB8\xAD\xE6\x96\x87\n"));
    QVERIFY(!memo.NoSave());
  }

  void missingFileIsNotLoaded() {
    TQvMemo memo;
    memo.setPlainText(QStringLiteral("keep"));
    QVERIFY(!memo.ReadFromFile(Path(QStringLiteral("none.qvs"))));
    QVERIFY(!memo.ReadFromFile(dir_.path()));
    QCOMPARE(memo.toPlainText(), QStringLiteral("keep"));
    QVERIFY(memo.FileName().isEmpty());
  }

  void failedWriteKeepsTheTextUnsaved() {
    TQvMemo memo;
    memo.setPlainText(QStringLiteral("x"));
    memo.SetFileName(dir_.path());  // a folder cannot be written as a file
    PressButton(QMessageBox::Ok);
    QVERIFY(!memo.SaveTo(false));
    QVERIFY(memo.NoSave());
  }

  // Save as asks for a name, adds ".qvs", and the process follows the file.
  void saveAsThroughTheDialog() {
    EditorPanel panel(nullptr);
    QSignalSpy caption(&panel, &EditorPanel::captionChanged);
    panel.Memo()->setPlainText(QStringLiteral("lg(1);"));
    const QString folder = Path(QStringLiteral("saveas"));
    QVERIFY(QDir().mkpath(folder));
    WriteAll(folder + QStringLiteral("/other.qvs"), "");
    WriteAll(folder + QStringLiteral("/notes.txt"), "");
    ChooseInFileDialog(folder + QStringLiteral("/job"));
    QVERIFY(panel.SaveScriptAs());
    const QString saved = folder + QStringLiteral("/job.qvs");
    QCOMPARE(panel.FileName(), saved);
    QCOMPARE(ReadAll(saved), QByteArray("lg(1);\n"));
    QVERIFY(!panel.Modified());
    QCOMPARE(caption.last().at(0).toString(), QStringLiteral("job.qvs"));
    QCOMPARE(QDir::currentPath(), QDir(folder).canonicalPath());
    QCOMPARE(QString::fromStdU16String(qv::library::AppPath()), folder + u'/');
    QStringList listed;
    for (int i = 0; i < panel.FileList()->count(); ++i) listed << panel.FileList()->item(i)->text();
    QCOMPARE(listed, (QStringList{QStringLiteral("job.qvs"), QStringLiteral("other.qvs")}));

    // A cancelled dialog saves nothing and keeps the name.
    panel.Memo()->setPlainText(QStringLiteral("changed"));
    ChooseInFileDialog(QString());
    QVERIFY(!panel.SaveScriptAs());
    QCOMPARE(panel.FileName(), saved);
    QVERIFY(panel.Modified());

    // Save without "as" writes to the known name without asking.
    QVERIFY(panel.SaveScript());
    QCOMPARE(ReadAll(saved), QByteArray("changed\n"));

    // A new script has no name: the caption and folders go back.
    panel.SetAppFolder(startDir_);
    panel.NewScript();
    QVERIFY(panel.FileName().isEmpty());
    QVERIFY(panel.Memo()->toPlainText().isEmpty());
    QCOMPARE(caption.last().at(0).toString(), QStringLiteral("Quorvint Beta"));
    QCOMPARE(QString::fromStdU16String(qv::library::AppPath()), startDir_ + u'/');
  }

  void querySave_data() {
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("result");
    QTest::addColumn<QByteArray>("onDisk");
    QTest::newRow("yes saves") << int(QMessageBox::Yes) << true << QByteArray("edited\n");
    QTest::newRow("no discards") << int(QMessageBox::No) << true << QByteArray("first\n");
    QTest::newRow("cancel keeps") << int(QMessageBox::Cancel) << false << QByteArray("first\n");
  }
  void querySave() {
    QFETCH(int, answer);
    QFETCH(bool, result);
    QFETCH(QByteArray, onDisk);
    const QString path = Path(QStringLiteral("query.qvs"));
    WriteAll(path, "first\n");
    EditorPanel panel(nullptr);
    QVERIFY(panel.LoadScript(path));
    QVERIFY(panel.QuerySave());  // nothing changed: no question
    panel.Memo()->setPlainText(QStringLiteral("edited"));
    QString asked;
    AnswerNext<QMessageBox>([&asked, answer](QMessageBox* box) {
      asked = box->windowTitle() + u'|' + box->text();
      box->button(QMessageBox::StandardButton(answer))->click();
    });
    QCOMPARE(panel.QuerySave(), result);
    QCOMPARE(asked, QStringLiteral("Save|Would You Like To Save Script?"));
    QCOMPARE(ReadAll(path), onDisk);
  }

  void querySaveWithoutNameAndCancelledDialog() {
    EditorPanel panel(nullptr);
    panel.Memo()->setPlainText(QStringLiteral("unsaved"));
    PressButton(QMessageBox::Yes);
    ChooseInFileDialog(QString());
    QVERIFY(!panel.QuerySave());
    QVERIFY(panel.Modified());
  }

  void newAndOpenAskBeforeDiscarding() {
    const QString path = Path(QStringLiteral("open/one.qvs"));
    QVERIFY(QDir().mkpath(Path(QStringLiteral("open"))));
    WriteAll(path, "one\n");
    EditorPanel panel(nullptr);
    panel.SetAppFolder(dir_.path());
    panel.Memo()->setPlainText(QStringLiteral("draft"));
    PressButton(QMessageBox::Cancel);
    panel.NewScript();
    QCOMPARE(panel.Memo()->toPlainText(), QStringLiteral("draft"));

    // Open starts in the application folder while no file is open, and
    // remembers the folder of the file it opened.
    PressButton(QMessageBox::No);
    QString startedIn;
    AnswerNext<QFileDialog>([&startedIn, path](QFileDialog* dialog) {
      startedIn = dialog->directory().absolutePath();
      dialog->selectFile(path);
      QMetaObject::invokeMethod(dialog, "accept");
    });
    panel.OpenScript();
    QCOMPARE(startedIn, QDir(dir_.path()).absolutePath());
    QCOMPARE(panel.FileName(), path);
    QCOMPARE(panel.Memo()->toPlainText(), QStringLiteral("one"));
    QCOMPARE(panel.LastFolder(), Path(QStringLiteral("open")));
    QVERIFY(!panel.Modified());

    panel.Memo()->setPlainText(QStringLiteral("two"));
    PressButton(QMessageBox::No);
    panel.NewScript();
    QVERIFY(panel.Memo()->toPlainText().isEmpty());
    QVERIFY(panel.FileName().isEmpty());
    QVERIFY(!panel.Modified());
  }

  void placeCaret_data() {
    QTest::addColumn<int>("line");
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("atLine");
    QTest::addColumn<int>("atColumn");
    QTest::newRow("inside") << 1 << 2 << 1 << 2;
    QTest::newRow("line start") << 2 << 0 << 2 << 0;
    QTest::newRow("past the line end") << 0 << 99 << 0 << 3;
    QTest::newRow("past the last line") << 9 << 1 << 2 << 1;
    QTest::newRow("negative") << -1 << -1 << 0 << 0;
  }
  void placeCaret() {
    QFETCH(int, line);
    QFETCH(int, column);
    QFETCH(int, atLine);
    QFETCH(int, atColumn);
    EditorPanel panel(nullptr);
    panel.Memo()->setPlainText(QStringLiteral("abc\nhello\nxy"));
    panel.PlaceCaret(line, column);
    QCOMPARE(panel.Memo()->CaretLine(), atLine);
    QCOMPARE(panel.Memo()->CaretColumn(), atColumn);
  }

  void wordWrapItemShowsAndToggles() {
    TQvMemo memo;
    for (bool expected : {false, true, false}) {
      std::unique_ptr<QMenu> menu(memo.CreatePopupMenu());
      auto* item = menu->findChild<QAction*>(QStringLiteral("mnu_wordwrap"));
      QVERIFY(item);
      QCOMPARE(item->isChecked(), expected);
      QCOMPARE(memo.WordWrap(), expected);
      item->trigger();
    }
    std::unique_ptr<QMenu> menu(memo.CreatePopupMenu());
    memo.setPlainText(QStringLiteral("text"));
    menu->findChild<QAction*>(QStringLiteral("mnu_clear"))->trigger();
    QVERIFY(memo.toPlainText().isEmpty());
  }

  void fileListLoadsByDoubleClick() {
    WriteAll(Path(QStringLiteral("a.qvs")), "A\n");
    WriteAll(Path(QStringLiteral("b.qvs")), "B\n");
    EditorPanel panel(nullptr);
    QVERIFY(panel.LoadScript(Path(QStringLiteral("a.qvs"))));
    QList<QListWidgetItem*> found = panel.FileList()->findItems(QStringLiteral("b.qvs"), Qt::MatchExactly);
    QCOMPARE(found.size(), 1);
    emit panel.FileList()->itemDoubleClicked(found[0]);
    QCOMPARE(panel.FileName(), Path(QStringLiteral("b.qvs")));
    QCOMPARE(panel.Memo()->toPlainText(), QStringLiteral("B"));
  }

  void insertEntry_data() {
    QTest::addColumn<QString>("entry");
    QTest::addColumn<bool>("ctrl");
    QTest::addColumn<QString>("inserted");
    QTest::newRow("no arguments") << "now()" << false << "now()";
    QTest::newRow("spaces inside") << "now ( )" << false << "now()";
    QTest::newRow("arguments") << "lg(s:string)" << false << "lg(";
    QTest::newRow("no parenthesis") << "TInfo" << false << "";
    QTest::newRow("with ctrl") << "lg(s:string)" << true << "lg(s:string)\n";
  }
  void insertEntry() {
    QFETCH(QString, entry);
    QFETCH(bool, ctrl);
    QFETCH(QString, inserted);
    EditorPanel panel(nullptr);
    panel.InsertEntry(entry, ctrl);
    QCOMPARE(panel.Memo()->toPlainText(), inserted);
  }

  void typedCharacterPicksNextFunction() {
    EditorPanel panel(nullptr);
    for (const char* name : {"TFoo.Create", "apple", "Bar", "TFoo.add"})
      panel.AddFunction(QString::fromLatin1(name), QString());
    struct Step {
      char typed;
      int row;
    };
    for (Step step : {Step{'a', 1}, Step{'A', 3}, Step{'a', 1}, Step{'c', 0}, Step{'t', 0}}) {
      QTest::keyClick(panel.ClassList(), step.typed);
      QCOMPARE(panel.FunctionList()->currentRow(), step.row);
    }
  }

  // The window's caption follows the editor's file, and its hidden Save
  // button saves the editor's text.
  void windowFollowsTheEditor() {
    const QString folder = Path(QStringLiteral("window"));
    QVERIFY(QDir().mkpath(folder));
    const QString file = folder + QStringLiteral("/shown.qvs");
    WriteAll(file, "a\n");
    TScriptMainFrm window(qv::FromUtf8((startDir_ + u'/').toStdString()));
    EditorPanel& editor = window.Editor();
    QVERIFY(editor.LoadScript(file));
    QCOMPARE(window.windowTitle(), QStringLiteral("shown.qvs"));
    editor.Memo()->setPlainText(QStringLiteral("b"));
    window.findChild<QPushButton*>(QStringLiteral("SaveScript"))->click();
    QCOMPARE(ReadAll(file), QByteArray("b\n"));
    PressButton(QMessageBox::No);
    editor.Memo()->setPlainText(QStringLiteral("c"));
    editor.NewScript();
    QCOMPARE(window.windowTitle(), QStringLiteral("Quorvint Beta"));
    QCOMPARE(QString::fromStdU16String(qv::library::AppPath()), startDir_ + u'/');
  }

  void runCompiledPassesTheChosenFile() {
    EditorPanel panel(nullptr);
    QSignalSpy run(&panel, &EditorPanel::runCompiledRequested);
    const QString file = Path(QStringLiteral("compiled.qvs"));
    WriteAll(file, "x");
    ChooseInFileDialog(file);
    panel.RunCompiled();
    QCOMPARE(run.size(), 1);
    QCOMPARE(run[0].at(0).toString(), file);
    ChooseInFileDialog(QString());
    panel.RunCompiled();
    QCOMPARE(run.size(), 1);
  }
};

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  qv::shell::RegisterModules();
  EditorTest test;
  return QTest::qExec(&test, argc, argv);
}
#include "editor_test.moc"
