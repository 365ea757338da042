#include "shell/file_dialogs.h"

#include <QFileDialog>
#include <QRegularExpression>

namespace qv::shell {

QString QtFilter(const QString& pipeFilter) {
  const QStringList parts = pipeFilter.split(u'|');
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString description = parts[i].trimmed();
    // The description often repeats the pattern in parentheses; Qt reads
    // the patterns from there, so it is replaced by the real one.
    description.remove(QRegularExpression(QStringLiteral("\\s*\\([^()]*\\)\\s*$")));
    QStringList patterns = parts[i + 1].split(u';', Qt::SkipEmptyParts);
    for (QString& p : patterns) {
      p = p.trimmed();
      if (p == QLatin1String("*.*")) p = QStringLiteral("*");
    }
    filters << description + QStringLiteral(" (") + patterns.join(u' ') + u')';
  }
  return filters.join(QStringLiteral(";;"));
}

QStringList ChooseFiles(QWidget* parent, const QString& initialFolder, const QString& pipeFilter,
                        bool multiple) {
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
