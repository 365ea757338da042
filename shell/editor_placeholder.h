// A stand-in for the editor panel until the real one lands: the same
// interface over a plain text control, so the window builds and runs.
// Deleted when the editor's branch is merged.
#pragma once

#include <QFileInfo>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QVBoxLayout>
#include <QWidget>

using TQvMemo = QPlainTextEdit;

class EditorPanel : public QWidget {
  Q_OBJECT

 public:
  explicit EditorPanel(QWidget* parent) : QWidget(parent), memo_(new QPlainTextEdit(this)) {
    memo_->setObjectName("QvMemo");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(memo_);
  }

  TQvMemo* Memo() { return memo_; }
  QString FileName() const { return fileName_; }
  bool Modified() const { return memo_->document()->isModified(); }

  // 0-based line and column; out-of-range values are clamped.
  void PlaceCaret(int line, int column) {
    QTextDocument* doc = memo_->document();
    QTextBlock block = doc->findBlockByNumber(std::clamp(line, 0, doc->blockCount() - 1));
    QTextCursor cursor(block);
    cursor.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor,
                        std::clamp(column, 0, static_cast<int>(block.length()) - 1));
    memo_->setTextCursor(cursor);
  }

  // The placeholder cannot save: unsaved text is only asked about.
  bool QuerySave() {
    if (!Modified()) return true;
    auto answer = QMessageBox::question(this, "Save", "Would You Like To Save Script?",
                                        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    return answer != QMessageBox::Cancel;
  }

 signals:
  void runCompiledRequested(QString file);

 private:
  QPlainTextEdit* memo_;
  QString fileName_;
};
