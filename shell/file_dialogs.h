// The editor's file choosing: filters written in the "description|pattern"
// form that scripts and the editor use, shown in Qt's file dialogs.
#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace qv::shell {

// "Quorvint File(*.qvs)|*.qvs|All File(*.*)|*.*" to Qt's
// "Quorvint File (*.qvs);;All File (*)". "*.*" means every file, also one
// without a dot, as it does on the platform the form comes from.
QString QtFilter(const QString& pipeFilter);

// The open dialog: the chosen full names (several when `multiple`), or one
// empty text when the user cancels.
QStringList ChooseFiles(QWidget* parent, const QString& initialFolder, const QString& pipeFilter,
                        bool multiple);

// The save dialog: the chosen name, or empty text when cancelled.
QString ChooseSaveName(QWidget* parent, const QString& initialFolder, const QString& pipeFilter);

}  // namespace qv::shell
