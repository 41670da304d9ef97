#include "basic/ProgramPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
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

QString packagedHelpFile()
{
    return QDir(QCoreApplication::applicationDirPath())
        .filePath(QStringLiteral("../share/vorlan/help/VORLAN.htm"));
}

bool installPackagedHelp(const QString &packaged)
{
    const QString target = helpFile();
    if (QFileInfo(target).isFile())
        return true;
    if (!QFileInfo(packaged).isFile())
        return false;
    try {
        ensureFolder(QFileInfo(target).absolutePath());
    } catch (const std::runtime_error &) {
        return false; // the help is then looked for elsewhere, and its absence said
    }
    return QFile::copy(packaged, target);
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
