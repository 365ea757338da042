#include "shell/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QScrollBar>
#include <QStatusBar>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QVBoxLayout>
#include <filesystem>

#include "engine/engine.h"
#include "host/catalog.h"
#include "library/files/file_read.h"
#include "library/files/paths.h"
#include "shell/file_association.h"
#include "shell/log_lines.h"
#include "shell/marked_lines.h"
#include "shell/qv_memo.h"
#include "support/codepage.h"
#include "support/errors.h"
#include "support/text.h"

namespace qv::shell {

namespace {

const char* const kCaption = "Quorvint Beta";
const char* const kRunText = "运行(F9)";
const char* const kRunAgainText = "运行(&R)";
const char* const kStopText = "停止";
// The status line is redrawn at most this often.
constexpr int kStatusIntervalMs = 100;

QString ToQ(std::u16string_view text) {
  return QString(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size()));
}

std::u16string FromQ(const QString& text) {
  return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<size_t>(text.size()));
}

// The folder part of a file name with its "/"; empty without one.
std::u16string FolderOf(const std::u16string& file) {
  size_t slash = file.rfind(u'/');
  return slash == std::u16string::npos ? u"" : file.substr(0, slash + 1);
}

// One part of an error position ("line:col") as a 0-based number; a part
// that is not a number counts as 0.
int PositionPart(const std::u16string& part) {
  int32_t n = 0;
  if (!TextToInt32(part, n)) n = 0;
  return n > 0 ? n - 1 : 0;
}

// The progress events of a thread feed the status line through the bridge.
void WireProgress(host::TQuorvint& thread, host::UiBridge& ui) {
  host::TQuorvint* t = &thread;
  auto show = [t, &ui](int64_t) {
    ui.Progress(t->ThreadName(), t->HttpGet().URL(), t->Progress(), t->SpeedMsg());
  };
  thread.onBeginWork = show;
  thread.onWork = show;
  thread.onEndWork = [t, &ui] { ui.Progress(t->ThreadName(), u"", 0, u""); };
}

// The editor's function and class lists come from the reference's
// catalog: a function as its declaration without the keyword
// ("split(Source:string;...):ArrayString", so a double click inserts
// "split("), a class by its name; the description is the one-line summary.
void FillEditorLists(EditorPanel& editor) {
  const host::Catalog catalog = host::BuildCatalog(WindowFunctionDescriptions(), WindowFunctionsForCatalog);
  for (const host::CatalogEntry& e : catalog.entries) {
    if (e.kind == "function" || e.kind == "procedure") {
      QString declaration = QString::fromStdString(e.declaration).trimmed();
      declaration = declaration.mid(declaration.indexOf(u' ') + 1).trimmed();
      editor.AddFunction(declaration, QString::fromStdString(e.summary));
    } else if (e.kind == "class") {
      editor.AddClass(QString::fromStdString(e.name), QString::fromStdString(e.summary));
    }
  }
}

}  // namespace

