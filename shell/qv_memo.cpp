#include "shell/qv_memo.h"

#include <algorithm>

#include <QContextMenuEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QTextBlock>

#include "library/files/file_read.h"
#include "library/files/file_write.h"
#include "library/files/paths.h"
#include "shell/file_dialogs.h"
#include "support/codepage.h"

namespace qv::shell {

namespace {

const QString kSaveFilter = QStringLiteral("Quorvint File(*.qvs)|*.qvs|All File(*.*)|*.*");

}  // namespace

TQvMemo::TQvMemo(QWidget* parent) : QPlainTextEdit(parent) {
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setLineWrapMode(QPlainTextEdit::NoWrap);
  // A change by the mouse (paste, drop, the pop-up's items) is a change too;
  // otherwise closing would not offer to save it.
  connect(document(), &QTextDocument::contentsChange, this, [this](int, int removed, int added) {
    if (removed != 0 || added != 0) noSave_ = true;
  });
}

void TQvMemo::SetFileName(const QString& name) {
  if (name == fileName_) return;
  fileName_ = name;
  emit fileNameChanged(fileName_);
}

bool TQvMemo::ReadFromFile(const QString& path) {
  QFileInfo info(path);
  if (!info.exists() || info.isDir()) return false;
  std::string bytes;
  if (!library::ReadFileBytes(library::FsPath(path.toStdU16String()), bytes)) return false;
  QString text = QString::fromStdU16String(DecodeTextBytes(bytes, &encoding_));
  crlf_ = text.contains(QStringLiteral("\r\n"));
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(u'\r', u'\n');
  // Lines, as a string list reads them: the last line break ends the last
  // line and does not start an empty one.
  if (text.endsWith(u'\n')) text.chop(1);
  SetFileName(info.absoluteFilePath());
  setPlainText(text);
  noSave_ = false;
  return true;
}

bool TQvMemo::SaveLines(const QString& path) {
  // The raw text keeps no-break spaces, which toPlainText turns into spaces.
  QString text = document()->toRawText();
  text.replace(QChar::ParagraphSeparator, u'\n');
  if (!text.isEmpty()) text += u'\n';
  if (crlf_) text.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
  // Text the ANSI code page cannot hold is saved as UTF-8 with a mark
  // instead of losing characters to "?"; readers of scripts honour the mark.
  const std::u16string u16 = text.toStdU16String();
  if (encoding_ == TextEncoding::Ansi && DecodeAnsi(EncodeAnsi(u16)) != u16) encoding_ = TextEncoding::Utf8;
  return library::WriteFileBytes(library::WriteMode::Overwrite, path.toStdU16String(),
                                 EncodeTextBytes(u16, encoding_));
}

QString TQvMemo::WithScriptExtension(const QString& chosen) {
  if (chosen.toLower().contains(QLatin1String(".qvs"))) return chosen;
  return chosen + QStringLiteral(".qvs");
}

bool TQvMemo::SaveTo(bool saveAs) {
  QString target = fileName_;
  if (target.isEmpty() || saveAs) {
    QString folder = fileName_.isEmpty() ? QString() : QFileInfo(fileName_).absolutePath();
    QString chosen = ChooseSaveName(this, folder, kSaveFilter);
    if (chosen.isEmpty()) return false;
    target = WithScriptExtension(chosen);
    SetFileName(target);
    // The handler of the name may have made it absolute.
    target = fileName_;
  }
  if (!SaveLines(target)) {
    QMessageBox::warning(this, QStringLiteral("Save"), QStringLiteral("Cannot write ") + target);
    return false;
  }
  noSave_ = false;
  return true;
}

int TQvMemo::CaretLine() const { return textCursor().blockNumber(); }

int TQvMemo::CaretColumn() const { return textCursor().positionInBlock(); }

void TQvMemo::PlaceCaret(int line, int column) {
  QTextBlock block = document()->findBlockByNumber(std::clamp(line, 0, document()->blockCount() - 1));
  QTextCursor cursor(block);
  cursor.setPosition(block.position() + std::clamp(column, 0, block.length() - 1));
  setTextCursor(cursor);
  ensureCursorVisible();
}

void TQvMemo::ClearText() { clear(); }

bool TQvMemo::IsNeutralKey(int key) {
  if (key >= Qt::Key_F1 && key <= Qt::Key_F12) return true;
  switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_CapsLock:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_End:
    case Qt::Key_Meta:  // the Windows key
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Menu:  // the application key
    case Qt::Key_unknown:
      return true;
    default:
      return false;
  }
}

void TQvMemo::keyPressEvent(QKeyEvent* event) {
  if (!IsNeutralKey(event->key())) noSave_ = true;
  QPlainTextEdit::keyPressEvent(event);
}

bool TQvMemo::WordWrap() const { return lineWrapMode() != QPlainTextEdit::NoWrap; }

void TQvMemo::SetWordWrap(bool on) {
  setLineWrapMode(on ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
}

QMenu* TQvMemo::CreatePopupMenu() {
  QMenu* menu = createStandardContextMenu();
  menu->addSeparator();
  QAction* clearItem = menu->addAction(QStringLiteral("清空(&C)"));
  clearItem->setObjectName(QStringLiteral("mnu_clear"));
  connect(clearItem, &QAction::triggered, this, &TQvMemo::ClearText);
  QAction* wrapItem = menu->addAction(QStringLiteral("自动换行(&W)"));
  wrapItem->setObjectName(QStringLiteral("mnu_wordwrap"));
  wrapItem->setCheckable(true);
  wrapItem->setChecked(WordWrap());
  connect(wrapItem, &QAction::triggered, this, [this] { SetWordWrap(!WordWrap()); });
  return menu;
}

void TQvMemo::contextMenuEvent(QContextMenuEvent* event) {
  QMenu* menu = CreatePopupMenu();
  menu->setAttribute(Qt::WA_DeleteOnClose);
  menu->popup(event->globalPos());
}

}  // namespace qv::shell
