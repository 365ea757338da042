// Desktop integration: the *.qvs file type with the desktop (a MIME type,
// a .desktop entry that opens it with the window, and an icon, all under
// the user's data folder), and the autostart switch.
#pragma once

#include <QString>
#include <QStringList>

namespace qv::shell {

// The user's data folder: $XDG_DATA_HOME when set and absolute, else
// ~/.local/share. No trailing "/".
QString UserDataFolder();

// The files that registering writes, in the user's data folder.
struct AssociationFiles {
  QString desktopEntry;  // applications/quorvint.desktop
  QString mimeType;      // mime/packages/quorvint.xml
  QString icon;          // icons/hicolor/scalable/apps/quorvint.svg
  QStringList All() const { return {desktopEntry, mimeType, icon}; }
};
AssociationFiles AssociationFilesIn(const QString& dataFolder);

// The Exec value of the .desktop entry for `executable`, quoted by the
// desktop-entry rules, with the file placeholder.
QString DesktopExec(const QString& executable);

// Writes the three files for `executable` and refreshes the desktop's
// caches (update-mime-database, update-desktop-database, when installed;
// their failures are ignored). False, with `error` set, when a file cannot
// be written; what was written is then removed again.
bool RegisterFileType(const QString& executable, QString* error = nullptr);

// Removes the files that RegisterFileType writes and refreshes the caches.
// False when one of them exists and cannot be removed.
bool UnregisterFileType();

// The autostart switch: the file "autostart.lock" in the application
// folder. IsAutostartOn tells whether it exists; ToggleAutostart deletes it
// when it exists (a link is removed as a link), and otherwise creates it
// empty. The result is whether the file exists afterwards.
QString AutostartLockPath();
bool IsAutostartOn();
bool ToggleAutostart();

}  // namespace qv::shell
