#include "shell/editor_panel.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QSplitter>
#include <QTabWidget>
#include <QVBoxLayout>

#include "library/files/folder_list.h"
#include "library/files/paths.h"
#include "shell/file_association.h"
#include "shell/file_dialogs.h"
#include "shell/qv_memo.h"
#include "support/regex.h"

namespace qv::shell {

namespace {

const QString kCaption = QStringLiteral("Quorvint Beta");
const QString kScriptFilter = QStringLiteral("Quorvint File(*.qvs)|*.qvs|All File(*.*)|*.*");
constexpr int kNameRole = Qt::UserRole;
constexpr int kDescRole = Qt::UserRole + 1;

QString WithSlash(QString folder) {
  if (!folder.endsWith(u'/')) folder += u'/';
  return folder;
}

// Group 1 of `pattern` in `text`, or empty text.
QString FirstGroup(const char16_t* pattern, const QString& text) {
  auto rx = CreateRegEx(pattern, text.toStdU16String());
  return rx->Match() ? QString::fromStdU16String(rx->GroupsU16(1)) : QString();
}

QListWidget* NewList(const QString& name, QWidget* parent) {
  auto* list = new QListWidget(parent);
  list->setObjectName(name);
  return list;
}

}  // namespace

EditorPanel::EditorPanel(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("EditorPanel"));
  appFolder_ = WithSlash(QCoreApplication::applicationDirPath());

  memo_ = new TQvMemo(this);
  memo_->setObjectName(QStringLiteral("ScriptMemo"));
  functionList_ = NewList(QStringLiteral("FuncList"), this);
  classList_ = NewList(QStringLiteral("ClassList"), this);
  fileList_ = NewList(QStringLiteral("FileList"), this);

  auto* lists = new QTabWidget(this);
  lists->addTab(functionList_, QStringLiteral("函数"));
  lists->addTab(classList_, QStringLiteral("类"));
  lists->addTab(fileList_, QStringLiteral("文件"));
  auto* splitter = new QSplitter(Qt::Horizontal, this);
  splitter->addWidget(memo_);
  splitter->addWidget(lists);
  splitter->setStretchFactor(0, 1);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(splitter);

  connect(memo_, &TQvMemo::fileNameChanged, this, &EditorPanel::OnFileNameChange);
  for (QListWidget* list : {functionList_, classList_}) {
    connect(list, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
      InsertEntry(item->text(), QApplication::keyboardModifiers() & Qt::ControlModifier);
    });
  }
  for (QListWidget* list : {functionList_, classList_, fileList_}) list->installEventFilter(this);
  connect(fileList_, &QListWidget::itemDoubleClicked, this,
          [this](QListWidgetItem* item) { LoadScript(listedFolder_ + item->text()); });
  BuildMenu();
}

QAction* EditorPanel::AddItem(const QString& text, const QKeySequence& keys, std::function<void()> handler) {
  QAction* action = fileMenu_->addAction(text);
  action->setShortcut(keys);
  // The shortcuts act only while the editor is shown.
  action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  addAction(action);
  connect(action, &QAction::triggered, this, std::move(handler));
  return action;
}

void EditorPanel::BuildMenu() {
  fileMenu_ = new QMenu(QStringLiteral("文件(&F)"), this);
  AddItem(QStringLiteral("新建脚本(&N)"), QKeySequence(Qt::CTRL | Qt::Key_N), [this] { NewScript(); });
  AddItem(QStringLiteral("载入脚本(&O)..."), QKeySequence(Qt::CTRL | Qt::Key_L), [this] { OpenScript(); });
  AddItem(QStringLiteral("保存脚本(&S)"), QKeySequence(Qt::CTRL | Qt::Key_S), [this] { SaveScript(); });
  AddItem(QStringLiteral("另存为(&A)..."), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A),
          [this] { SaveScriptAs(); });
  fileMenu_->addSeparator();
  AddItem(QStringLiteral("执行编译脚本(&E)"), QKeySequence(Qt::CTRL | Qt::Key_E), [this] { RunCompiled(); });
  fileMenu_->addSeparator();
  QAction* autostart =
      AddItem(QStringLiteral("自动启动当前脚本(&T)"), QKeySequence(), [] { ToggleAutostart(); });
  autostart->setObjectName(QStringLiteral("mnu_autostart"));
  autostart->setCheckable(true);
  // The check mark shows whether the lock file exists when the menu opens.
  connect(fileMenu_, &QMenu::aboutToShow, autostart, [autostart] { autostart->setChecked(IsAutostartOn()); });
  AddItem(QStringLiteral("注册*.qvs后缀"), QKeySequence(), [this] {
    QString error;
    if (!RegisterFileType(QCoreApplication::applicationFilePath(), &error))
      QMessageBox::warning(this, QStringLiteral("Quorvint"), error);
  });
  AddItem(QStringLiteral("卸载*.qvs后缀"), QKeySequence(), [] { UnregisterFileType(); });
}

QString EditorPanel::FileName() const { return memo_->FileName(); }

bool EditorPanel::Modified() const { return memo_->NoSave(); }

void EditorPanel::PlaceCaret(int line, int column) { memo_->PlaceCaret(line, column); }

