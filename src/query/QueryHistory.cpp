#include "query/QueryHistory.h"

#include "basic/AnsiText.h"
#include "basic/ProgramPaths.h"

#include <QDir>
#include <QFileInfo>

namespace vrl {

QString historyFilePath(const QString &presetText)
{
    return QDir(historyFolder()).filePath(presetText + QStringLiteral(".vrh"));
}

QStringList historyRecord(const QString &tableName, const QString &dateStamp,
                          const QStringList &editorLines)
{
    QStringList record { QStringLiteral("#_") + tableName + QLatin1Char('_') + dateStamp };
    for (const QString &line : editorLines) {
        if (!line.isEmpty())
            record << line;
    }
    record << QStringLiteral("*");
    return record;
}

qsizetype appendHistoryRecord(const QString &path, const QStringList &record)
{
    if (!QFileInfo::exists(path))
        ensureFolder(QFileInfo(path).absolutePath());
    AnsiTextWriter file(path, AnsiTextWriter::Mode::Append);
    for (const QString &line : record)
        file.writeLine(line);
    file.close();
    return file.replacedCount();
}

} // namespace vrl