TScriptMainFrm::TScriptMainFrm(std::u16string appFolder, QWidget* parent, std::u16string scriptFile)
    : QMainWindow(parent), appFolder_(std::move(appFolder)), scriptFile_(std::move(scriptFile)) {
  setObjectName("ScriptMainFrm");
  bridge_ = std::make_unique<GuiBridge>(this);
  bridge_->SetLineSink([this](const QStringList& lines) { AppendLines(lines); });

  // 1. The caption; it names the file the window was given.
  setWindowTitle(scriptFile_.empty() ? QString(kCaption)
                                     : QString(kCaption) + " - " + QFileInfo(ToQ(scriptFile_)).fileName());
  // 2. The editor, inside MainPanel.
  BuildControls();
  FillEditorLists(*editor_);

  // 3. The window's functions for scripts. A window made after another one
  // closed (tests) finds the GlobalProgram told to stop: a new window
  // starts with it running again.
  TfsScript& global = GlobalProgram();
  global.SetTerminated(false);
  global.SetExitCalled(false);
  WindowActions actions;
  actions.editorFile = [this] { return bridge_->OnGui([this] { return FromQ(editor_->FileName()); }); };
  actions.close = [this] {
    bridge_->OnGuiVoid([this] {
      if (running_) running_->Stop();
      close();
    });
  };
  actions.setCaption = [this](std::u16string caption) {
    bridge_->OnGuiVoid([this, &caption] { setWindowTitle(ToQ(caption)); });
  };
  windowFunctions_ = std::make_unique<WindowFunctions>(global, std::move(actions), appFolder_);

  // selfile and seldir open the window's dialogs.
  library::SetFileDialogHandlers(
      [this](const library::FileChoice& choice) { return bridge_->ChooseFiles(choice); },
      [this](std::u16string_view folder) { return bridge_->ChooseFolder(u"", folder); });

  // 4. Only the log, Run, Close and one check box are shown.
  MainPanel->hide();
  editor_->hide();
  SaveScript->hide();
  OpenBtn->hide();
  IsDeBug->hide();
  PageControl1->setTabVisible(1, false);

  qApp->installEventFilter(this);
  statusTimer_.setInterval(kStatusIntervalMs);
  connect(&statusTimer_, &QTimer::timeout, this, &TScriptMainFrm::RefreshStatus);
  RefreshStatus();
  PruneRunLogs(ToQ(appFolder_) + "data/log");

  // 5. Autostart: the lock in the current directory, or the one the
  // autostart switch writes in the application folder (a desktop launcher
  // starts us in the home folder, where the switch's lock is never found).
  if (QFileInfo::exists("autostart.lock") || IsAutostartOn()) RunScriptClick();
}

TScriptMainFrm::~TScriptMainFrm() {
  qApp->removeEventFilter(this);
  if (!EndScriptThreads(10000)) {
    // A thread that cannot be stopped would call into a window that is
    // gone: ending the process is the only safe way out.
    std::fprintf(stderr, "quorvint: script threads did not end\n");
    std::fflush(nullptr);
    std::_Exit(1);
  }
  library::SetFileDialogHandlers(nullptr, nullptr);
  windowFunctions_.reset();
}

