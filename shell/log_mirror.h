// A copy of the log on disk, so the window's 10,000-line reset loses
// nothing: every line of a run goes to AppPath + "data/log/" + the run's
// start time + ".log", in UTF-8, one line per log line. Old run logs are
// removed (PruneRunLogs), so the folder does not grow without end.
#pragma once

#include <QDateTime>
#include <QFile>
#include <QString>
#include <QStringList>

namespace qv::shell {

// What data/log/ keeps: the newest run logs, at most this many and this
// many bytes together.
inline constexpr int kKeptRunLogs = 200;
inline constexpr qint64 kKeptRunLogBytes = 100LL * 1024 * 1024;

// Removes the oldest "*.log" files of `logFolder` (by modification time,
// then name) until at most `maxFiles` remain and they hold at most
// `maxBytes` together. Returns how many were removed.
int PruneRunLogs(const QString& logFolder, int maxFiles = kKeptRunLogs, qint64 maxBytes = kKeptRunLogBytes);

class LogMirror {
 public:
  // Starts a new file for a run that started at `start`; a second run in
  // the same second gets "-2", "-3", ... behind the time. False when the
  // file cannot be made (the run then goes unmirrored). Older logs are
  // pruned first, leaving room for this one.
  bool Open(const QString& appFolder, const QDateTime& start);
  void Write(const QStringList& lines);
  void Close();
  bool IsOpen() const { return file_.isOpen(); }
  QString FileName() const { return file_.fileName(); }

 private:
  QFile file_;
};

}  // namespace qv::shell
