#include "shell/log_mirror.h"

#include <QDir>

namespace qv::shell {

bool LogMirror::Open(const QString& appFolder, const QDateTime& start) {
  Close();
  QDir folder(appFolder + "data/log");
  if (!folder.mkpath(".")) return false;
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
