// Lines the window adds to the log beside the script's own: diagnostics
// (errors and warnings with their place) and the line that opens a run.
// They travel in the log queue with the script's lines, so the order
// holds, tagged by a private-use character that the log widget strips
// before it shows them in their own colour. They do not count towards the
// log's 10,000 lines.
#pragma once

#include <QColor>
#include <QString>

namespace qv::shell {

enum class LineMark { None, Error, Warning, Separator };

// `text` tagged with `mark`.
QString MarkLine(LineMark mark, const QString& text);
// The mark of a queued line; `visible` gets the text to show.
LineMark MarkOf(const QString& queued, QString* visible);
QColor MarkColour(LineMark mark);

}  // namespace qv::shell
