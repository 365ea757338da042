// The *.qvs association in a scratch data folder, and the autostart switch.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "library/files/paths.h"
#include "shell/file_association.h"

using namespace qv::shell;

namespace {

QByteArray ReadAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Every file under `folder`, relative to it, sorted.
QStringList FilesUnder(const QString& folder) {
  QStringList found;
  QDir root(folder);
  std::function<void(const QString&)> walk = [&](const QString& sub) {
    QDir d(root.filePath(sub));
    for (const QFileInfo& info : d.entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot)) {
      const QString rel = sub.isEmpty() ? info.fileName() : sub + u'/' + info.fileName();
      if (info.isDir())
        walk(rel);
      else
        found << rel;
    }
  };
  walk(QString());
  found.sort();
  return found;
}

}  // namespace

class AssociationTest : public QObject {
  Q_OBJECT

 private slots:
  void dataFolderFollowsXdg() {
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    qunsetenv("XDG_DATA_HOME");
    QCOMPARE(UserDataFolder(), home.path() + QStringLiteral("/.local/share"));
    qputenv("XDG_DATA_HOME", "relative/ignored");
    QCOMPARE(UserDataFolder(), home.path() + QStringLiteral("/.local/share"));
    qputenv("XDG_DATA_HOME", "/srv/data/");
    QCOMPARE(UserDataFolder(), QStringLiteral("/srv/data"));
  }

  void execIsQuoted_data() {
    QTest::addColumn<QString>("executable");
    QTest::addColumn<QString>("exec");
    QTest::newRow("plain") << "/usr/bin/quorvint"
                           << "\"/usr/bin/quorvint\" %f";
    QTest::newRow("space") << "/opt/my app/quorvint"
                           << "\"/opt/my app/quorvint\" %f";
    QTest::newRow("dollar and quote") << "/x/$a\"b"
                                      << "\"/x/\\\\$a\\\\\"b\" %f";
    QTest::newRow("percent") << "/x/100%/q"
                             << "\"/x/100%%/q\" %f";
  }
  void execIsQuoted() {
    QFETCH(QString, executable);
    QFETCH(QString, exec);
    QCOMPARE(DesktopExec(executable), exec);
  }

  // Register writes the three files (and the desktop's caches); unregister
  // takes exactly those away and leaves everything else.
  void registerThenUnregister() {
    QTemporaryDir data;
    qputenv("XDG_DATA_HOME", data.path().toUtf8());
    QDir(data.path()).mkpath(QStringLiteral("applications"));
    QFile other(data.filePath(QStringLiteral("applications/other.desktop")));
    QVERIFY(other.open(QIODevice::WriteOnly));
    other.write("[Desktop Entry]\n");
    other.close();

    QString error;
    QVERIFY2(RegisterFileType(QStringLiteral("/opt/q v/quorvint"), &error), qPrintable(error));
    const AssociationFiles files = AssociationFilesIn(data.path());
    for (const QString& path : files.All()) QVERIFY2(QFileInfo::exists(path), qPrintable(path));
    const QByteArray entry = ReadAll(files.desktopEntry);
    QVERIFY(entry.contains("Exec=\"/opt/q v/quorvint\" %f\n"));
    QVERIFY(entry.contains("MimeType=text/x-quorvint-script;\n"));
    QVERIFY(!entry.contains("@QV_"));
    QVERIFY(ReadAll(files.mimeType).contains("<glob pattern=\"*.qvs\"/>"));
    QVERIFY(ReadAll(files.icon).startsWith("<?xml"));
    const bool haveMimeTool =
        !QStandardPaths::findExecutable(QStringLiteral("update-mime-database")).isEmpty();
    const QString globs = data.filePath(QStringLiteral("mime/globs2"));
    if (haveMimeTool) QVERIFY(ReadAll(globs).contains("text/x-quorvint-script:*.qvs"));

    QVERIFY(UnregisterFileType());
    for (const QString& path : files.All()) QVERIFY2(!QFileInfo::exists(path), qPrintable(path));
    QVERIFY(QFileInfo::exists(other.fileName()));
    if (haveMimeTool) QVERIFY(!ReadAll(globs).contains("qvs"));
    for (const QString& left : FilesUnder(data.path())) {
      // Only the desktop's generated caches may remain besides other.desktop.
      QVERIFY2(left == QStringLiteral("applications/other.desktop") ||
                   left.startsWith(QStringLiteral("mime/")) ||
                   left == QStringLiteral("applications/mimeinfo.cache"),
               qPrintable(left));
      QVERIFY2(!left.startsWith(QStringLiteral("mime/packages/")), qPrintable(left));
    }
    QVERIFY(UnregisterFileType());  // nothing left to remove is no failure
  }

  void registerReportsAnUnwritableFolder() {
    QTemporaryDir data;
    // A file where the applications folder should be.
    QFile blocker(data.filePath(QStringLiteral("applications")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    qputenv("XDG_DATA_HOME", data.path().toUtf8());
    QString error;
    QVERIFY(!RegisterFileType(QStringLiteral("/usr/bin/quorvint"), &error));
    QVERIFY(error.contains(QStringLiteral("applications")));
    QVERIFY(!QFileInfo::exists(AssociationFilesIn(data.path()).mimeType));
    QVERIFY(!RegisterFileType(QString(), &error));
  }

  void autostartSwitch() {
    QTemporaryDir app;
    qv::library::SetAppPath(app.path().toStdU16String());
    const QString lock = app.filePath(QStringLiteral("autostart.lock"));
    QCOMPARE(AutostartLockPath(), lock);
    QVERIFY(!IsAutostartOn());
    QVERIFY(ToggleAutostart());
    QVERIFY(QFileInfo(lock).isFile());
    QCOMPARE(QFileInfo(lock).size(), 0);
    QVERIFY(!ToggleAutostart());
    QVERIFY(!QFileInfo::exists(lock));

    // A link to a folder is removed as a link; the folder stays.
    QDir(app.path()).mkdir(QStringLiteral("target"));
    QVERIFY(QFile::link(app.filePath(QStringLiteral("target")), lock));
    QVERIFY(IsAutostartOn());
    QVERIFY(!ToggleAutostart());
    QVERIFY(!QFileInfo(lock).isSymLink());
    QVERIFY(QFileInfo(app.filePath(QStringLiteral("target"))).isDir());

    // A real folder of that name is never deleted.
    QDir(app.path()).mkdir(QStringLiteral("autostart.lock"));
    QVERIFY(ToggleAutostart());
    QVERIFY(QFileInfo(lock).isDir());
  }
};

QTEST_MAIN(AssociationTest)
#include "association_test.moc"
