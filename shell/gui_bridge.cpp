#include "shell/gui_bridge.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <chrono>
#include <ctime>

#include "host/diagnostics.h"
#include "shell/file_dialogs.h"
#include "shell/log_lines.h"
#include "shell/marked_lines.h"

namespace qv::shell {

namespace {

// Lines a script may have queued before it waits for the window to catch
// up: enough for long bursts, little enough to bound the memory.
constexpr qsizetype kMaxPendingLines = 100000;
// The longest a script waits for the window at a time: the window never
// waits for a script, but a bounded wait keeps it that way even if the
// window is busy inside a script's lock.
constexpr auto kMaxThrottle = std::chrono::milliseconds(500);
// Lines gather this long before the window draws them.
constexpr int kFlushDelayMs = 20;

QString ToQ(std::u16string_view text) {
  return QString(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size()));
}

std::u16string FromQ(const QString& text) {
  return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<size_t>(text.size()));
}

QMessageBox::StandardButtons ButtonSet(int buttons) {
  switch (buttons) {
    case 1:
      return QMessageBox::Ok | QMessageBox::Cancel;
    case 2:
      return QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
    case 3:
      return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case 4:
      return QMessageBox::Yes | QMessageBox::No;
    case 5:
      return QMessageBox::Retry | QMessageBox::Cancel;
    default:
      return QMessageBox::Ok;
  }
}

// The script's code of the pressed button.
int ButtonCode(int pressed, QMessageBox::StandardButtons offered) {
  switch (pressed) {
    case QMessageBox::Ok:
      return 1;
    case QMessageBox::Cancel:
      return 2;
    case QMessageBox::Abort:
      return 3;
    case QMessageBox::Retry:
      return 4;
    case QMessageBox::Ignore:
      return 5;
    case QMessageBox::Yes:
      return 6;
    case QMessageBox::No:
      return 7;
    default:
      // Closed without a button: OK for a lone OK, else Cancel.
      return offered == QMessageBox::Ok ? 1 : 2;
  }
}

}  // namespace

GuiBridge::GuiBridge(QWidget* dialogParent) : dialogParent_(dialogParent) {
  flushTimer_.setSingleShot(true);
  flushTimer_.setInterval(kFlushDelayMs);
  connect(&flushTimer_, &QTimer::timeout, this, &GuiBridge::FlushLog);
}

GuiBridge::~GuiBridge() { Shutdown(); }

void GuiBridge::Log(std::u16string_view threadName, std::u16string_view message) {
  if (IsShutDown()) return;
  Queue(ToQ(FormatLogLine(std::time(nullptr), threadName, message)));
}

void GuiBridge::Diagnose(const host::Diagnostic& d) {
  if (IsShutDown()) return;
  std::u16string folder;
  {
    std::lock_guard lock(logMutex_);
    folder = scriptFolder_;
  }
  const bool error = d.kind == host::DiagnosticKind::Error;
  const LineMark mark = error ? LineMark::Error : LineMark::Warning;
  // The first line carries the sign; notes are indented under it.
  QString lead = error ? QStringLiteral("✖ ") : QStringLiteral("▲ ");
  for (const std::u16string& line : host::FormatDiagnostic(d, folder, u"qv.qvs")) {
    Queue(MarkLine(mark, lead + ToQ(line)));
    lead = QStringLiteral("   ");
  }
}

void GuiBridge::SetScriptFolder(std::u16string folder) {
  if (!folder.empty() && folder.back() == u'/') folder.pop_back();
  std::lock_guard lock(logMutex_);
  scriptFolder_ = std::move(folder);
}

void GuiBridge::RunSeparator(std::u16string_view script, const QDateTime& start) {
  if (IsShutDown()) return;
  Queue(MarkLine(LineMark::Separator,
                 "—— " + ToQ(script) + "  " + start.toString("yyyy-MM-dd hh:mm:ss") + " ——"));
}

void GuiBridge::Queue(QString line) {
  const bool onGui = QThread::currentThread() == thread();
  {
    std::unique_lock lock(logMutex_);
    pending_.append(std::move(line));
    if (!onGui) {
      if (!flushPosted_) {
        flushPosted_ = true;
        QMetaObject::invokeMethod(this, &GuiBridge::ScheduleFlush, Qt::QueuedConnection);
      }
      if (pending_.size() > kMaxPendingLines)
        drained_.wait_for(lock, kMaxThrottle,
                          [this] { return pending_.size() <= kMaxPendingLines || IsShutDown(); });
      return;
    }
  }
  // The window's own lines come after everything the scripts queued.
  FlushLog();
}

