// The window's side of the UiBridge. Script threads reach the GUI thread
// only through it:
// - log lines are formatted on the calling thread and queued; the GUI
//   thread takes them in batches (a short timer), so a script that logs
//   as fast as it can never floods the event loop. Log returns once its
//   line is queued, and lines keep their order;
// - dialogs are blocking queued calls: the script thread waits until the
//   GUI thread has handled them. On the GUI thread itself they run
//   directly. The GUI thread never waits for a script thread.
// After Shutdown (the window is going away) nothing reaches the GUI any
// more: lines are dropped and dialogs answer as if cancelled.
#pragma once

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QThread>
#include <QTimer>
#include <QWidget>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <type_traits>
#include <vector>

#include "host/ui_bridge.h"
#include "library/files/file_dialogs.h"

namespace qv::shell {

// The download a status display shows.
struct DownloadState {
  QString threadName;
  QString url;          // empty: no download running
  double percent = -1;  // negative: size unknown
  QString speed;
};

class GuiBridge : public QObject, public host::UiBridge {
  Q_OBJECT

 public:
  // Lives on the GUI thread; dialogs are shown over `dialogParent`.
  explicit GuiBridge(QWidget* dialogParent);
  ~GuiBridge() override;

  // Receives the queued lines, in order, on the GUI thread.
  void SetLineSink(std::function<void(const QStringList& lines)> sink) { sink_ = std::move(sink); }

  void Log(std::u16string_view threadName, std::u16string_view message) override;
  int MessageBox(std::u16string_view threadName, std::u16string_view text, int type, int buttons) override;
  std::optional<std::u16string> InputQuery(std::u16string_view caption, std::u16string_view prompt,
                                           std::u16string_view initial) override;
  std::u16string ChooseFile(std::u16string_view title, std::u16string_view filter,
                            std::u16string_view folder) override;
  std::u16string ChooseFolder(std::u16string_view title, std::u16string_view folder) override;
  void Progress(std::u16string_view threadName, std::u16string_view url, double percent,
                std::u16string_view speed) override;
  // Queued beside the log lines as marked lines (see marked_lines.h);
  // files under the folder of SetScriptFolder are shown relative to it.
  void Diagnose(const host::Diagnostic& d) override;
  void SetScriptFolder(std::u16string folder);
  // Queues the line that opens a run: the script and its start time.
  void RunSeparator(std::u16string_view script, const QDateTime& start);

  // selfile: the file dialog with the library's filter form.
  std::vector<std::u16string> ChooseFiles(const library::FileChoice& choice);

  // The latest download report (any thread).
  DownloadState CurrentDownload() const;

  // GUI thread: hands every queued line to the sink now.
  void FlushLog();
  // GUI thread: from now on nothing reaches the GUI.
  void Shutdown();
  bool IsShutDown() const { return shutDown_.load(std::memory_order_acquire); }

  // Runs `f` on the GUI thread and returns its result; a script thread
  // waits for it. After Shutdown `f` is not run and `otherwise` is the
  // answer.
  template <class F, class R = std::invoke_result_t<F>>
  R OnGui(F f, std::type_identity_t<R> otherwise = R()) {
    if (IsShutDown()) return otherwise;
    if (QThread::currentThread() == thread()) return f();
    R result = otherwise;
    QMetaObject::invokeMethod(
        this,
        [&] {
          if (!IsShutDown()) result = f();
        },
        Qt::BlockingQueuedConnection);
    return result;
  }
  void OnGuiVoid(const std::function<void()>& f) {
    OnGui(
        [&] {
          f();
          return true;
        },
        false);
  }

 private:
  void ScheduleFlush();
  void Queue(QString line);

  QPointer<QWidget> dialogParent_;
  std::function<void(const QStringList&)> sink_;
  QTimer flushTimer_;
  std::atomic<bool> shutDown_{false};

  std::mutex logMutex_;
  std::condition_variable drained_;
  QStringList pending_;
  std::u16string scriptFolder_;  // guarded by logMutex_
  bool flushPosted_ = false;

  mutable std::mutex progressMutex_;
  DownloadState download_;
};

}  // namespace qv::shell
