// The editor part of the main window: the script memo with its lists of
// functions, classes and script files, and the file handlers (new, open,
// save, save as, run compiled). The window creates it hidden.
#pragma once

#include <functional>

#include <QList>
#include <QString>
#include <QWidget>

#include "shell/qv_memo.h"

class QAction;
class QListWidget;
class QListWidgetItem;
class QMenu;

namespace qv::shell {

class EditorPanel : public QWidget {
  Q_OBJECT

 public:
  explicit EditorPanel(QWidget* parent);

  TQvMemo* Memo() { return memo_; }
  QString FileName() const;
  bool Modified() const;
  // 0-based line and column.
  void PlaceCaret(int line, int column);
  // Offers to save unsaved text; false when the user cancels (or the save
  // does not happen), true when the text may be discarded.
  bool QuerySave();

  // The executable's folder (ending with "/"), used when no file is open.
  void SetAppFolder(const QString& folder);
  QString AppFolder() const { return appFolder_; }

  // The folder the open dialogs start in.
  QString LastFolder() const { return lastFolder_; }

  QListWidget* FunctionList() { return functionList_; }
  QListWidget* ClassList() { return classList_; }
  QListWidget* FileList() { return fileList_; }
  // An entry of the function or class list with its name and description.
  void AddFunction(const QString& name, const QString& description);
  void AddClass(const QString& name, const QString& description);
  // Inserts an entry's text at the caret as a double click does.
  void InsertEntry(const QString& entry, bool withCtrl);
  // The function list's entry that a typed character selects, after the
  // current one and wrapping; -1 when none.
  int NextEntryFor(QChar typed) const;

  // The file menu "文件(&F)" with the handlers' items and shortcuts.
  QMenu* FileMenu() { return fileMenu_; }

 public slots:
  void NewScript();
  void OpenScript();
  // Loads a file after offering to save the current text.
  bool LoadScript(const QString& path);
  bool SaveScript();
  bool SaveScriptAs();
  void RunCompiled();
  void ToggleWordWrap();

 signals:
  void runCompiledRequested(QString file);
  // The window's caption follows the editor's file.
  void captionChanged(QString caption);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildMenu();
  void OnFileNameChange(const QString& name);
  void FillFileList(const QString& folder);
  bool SaveAndRelist(bool saveAs);
  QAction* AddItem(const QString& text, const QKeySequence& keys, std::function<void()> handler);

  TQvMemo* memo_ = nullptr;
  QListWidget* functionList_ = nullptr;
  QListWidget* classList_ = nullptr;
  QListWidget* fileList_ = nullptr;
  QMenu* fileMenu_ = nullptr;
  QString appFolder_;
  QString lastFolder_;
  QString listedFolder_;
};

}  // namespace qv::shell
