// The editor's file choosing: filters written in the "description|pattern"
// form that scripts and the editor use, shown in Qt's file dialogs.
#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace qv::shell {

// The "description|pattern" form as Qt's filter text (the bridge's rule,
// shared with selfile).
QString QtFilter(const QString& pipeFilter);

// The open dialog: the chosen full names (several when `multiple`), or one
// empty text when the user cancels.
QStringList ChooseFiles(QWidget* parent, const QString& initialFolder, const QString& pipeFilter, bool multiple);

// The save dialog: the chosen name, or empty text when cancelled.
QString ChooseSaveName(QWidget* parent, const QString& initialFolder, const QString& pipeFilter);

}  // namespace qv::shell