bool EditorPanel::QuerySave() {
  if (!memo_->NoSave()) return true;
  QMessageBox box(QMessageBox::Question, QStringLiteral("Save"),
                  QStringLiteral("Would You Like To Save Script?"),
                  QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, this);
  switch (box.exec()) {
    case QMessageBox::Yes:
      return SaveAndRelist(false);
    case QMessageBox::No:
      return true;
    default:
      return false;
  }
}

void EditorPanel::SetAppFolder(const QString& folder) { appFolder_ = WithSlash(folder); }

void EditorPanel::NewScript() {
  if (!QuerySave()) return;
  memo_->SetFileName(QString());
  memo_->clear();
  memo_->SetNoSave(false);
}

void EditorPanel::OpenScript() {
  if (lastFolder_.isEmpty())
    lastFolder_ = FileName().isEmpty() ? appFolder_ : QFileInfo(FileName()).absolutePath();
  const QString chosen = ChooseFiles(this, lastFolder_, kScriptFilter, false).value(0);
  if (chosen.isEmpty()) return;
  if (LoadScript(chosen)) lastFolder_ = QFileInfo(chosen).absolutePath();
}

bool EditorPanel::LoadScript(const QString& path) {
  if (!QuerySave()) return false;
  return memo_->ReadFromFile(path);
}

bool EditorPanel::SaveScript() { return SaveAndRelist(false); }

bool EditorPanel::SaveScriptAs() { return SaveAndRelist(true); }

// A file saved under a new name belongs in the file list, which its name
// change filled before the file existed.
bool EditorPanel::SaveAndRelist(bool saveAs) {
  if (!memo_->SaveTo(saveAs)) return false;
  if (!listedFolder_.isEmpty()) FillFileList(listedFolder_);
  return true;
}

void EditorPanel::RunCompiled() {
  const QString chosen = ChooseFiles(this, lastFolder_, QString(), false).value(0);
  if (!chosen.isEmpty()) emit runCompiledRequested(chosen);
}

void EditorPanel::ToggleWordWrap() { memo_->SetWordWrap(!memo_->WordWrap()); }

// The process follows the editor's file: its folder becomes the current
// directory and the application folder, as a script opened from there
// expects of relative names.
void EditorPanel::OnFileNameChange(const QString& name) {
  QString folder;
  if (!name.isEmpty()) {
    if (!QFileInfo(name).isAbsolute()) {
      memo_->SetFileName(QString::fromStdU16String(library::AppPath()) + name);  // comes back here
      return;
    }
    emit captionChanged(QFileInfo(name).fileName());
    folder = WithSlash(QFileInfo(name).absolutePath());
  } else {
    emit captionChanged(kCaption);
    folder = appFolder_;
  }
  QDir::setCurrent(folder);
  library::SetAppPath(folder.toStdU16String());
  FillFileList(folder);
}

void EditorPanel::FillFileList(const QString& folder) {
  listedFolder_ = folder;
  fileList_->clear();
  const QString names =
      QString::fromStdU16String(library::ListFolder(folder.toStdU16String(), false, u"*.qvs"));
  if (!names.isEmpty()) fileList_->addItems(names.split(QStringLiteral("||")));
}

void EditorPanel::AddFunction(const QString& name, const QString& description) {
  auto* item = new QListWidgetItem(name, functionList_);
  item->setData(kNameRole, name);
  item->setData(kDescRole, description);
  item->setToolTip(description);
}

void EditorPanel::AddClass(const QString& name, const QString& description) {
  auto* item = new QListWidgetItem(name, classList_);
  item->setData(kNameRole, name);
  item->setData(kDescRole, description);
  item->setToolTip(description);
}

void EditorPanel::InsertEntry(const QString& entry, bool withCtrl) {
  QString text;
  if (withCtrl) {
    text = entry + u'\n';
  } else if (QString word = FirstGroup(u"^(\\w+)\\s*\\(\\s*\\)", entry); !word.isEmpty()) {
    text = word + QStringLiteral("()");
  } else if (QString head = FirstGroup(u"^(\\w+)\\s*\\(.+", entry); !head.isEmpty()) {
    text = head + u'(';
  }
  if (!text.isEmpty()) memo_->insertPlainText(text);
  memo_->setFocus();
}

int EditorPanel::NextEntryFor(QChar typed) const {
  const int count = functionList_->count();
  const int start = functionList_->currentRow();
  for (int step = 1; step <= count; ++step) {
    const int row = ((start < 0 ? -1 : start) + step) % count;
    const QString entry = functionList_->item(row)->text();
    const qsizetype dot = entry.indexOf(u'.');
    const QString rest = dot < 0 ? entry : entry.mid(dot + 1);
    if (!rest.isEmpty() && rest[0].toLower() == typed.toLower()) return row;
  }
  return -1;
}

// A typed character in any list picks the next matching function.
bool EditorPanel::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress &&
      (watched == functionList_ || watched == classList_ || watched == fileList_)) {
    auto* key = static_cast<QKeyEvent*>(event);
    const auto mods = key->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    if (mods == Qt::NoModifier && key->text().size() == 1 && key->text()[0].isPrint()) {
      const int row = NextEntryFor(key->text()[0]);
      if (row >= 0) functionList_->setCurrentRow(row);
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace qv::shell