void TScriptMainFrm::BuildControls() {
  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);

  PageControl1 = new QTabWidget(central);
  PageControl1->setObjectName("PageControl1");
  TabSheet1 = new QWidget;
  TabSheet1->setObjectName("TabSheet1");
  TabSheet2 = new QWidget;
  TabSheet2->setObjectName("TabSheet2");
  PageControl1->addTab(TabSheet1, "输出");
  PageControl1->addTab(TabSheet2, "说明");

  auto* sheetLayout = new QVBoxLayout(TabSheet1);
  sheetLayout->setContentsMargins(0, 0, 0, 0);
  debugSplitter = new QSplitter(Qt::Vertical, TabSheet1);
  debugSplitter->setObjectName("debugSplitter");
  sheetLayout->addWidget(debugSplitter);

  MainPanel = new QWidget;
  MainPanel->setObjectName("MainPanel");
  auto* panelLayout = new QVBoxLayout(MainPanel);
  panelLayout->setContentsMargins(0, 0, 0, 0);
  editor_ = new EditorPanel(MainPanel);
  editor_->setObjectName("QvMemoPanel");
  panelLayout->addWidget(editor_);
  debugSplitter->addWidget(MainPanel);

  LogMemo = new QPlainTextEdit;
  LogMemo->setObjectName("LogMemo");
  LogMemo->setReadOnly(true);
  LogMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  LogMemo->setContextMenuPolicy(Qt::CustomContextMenu);
  debugSplitter->addWidget(LogMemo);

  LogMenu = new QMenu(this);
  LogMenu->setObjectName("LogMenu");
  QAction* clearLog = LogMenu->addAction("清空(&C)");
  clearLog->setObjectName("mnu_clearlog");
  connect(clearLog, &QAction::triggered, this, &TScriptMainFrm::ClearLog);
  connect(LogMemo, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { LogMenu->popup(LogMemo->mapToGlobal(at)); });

  auto* buttons = new QHBoxLayout;
  RunScript = new QPushButton(kRunText, central);
  RunScript->setObjectName("RunScript");
  CloseButton = new QPushButton("关闭(&C)", central);
  CloseButton->setObjectName("CloseButton");
  IsInfo = new QCheckBox("效率提示", central);
  IsInfo->setObjectName("IsInfo");
  IsInfo->setChecked(true);
  IsDeBug = new QCheckBox("信息提示", central);
  IsDeBug->setObjectName("IsDeBug");
  IsDeBug->setChecked(true);
  SaveScript = new QPushButton("保存(&S)", central);
  SaveScript->setObjectName("SaveScript");
  OpenBtn = new QPushButton("打开(&O)", central);
  OpenBtn->setObjectName("OpenBtn");
  buttons->addWidget(IsInfo);
  buttons->addWidget(IsDeBug);
  buttons->addStretch(1);
  buttons->addWidget(SaveScript);
  buttons->addWidget(OpenBtn);
  buttons->addWidget(RunScript);
  buttons->addWidget(CloseButton);

  layout->addWidget(PageControl1, 1);
  layout->addLayout(buttons);
  setCentralWidget(central);

  RunStatus = new QLabel;
  RunStatus->setObjectName("RunStatus");
  statusBar()->addWidget(RunStatus, 1);

  connect(RunScript, &QPushButton::clicked, this, &TScriptMainFrm::RunScriptClick);
  connect(CloseButton, &QPushButton::clicked, this, &QWidget::close);
  connect(editor_, &EditorPanel::runCompiledRequested, this, [this](const QString& file) {
    PageControl1->setCurrentIndex(0);
    if (running_) {
      running_->Stop();
      return;
    }
    std::u16string name = FromQ(file);
    StartRun(&name);
  });
  // The editor's file names the window; without one the application
  // folder is the editor's folder.
  editor_->SetAppFolder(ToQ(appFolder_));
  connect(editor_, &EditorPanel::captionChanged, this, &QWidget::setWindowTitle);
  connect(SaveScript, &QPushButton::clicked, editor_, &EditorPanel::SaveScript);
  connect(OpenBtn, &QPushButton::clicked, editor_, &EditorPanel::OpenScript);
  resize(640, 480);
}

// ---- running ------------------------------------------------------------

void TScriptMainFrm::RunScriptClick() {
  PageControl1->setCurrentIndex(0);
  if (running_) {
    // The button keeps its text until the run is over.
    running_->Stop();
    return;
  }
  StartRun(nullptr);
}

void TScriptMainFrm::StartRun(const std::u16string* compiledFile) {
  const std::u16string script = ScriptFile();
  // A missing file would be taken as script text (its own name).
  if (compiledFile == nullptr && !QFileInfo(ToQ(script)).isFile()) {
    LG(u"", u"Cannot run: the script " + script + u" is missing (looked for in " + FolderOf(script) + u")");
    return;
  }
  std::shared_ptr<host::TQuorvinter> thread;
  try {
    thread = host::TQuorvinter::Create(script, nullptr, u"", u"", u"");
  } catch (const ScriptError& e) {
    // A damaged compiled script cannot be run at all.
    LG(u"", e.message());
    return;
  }
  RunScript->setText(kStopText);
  running_ = thread;
  WireThread(*thread);
  runStart_ = host::TQuorvint::TickCount();
  thread->SetNowFilePath(script);
  if (compiledFile != nullptr) {
    try {
      thread->LoadFile(*compiledFile);
    } catch (const ScriptError& e) {
      running_.reset();
      RunScript->setText(kRunAgainText);
      LG(u"", e.message());
      return;
    }
  }
  const QDateTime start = QDateTime::currentDateTime();
  bridge_->SetScriptFolder(FolderOf(script));
  bridge_->RunSeparator(script, start);
  mirror_.Open(ToQ(appFolder_), start);
  statusTimer_.start();
  RefreshStatus();
  thread->Resume();
}

