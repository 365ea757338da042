// The script editor: a plain-text control that knows the file it shows and
// whether its text has changed since the last load or save.
#pragma once

#include <QPlainTextEdit>
#include <QString>

#include "support/codepage.h"

class QMenu;

namespace qv::shell {

class TQvMemo : public QPlainTextEdit {
  Q_OBJECT

 public:
  explicit TQvMemo(QWidget* parent = nullptr);

  QString FileName() const { return fileName_; }
  // Fires fileNameChanged when the name differs from the current one.
  void SetFileName(const QString& name);

  // True when the text changed since the last load or save.
  bool NoSave() const { return noSave_; }
  void SetNoSave(bool changed) { noSave_ = changed; }

  // Loads an existing file (byte-order mark or ANSI) and takes its name.
  // False, with nothing changed, when the file is missing or unreadable.
  bool ReadFromFile(const QString& path);

  // Saves under the current name, or asks for one first when there is none
  // or `saveAs` is set. False when the dialog is cancelled or the write fails
  // (the text then stays marked as changed).
  bool SaveTo(bool saveAs);

  // Writes the lines to `path` in the loaded file's encoding and line ends.
  bool SaveLines(const QString& path);

  // The ".qvs" rule of the save dialog: a chosen name that does not contain
  // ".qvs" (in any case) gets it appended.
  static QString WithScriptExtension(const QString& chosen);

  // 0-based line and column of the caret, and placing it (clamped).
  int CaretLine() const;
  int CaretColumn() const;
  void PlaceCaret(int line, int column);

  // Word wrap at the control's width, toggled by the pop-up menu.
  bool WordWrap() const;
  void SetWordWrap(bool on);

  // The pop-up menu: the standard edit items, then "清空(&C)" (empties the
  // text) and "自动换行(&W)" (toggles word wrap, checked while it is on).
  QMenu* CreatePopupMenu();

  // Empties the text (the pop-up's clear item); the text counts as changed.
  void ClearText();

  // True for the keys that do not count as a change of the text.
  static bool IsNeutralKey(int key);

 signals:
  void fileNameChanged(const QString& name);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  QString fileName_;
  bool noSave_ = false;
  TextEncoding encoding_ = TextEncoding::Ansi;
  bool crlf_ = false;
};

}  // namespace qv::shell
