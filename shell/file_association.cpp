#include "shell/file_association.h"

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include "library/files/file_write.h"
#include "library/files/paths.h"

// Resources of a static library are registered by hand.
static void InitShellData() { Q_INIT_RESOURCE(shell_data); }

namespace qv::shell {

namespace {

QByteArray Resource(const QString& name) {
  InitShellData();
  QFile file(QStringLiteral(":/quorvint/") + name);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteWhole(const QString& path, const QByteArray& bytes) {
  return library::ForceFolder(library::FsPath(path.toStdU16String()), true) &&
         library::ReplaceFileContent(library::FsPath(path.toStdU16String()),
                                     std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
}

// Runs a cache tool when it is installed; the association works without
// the caches once the desktop rescans, so failures do not count.
void RunIfPresent(const QString& tool, const QStringList& args) {
  const QString program = QStandardPaths::findExecutable(tool);
  if (program.isEmpty()) return;
  QProcess process;
  process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  process.setStandardOutputFile(QProcess::nullDevice());
  process.start(program, args);
  process.waitForFinished(30000);
}

void RefreshCaches(const QString& dataFolder) {
  RunIfPresent(QStringLiteral("update-mime-database"), {dataFolder + QStringLiteral("/mime")});
  RunIfPresent(QStringLiteral("update-desktop-database"), {dataFolder + QStringLiteral("/applications")});
}

}  // namespace

QString UserDataFolder() {
  const QString xdg = qEnvironmentVariable("XDG_DATA_HOME");
  if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg)) return QDir::cleanPath(xdg);
  return QDir::cleanPath(QDir::homePath() + QStringLiteral("/.local/share"));
}

AssociationFiles AssociationFilesIn(const QString& dataFolder) {
  return {dataFolder + QStringLiteral("/applications/quorvint.desktop"),
          dataFolder + QStringLiteral("/mime/packages/quorvint.xml"),
          dataFolder + QStringLiteral("/icons/hicolor/scalable/apps/quorvint.svg")};
}

QString DesktopExec(const QString& executable) {
  // Inside the quotes of an argument, ", `, $ and \ take a backslash; the
  // value as a whole is a string, where a backslash is written twice.
  QString quoted;
  for (QChar c : executable) {
    if (c == u'"' || c == u'`' || c == u'$' || c == u'\\') quoted += u'\\';
    quoted += c;
  }
  quoted.replace(QStringLiteral("\\"), QStringLiteral("\\\\"));
  quoted.replace(QStringLiteral("%"), QStringLiteral("%%"));
  return u'"' + quoted + QStringLiteral("\" %f");
}

bool RegisterFileType(const QString& executable, QString* error) {
  if (executable.isEmpty()) {
    if (error) *error = QStringLiteral("No program to open *.qvs files with");
    return false;
  }
  const QString data = UserDataFolder();
  const AssociationFiles files = AssociationFilesIn(data);
  QByteArray entry = Resource(QStringLiteral("quorvint.desktop.in"));
  entry.replace("@QV_EXEC@", DesktopExec(executable).toUtf8());
  const QByteArray contents[] = {entry, Resource(QStringLiteral("quorvint.xml")),
                                 Resource(QStringLiteral("quorvint.svg"))};
  const QStringList paths = files.All();
  for (qsizetype i = 0; i < paths.size(); ++i) {
    if (!WriteWhole(paths[i], contents[i])) {
      if (error) *error = QStringLiteral("Cannot write ") + paths[i];
      for (qsizetype j = 0; j < i; ++j) QFile::remove(paths[j]);
      return false;
    }
  }
  RefreshCaches(data);
  return true;
}

bool UnregisterFileType() {
  const QString data = UserDataFolder();
  bool ok = true;
  for (const QString& path : AssociationFilesIn(data).All()) {
    if (QFileInfo(path).isSymLink() || QFileInfo::exists(path)) ok = QFile::remove(path) && ok;
  }
  RefreshCaches(data);
  return ok;
}

QString AutostartLockPath() {
  return QString::fromStdU16String(library::AppPath()) + QStringLiteral("autostart.lock");
}

bool IsAutostartOn() { return QFileInfo::exists(AutostartLockPath()); }

bool ToggleAutostart() {
  const QString path = AutostartLockPath();
  if (QFileInfo::exists(path) || QFileInfo(path).isSymLink()) {
    // unlink removes a file, or a link to a folder as a link; a real folder
    // of that name is left alone.
    ::unlink(library::FsPath(path.toStdU16String()).c_str());
  } else {
    library::WriteFileBytes(library::WriteMode::Overwrite, path.toStdU16String(), {});
  }
  return IsAutostartOn();
}

}  // namespace qv::shell