void TScriptMainFrm::WireThread(host::TQuorvint& thread) {
  thread.SetUi(bridge_.get());
  thread.onIncludePath = [this](std::vector<std::u16string>& dirs) {
    std::vector<std::u16string> found = bridge_->OnGui([this] {
      std::vector<std::u16string> list;
      IncludePath(list);
      return list;
    });
    dirs.insert(dirs.end(), found.begin(), found.end());
  };
  WireProgress(thread, *bridge_);
  // Children get the same progress reports; the host gives them the
  // rest of what they inherit.
  GuiBridge* ui = bridge_.get();
  thread.onCreateScript = [ui](const std::u16string& source, const std::u16string& threadName,
                               host::TQuorvint* parent, const std::u16string& endCallback,
                               const std::u16string& startCallback) {
    auto child = host::TQuorvinter::Create(source, parent, endCallback, startCallback, threadName);
    WireProgress(*child, *ui);
    return child;
  };
  thread.onTerminate = [this](host::TQuorvint& ended) {
    // On the script's thread, after its program was cleared.
    std::shared_ptr<host::TQuorvint> self = ended.shared_from_this();
    std::u16string errorMsg = ended.ErrorMsgAtEnd();
    std::u16string errorPos = ended.ErrorPosAtEnd();
    QMetaObject::invokeMethod(
        this, [this, self, errorMsg, errorPos] { RunOver(self, errorMsg, errorPos); }, Qt::QueuedConnection);
  };
}

void TScriptMainFrm::IncludePath(std::vector<std::u16string>& dirs) {
  dirs.clear();
  std::string bytes;
  if (library::ReadFileBytes("include_path.txt", bytes))
    for (std::u16string& line : SplitLines(DecodeTextBytes(bytes))) dirs.push_back(std::move(line));
  dirs.push_back(FolderOf(FromQ(editor_->FileName())));
  dirs.push_back(appFolder_);
}

void TScriptMainFrm::RunOver(const std::shared_ptr<host::TQuorvint>& thread, const std::u16string& errorMsg,
                             const std::u16string& errorPos) {
  if (thread != running_) return;
  running_.reset();
  if (IsInfo->isChecked()) {
    // A run-time error keeps its place too, beside an empty message.
    if ((!errorMsg.empty() || !errorPos.empty()) && editor_->isVisible()) {
      editor_->Memo()->setFocus();
      size_t colon = errorPos.find(u':');
      std::u16string line = errorPos.substr(0, colon);
      std::u16string column = colon == std::u16string::npos ? u"" : errorPos.substr(colon + 1);
      editor_->PlaceCaret(PositionPart(line), PositionPart(column));
    }
    LG(u"", u"运行时间：" + IntToText(static_cast<int64_t>(host::TQuorvint::TickCount() - runStart_)));
  }
  RunScript->setText(kRunAgainText);
  RefreshStatus();
}

bool TScriptMainFrm::EndScriptThreads(int timeoutMs) {
  if (running_) running_->Stop();
  try {
    GlobalProgram().Terminate();
  } catch (...) {
  }
  bridge_->Shutdown();
  statusTimer_.stop();
  QElapsedTimer waited;
  waited.start();
  while (host::RunningThreadCount() > 0) {
    if (waited.elapsed() > timeoutMs) return false;
    // Calls a thread made before the shutdown still need the GUI thread.
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(1);
  }
  QCoreApplication::processEvents();
  running_.reset();
  return true;
}

// ---- the log --------------------------------------------------------------

void TScriptMainFrm::LG(std::u16string_view threadName, std::u16string_view message) {
  bridge_->Log(threadName, message);
}

