#include "basic/ProgramPaths.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <optional>
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

namespace {

// Beside a help page the program copied: the checksum of what it wrote and the time of the
// packaged page it came from. A page whose checksum still matches is the program's own.
QString helpMarkFile()
{
    const QFileInfo page(helpFile());
    return page.dir().filePath(QLatin1Char('.') + page.fileName() + QStringLiteral(".packaged"));
}

QByteArray checksumOf(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

std::optional<QByteArray> contentOf(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

bool writeWhole(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

// Writes the packaged page over helpFile() and marks it as the program's own.
bool copyPackagedHelp(const QString &packaged)
{
    const std::optional<QByteArray> page = contentOf(packaged);
    if (!page)
        return false;
    const QString target = helpFile();
    try {
        ensureFolder(QFileInfo(target).absolutePath());
    } catch (const std::runtime_error &) {
        return false; // the help is then looked for elsewhere, and its absence said
    }
    const qint64 packagedTime = QFileInfo(packaged).lastModified().toMSecsSinceEpoch();
    return writeWhole(target, *page)
        && writeWhole(helpMarkFile(),
                      checksumOf(*page) + '\n' + QByteArray::number(packagedTime) + '\n');
}

} // namespace

bool installPackagedHelp(const QString &packaged)
{
    if (QFileInfo(helpFile()).isFile())
        return true;
    return QFileInfo(packaged).isFile() && copyPackagedHelp(packaged);
}

bool updatePackagedHelp(const QString &packaged)
{
    const QFileInfo source(packaged);
    if (!source.isFile())
        return false;
    const std::optional<QByteArray> mark = contentOf(helpMarkFile());
    const std::optional<QByteArray> page = contentOf(helpFile());
    if (!mark || !page)
        return false;
    const QList<QByteArray> lines = mark->split('\n');
    if (lines.size() < 2 || lines[0] != checksumOf(*page))
        return false; // the user's own page, or one the user changed
    bool known = false;
    const qint64 copiedTime = lines[1].toLongLong(&known);
    if (known && source.lastModified().toMSecsSinceEpoch() <= copiedTime)
        return false;
    return copyPackagedHelp(packaged);
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
