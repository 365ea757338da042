// A copy of the log on disk, so the window's 10,000-line reset loses
// nothing: every line of a run goes to AppPath + "data/log/" + the run's
// start time + ".log", in UTF-8, one line per log line.
#pragma once

#include <QDateTime>
#include <QFile>
#include <QString>
#include <QStringList>

namespace qv::shell {

class LogMirror {
 public:
  // Starts a new file for a run that started at `start`; a second run in
  // the same second gets "-2", "-3", ... behind the time. False when the
  // file cannot be made (the run then goes unmirrored).
  bool Open(const QString& appFolder, const QDateTime& start);
  void Write(const QStringList& lines);
  void Close();
  bool IsOpen() const { return file_.isOpen(); }
  QString FileName() const { return file_.fileName(); }

 private:
  QFile file_;
};

}  // namespace qv::shell