void TScriptMainFrm::AppendLines(const QStringList& lines) {
  if (IsDeBug->isChecked()) {
    debugSplitter->show();
    LogMemo->show();
  }
  bool anyMarked = false;
  for (const QString& line : lines) anyMarked = anyMarked || MarkOf(line, nullptr) != LineMark::None;
  if (anyMarked || lastLineMarked_) {
    AppendMarkedBatch(lines);
  } else {
    mirror_.Write(lines);
    std::vector<int> counts;
    counts.reserve(static_cast<size_t>(lines.size()));
    for (const QString& line : lines) counts.push_back(1 + static_cast<int>(line.count(u'\n')));
    LogTrim trim = TrimBatch(logLines_, counts);
    if (trim.cleared) LogMemo->clear();
    logLines_ = trim.linesAfter;
    if (trim.firstKept < static_cast<size_t>(lines.size())) {
      LogMemo->appendPlainText(lines.mid(static_cast<qsizetype>(trim.firstKept)).join(u'\n'));
    }
  }
  QScrollBar* bar = LogMemo->verticalScrollBar();
  bar->setValue(bar->maximum());
}

// A batch with marked lines: each line is inserted with its own colour
// (the default for the script's lines, so no colour runs on), and only the
// script's lines count towards the 10,000.
void TScriptMainFrm::AppendMarkedBatch(const QStringList& lines) {
  QStringList visible;
  std::vector<LineMark> marks;
  std::vector<int> counts;
  QStringList mirrored;
  for (const QString& line : lines) {
    QString text;
    const LineMark mark = MarkOf(line, &text);
    if (mark != LineMark::Separator) mirrored << text;
    counts.push_back(mark == LineMark::None ? 1 + static_cast<int>(text.count(u'\n')) : 0);
    visible << text;
    marks.push_back(mark);
  }
  mirror_.Write(mirrored);
  LogTrim trim = TrimBatch(logLines_, counts);
  if (trim.cleared) LogMemo->clear();
  logLines_ = trim.linesAfter;
  QTextCursor cursor(LogMemo->document());
  cursor.movePosition(QTextCursor::End);
  for (size_t i = trim.firstKept; i < marks.size(); ++i) {
    QTextCharFormat format;
    if (marks[i] != LineMark::None) format.setForeground(MarkColour(marks[i]));
    if (!LogMemo->document()->isEmpty()) cursor.insertBlock(QTextBlockFormat(), format);
    cursor.insertText(visible[static_cast<qsizetype>(i)], format);
    lastLineMarked_ = marks[i] != LineMark::None;
  }
}

void TScriptMainFrm::ClearLog() {
  LogMemo->clear();
  lastLineMarked_ = false;
  logLines_ = 0;
}

void TScriptMainFrm::RefreshStatus() {
  const int threads = host::RunningThreadCount();
  // Idle, the line names the script Run will execute.
  const QString script = "脚本：" + ToQ(ScriptFile());
  if (threads == 0 && !running_) {
    RunStatus->setText(script);
    statusTimer_.stop();
    return;
  }
  QString text = script + QString("    脚本线程：%1").arg(threads);
  DownloadState download = bridge_->CurrentDownload();
  if (!download.url.isEmpty()) {
    text += "    下载：" + download.url;
    if (download.percent >= 0) text += QString("  %1%").arg(static_cast<int>(download.percent));
    if (!download.speed.isEmpty()) text += "  " + download.speed;
  }
  RunStatus->setText(text);
}

// ---- keys and closing -------------------------------------------------------

bool TScriptMainFrm::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_F9 && key->modifiers() == Qt::NoModifier) {
      // Holding the key down must not start and stop the script in turn.
      if (!key->isAutoRepeat()) RunScriptClick();
      return true;
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

void TScriptMainFrm::closeEvent(QCloseEvent* event) {
  if (editor_->Modified() && !editor_->QuerySave()) {
    event->ignore();
    return;
  }
  try {
    GlobalProgram().Terminate();
  } catch (...) {
  }
  event->accept();
}

}  // namespace qv::shell
