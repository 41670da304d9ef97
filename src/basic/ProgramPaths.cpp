#include "basic/ProgramPaths.h"

#include <QDir>
#include <QFileInfo>

#include <stdexcept>

namespace vrl {

QString programFolder()
{
    const QString configured = qEnvironmentVariable("VORLAN_HOME");
    if (!configured.isEmpty())
        return QDir::cleanPath(configured);
    return QDir::home().filePath(QStringLiteral("VOR_LAN"));
}

QString historyFolder()
{
    return QDir(programFolder()).filePath(QStringLiteral("VRLHistory"));
}

QString helpFile()
{
    return QDir(programFolder()).filePath(QStringLiteral("VRLHelp/VORLAN.htm"));
}

QString exportStartFolder()
{
    return QDir::tempPath();
}

void ensureFolder(const QString &path)
{
    if (QFileInfo(path).isDir())
        return;
    if (!QDir().mkpath(path) || !QFileInfo(path).isDir())
        throw std::runtime_error(QStringLiteral("Složku %1 nelze vytvořit.")
                                     .arg(QDir::toNativeSeparators(path))
                                     .toStdString());
}

} // namespace vrl
