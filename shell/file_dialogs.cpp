#include "shell/file_dialogs.h"

#include <QFileDialog>

#include "shell/gui_bridge.h"

namespace qv::shell {

QString QtFilter(const QString& pipeFilter) { return GuiBridge::QtFilter(pipeFilter.toStdU16String()); }

QStringList ChooseFiles(QWidget* parent, const QString& initialFolder, const QString& pipeFilter, bool multiple) {
  const QString filter = pipeFilter.isEmpty() ? QString() : QtFilter(pipeFilter);
  QStringList chosen;
  if (multiple) {
    chosen = QFileDialog::getOpenFileNames(parent, QString(), initialFolder, filter);
  } else {
    QString one = QFileDialog::getOpenFileName(parent, QString(), initialFolder, filter);
    if (!one.isEmpty()) chosen << one;
  }
  if (chosen.isEmpty()) chosen << QString();
  return chosen;
}

QString ChooseSaveName(QWidget* parent, const QString& initialFolder, const QString& pipeFilter) {
  return QFileDialog::getSaveFileName(parent, QString(), initialFolder, QtFilter(pipeFilter));
}

}  // namespace qv::shell
