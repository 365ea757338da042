// TScriptMainFrm: the main window. It starts and stops the main script
// (qv.qvs in the application folder), shows everything scripts log,
// reports the run time, offers scripts _path, _close and _setcaption, and
// runs the script at once when "autostart.lock" is in the current
// directory or in the application folder. The editor is created but kept hidden: in use the window
// shows the log, the Run and Close buttons and one check box, and a status
// line with the running threads and the running download.
#pragma once

#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTimer>
#include <memory>
#include <string>
#include <vector>

#include "host/quorvint.h"
#include "shell/editor_panel.h"
#include "shell/gui_bridge.h"
#include "shell/log_mirror.h"
#include "shell/window_functions.h"

namespace qv::shell {

class TScriptMainFrm : public QMainWindow {
  Q_OBJECT

 public:
  // `appFolder`: the application folder (_AppPath, ending with "/").
  // `scriptFile`: the script Run runs (the file the window was started
  // with); empty for qv.qvs of the application folder.
  explicit TScriptMainFrm(std::u16string appFolder, QWidget* parent = nullptr,
                          std::u16string scriptFile = u"");
  // Stops every script and waits for the threads (see EndScriptThreads).
  ~TScriptMainFrm() override;

  // Run or, while the main script runs, Stop (the Run button, F9).
  void RunScriptClick();
  // The log sink: one line from `threadName` (empty: unnamed) as a script
  // thread's LG delivers it.
  void LG(std::u16string_view threadName, std::u16string_view message);

  bool IsRunning() const { return running_ != nullptr; }
  GuiBridge& Bridge() { return *bridge_; }
  EditorPanel& Editor() { return *editor_; }
  const std::u16string& AppFolder() const { return appFolder_; }
  // The script Run executes.
  std::u16string ScriptFile() const { return scriptFile_.empty() ? appFolder_ + u"qv.qvs" : scriptFile_; }
  // The file the current (or last) run mirrors its log to.
  QString LogFileName() const { return mirror_.FileName(); }

  // Stops every script of the process and waits, handling the GUI's
  // calls meanwhile, until their threads have ended; false when some
  // thread did not end within `timeoutMs`. Nothing reaches the window any
  // more afterwards.
  bool EndScriptThreads(int timeoutMs);

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildControls();
  // Run: a main script thread for qv.qvs; with `compiledFile`, that file
  // is loaded into it before it starts (the editor's "run compiled").
  void StartRun(const std::u16string* compiledFile);
  void IncludePath(std::vector<std::u16string>& dirs);
  void RunOver(const std::shared_ptr<host::TQuorvint>& thread, const std::u16string& errorMsg,
               const std::u16string& errorPos);
  void AppendLines(const QStringList& lines);
  void AppendMarkedBatch(const QStringList& lines);
  void ClearLog();
  void RefreshStatus();
  void WireThread(host::TQuorvint& thread);

  std::u16string appFolder_;
  std::u16string scriptFile_;
  std::unique_ptr<GuiBridge> bridge_;
  std::unique_ptr<WindowFunctions> windowFunctions_;

  QTabWidget* PageControl1 = nullptr;
  QWidget* TabSheet1 = nullptr;
  QWidget* TabSheet2 = nullptr;
  QSplitter* debugSplitter = nullptr;
  QWidget* MainPanel = nullptr;
  EditorPanel* editor_ = nullptr;
  QPlainTextEdit* LogMemo = nullptr;
  QMenu* LogMenu = nullptr;
  QPushButton* RunScript = nullptr;
  QPushButton* CloseButton = nullptr;
  QCheckBox* IsInfo = nullptr;
  QCheckBox* IsDeBug = nullptr;
  QPushButton* SaveScript = nullptr;
  QPushButton* OpenBtn = nullptr;
  QLabel* RunStatus = nullptr;
  QTimer statusTimer_;

  // The running main script; empty when none runs.
  std::shared_ptr<host::TQuorvinter> running_;
  uint32_t runStart_ = 0;
  int logLines_ = 0;
  bool lastLineMarked_ = false;  // the log ends with a line of its own colour
  LogMirror mirror_;
};

}  // namespace qv::shell
