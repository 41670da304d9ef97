#include "basic/ConnectionLabel.h"

#include <QFileInfo>

namespace vrl {

QString workbookLabel(const QString &path)
{
    QString drive;
    if (path.size() >= 2 && path[1] == QLatin1Char(':'))
        drive = path.left(2);
    else if (path.startsWith(QLatin1String("\\\\")))
        drive = path.section(QLatin1Char('\\'), 0, 3);
    return drive + QStringLiteral("\\\\..\\") + QFileInfo(path).fileName();
}

} // namespace vrl