void GuiBridge::ScheduleFlush() {
  if (!flushTimer_.isActive()) flushTimer_.start();
}

void GuiBridge::FlushLog() {
  QStringList lines;
  {
    std::lock_guard lock(logMutex_);
    lines.swap(pending_);
    flushPosted_ = false;
  }
  drained_.notify_all();
  if (!lines.isEmpty() && sink_ && !IsShutDown()) sink_(lines);
}

void GuiBridge::Shutdown() {
  shutDown_.store(true, std::memory_order_release);
  flushTimer_.stop();
  {
    std::lock_guard lock(logMutex_);
    pending_.clear();
  }
  drained_.notify_all();
}

int GuiBridge::MessageBox(std::u16string_view, std::u16string_view text, int type, int buttons) {
  QMessageBox::StandardButtons offered = ButtonSet(buttons);
  QString body = ToQ(text);
  return OnGui(
      [&] {
        QMessageBox box(dialogParent_);
        switch (type) {
          case 1:
            box.setIcon(QMessageBox::Critical);
            box.setWindowTitle("Error");
            break;
          case 2:
            box.setIcon(QMessageBox::Warning);
            box.setWindowTitle("Warning");
            break;
          default:
            box.setIcon(QMessageBox::Information);
            box.setWindowTitle("Information");
            break;
        }
        box.setText(body);
        box.setStandardButtons(offered);
        return ButtonCode(box.exec(), offered);
      },
      ButtonCode(QMessageBox::NoButton, offered));
}

std::optional<std::u16string> GuiBridge::InputQuery(std::u16string_view caption, std::u16string_view prompt,
                                                    std::u16string_view initial) {
  QString title = ToQ(caption), label = ToQ(prompt), value = ToQ(initial);
  // The answer travels as text; a cancel (or a closed window) stays null.
  QString answer = OnGui([&] {
    QInputDialog dialog(dialogParent_);
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setWindowTitle(title);
    dialog.setLabelText(label);
    dialog.setTextValue(value);
    if (dialog.exec() != QDialog::Accepted) return QString();
    QString text = dialog.textValue();
    return text.isNull() ? QString(QLatin1String("")) : text;
  });
  if (answer.isNull()) return std::nullopt;
  return FromQ(answer);
}

std::vector<std::u16string> GuiBridge::ChooseFiles(const library::FileChoice& choice) {
  QString folder = ToQ(choice.startFolder);
  QString filter = choice.filter.empty() ? QString() : QtFilter(ToQ(choice.filter));
  return OnGui([&] {
    QFileDialog dialog(dialogParent_);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (choice.multiple) {
      dialog.setFileMode(QFileDialog::ExistingFiles);
    } else {
      dialog.setFileMode(choice.mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    }
    if (!folder.isEmpty()) dialog.setDirectory(folder);
    if (!filter.isEmpty()) dialog.setNameFilter(filter);
    std::vector<std::u16string> chosen;
    if (dialog.exec() != QDialog::Accepted) return chosen;
    for (const QString& file : dialog.selectedFiles()) chosen.push_back(FromQ(file));
    return chosen;
  });
}

std::u16string GuiBridge::ChooseFile(std::u16string_view title, std::u16string_view filter,
                                     std::u16string_view folder) {
  library::FileChoice choice;
  choice.startFolder = std::u16string(folder);
  choice.filter = std::u16string(filter);
  (void)title;
  std::vector<std::u16string> files = ChooseFiles(choice);
  return files.empty() ? u"" : files.front();
}

std::u16string GuiBridge::ChooseFolder(std::u16string_view title, std::u16string_view folder) {
  QString caption = ToQ(title), start = ToQ(folder);
  return OnGui([&] {
    QFileDialog dialog(dialogParent_, caption);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    if (!start.isEmpty()) dialog.setDirectory(start);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::u16string();
    return FromQ(dialog.selectedFiles().front());
  });
}

void GuiBridge::Progress(std::u16string_view threadName, std::u16string_view url, double percent,
                         std::u16string_view speed) {
  QString name = ToQ(threadName);
  std::lock_guard lock(progressMutex_);
  if (url.empty()) {
    // Only the thread whose download is shown clears it.
    if (download_.threadName == name) download_ = DownloadState{};
    return;
  }
  download_.threadName = std::move(name);
  download_.url = ToQ(url);
  download_.percent = percent;
  download_.speed = ToQ(speed);
}

DownloadState GuiBridge::CurrentDownload() const {
  std::lock_guard lock(progressMutex_);
  return download_;
}

}  // namespace qv::shell
