#include "shell/log_mirror.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

namespace qv::shell {

int PruneRunLogs(const QString& logFolder, int maxFiles, qint64 maxBytes) {
  QFileInfoList logs = QDir(logFolder).entryInfoList({"*.log"}, QDir::Files);
  // Newest first; a second run in the same second ("-2") is newer.
  std::sort(logs.begin(), logs.end(), [](const QFileInfo& a, const QFileInfo& b) {
    if (a.lastModified() != b.lastModified()) return a.lastModified() > b.lastModified();
    return a.fileName() > b.fileName();
  });
  int removed = 0;
  qint64 bytes = 0;
  int kept = 0;
  for (const QFileInfo& log : logs) {
    bytes += log.size();
    if (kept < maxFiles && bytes <= maxBytes) {
      ++kept;
    } else if (QFile::remove(log.filePath())) {
      ++removed;
    }
  }
  return removed;
}

bool LogMirror::Open(const QString& appFolder, const QDateTime& start) {
  Close();
  QDir folder(appFolder + "data/log");
  if (!folder.mkpath(".")) return false;
  PruneRunLogs(folder.path(), kKeptRunLogs - 1);
  const QString stamp = start.toString("yyyy-MM-dd_hh-mm-ss");
  QString name = folder.filePath(stamp + ".log");
  for (int n = 2; QFile::exists(name); ++n) name = folder.filePath(stamp + "-" + QString::number(n) + ".log");
  file_.setFileName(name);
  return file_.open(QIODevice::WriteOnly | QIODevice::NewOnly);
}

void LogMirror::Write(const QStringList& lines) {
  if (!file_.isOpen()) return;
  QByteArray bytes;
  for (const QString& line : lines) {
    bytes += line.toUtf8();
    bytes += '\n';
  }
  file_.write(bytes);
  file_.flush();
}

void LogMirror::Close() {
  if (file_.isOpen()) file_.close();
}

}  // namespace qv::shell
