#include "access/workbook/PackageWriter.h"

#include "access/DataError.h"
#include "access/workbook/PiecePacking.h"
#include "access/workbook/ZipArchive.h"
#include "access/workbook/ZipWriter.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <limits>

namespace vrl::workbook {

namespace {

// A writer's temporary copy lies beside the package: ".~<name>.<process>.tmp".
QString temporaryPrefix(const QFileInfo &package)
{
    return QStringLiteral(".~") + package.fileName() + QLatin1Char('.');
}

const QString kTemporarySuffix = QStringLiteral(".tmp");

} // namespace

void cannotWrite(const QString &path, const QString &why)
{
    throw DataError(
        QStringLiteral("Sešit %1 nelze uložit: %2").arg(QFileInfo(path).fileName(), why));
}

void flushToDisk(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    if (fd < 0)
        cannotWrite(path, QStringLiteral("soubor nelze otevřít"));
    const int synced = ::fsync(fd);
    ::close(fd);
    if (synced != 0)
        cannotWrite(path, QStringLiteral("zápis na disk selhal"));
}

QString temporaryPathOf(const QString &path)
{
    const QFileInfo info(path);
    return QDir(info.absolutePath())
        .filePath(temporaryPrefix(info) + QString::number(QCoreApplication::applicationPid())
                  + kTemporarySuffix);
}

void removeAbandonedTemporaries(const QString &path)
{
    const QFileInfo info(path);
    const QString prefix = temporaryPrefix(info);
    const QString &suffix = kTemporarySuffix;
    QDir folder = info.absoluteDir();
    // A writer on another machine sharing the folder is no process here: its copy stays while
    // it is recent, since a write takes seconds.
    const QDateTime recent = QDateTime::currentDateTimeUtc().addSecs(-10 * 60);
    // No name filter: a workbook's name may hold the filter's wildcard characters.
    const QFileInfoList entries = folder.entryInfoList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo &entry : entries) {
        const QString name = entry.fileName();
        if (!name.startsWith(prefix) || !name.endsWith(suffix))
            continue;
        bool isNumber = false;
        const qint64 process
            = QStringView(name)
                  .sliced(prefix.size(), name.size() - prefix.size() - suffix.size())
                  .toLongLong(&isNumber);
        if (!isNumber || process <= 0 || process > std::numeric_limits<pid_t>::max())
            continue;
        const bool running = ::kill(pid_t(process), 0) == 0 || errno == EPERM;
        if (!running && entry.lastModified().toUTC() < recent)
            folder.remove(name);
    }
}

void rewritePackage(const QString &path, const std::map<QString, QByteArray> &replacements,
                    const QStringList &removals)
{
    const ZipArchive source(path);
    const QFileInfo info(path);
    struct stat old;
    if (::stat(QFile::encodeName(path).constData(), &old) != 0)
        cannotWrite(path, QStringLiteral("soubor nelze najít"));
    const QString temporary = temporaryPathOf(path);
    // The new file is written beside the old one: a folder that takes no new file is named
    // as the reason, before any work is done. Its mode counts for root too, as the file's does.
    struct stat folder;
    const QByteArray folderName = QFile::encodeName(info.absolutePath());
    if (::access(folderName.constData(), W_OK) != 0
        || (::stat(folderName.constData(), &folder) == 0 && (folder.st_mode & 0222) == 0))
        cannotWrite(path, QStringLiteral("složka sešitu není zapisovatelná"));
    QFile::remove(temporary);
    try {
        ZipWriter zip(temporary, path, time(nullptr));
        const quint64 count = source.entryCount();
        for (quint64 i = 0; i < count; ++i) {
            const QByteArray storedName = source.entryName(i);
            const QString name = QString::fromUtf8(storedName);
            if (removals.contains(name))
                continue;
            const auto replaced = replacements.find(name);
            if (replaced == replacements.end()) {
                // An unchanged entry is copied packed, as it lies.
                const ZipArchive::Packed entry = source.packed(i);
                zip.addPacked(storedName.toStdString(),
                              std::string_view(entry.bytes.constData(), size_t(entry.bytes.size())),
                              entry.method, entry.crc, entry.size, entry.modified);
                continue;
            }
            // A large sheet is packed in pieces on two threads at once.
            writeBytesInPieces(zip, storedName.toStdString(),
                               { std::string_view(replaced->second.constData(),
                                                  size_t(replaced->second.size())) });
        }
        zip.finish();
    } catch (...) {
        QFile::remove(temporary);
        throw;
    }
    try {
        flushToDisk(temporary);
        // The new file is the old one to everyone but its content: same mode bits, and the
        // same owner where this process may give it (root may; others keep their own).
        const QByteArray name = QFile::encodeName(temporary);
        if (::chown(name.constData(), old.st_uid, old.st_gid) != 0)
            (void)::chown(name.constData(), uid_t(-1), old.st_gid);
        if (::chmod(name.constData(), old.st_mode & 07777) != 0)
            cannotWrite(path, QStringLiteral("nelze nastavit práva souboru"));
        if (std::rename(QFile::encodeName(temporary).constData(),
                        QFile::encodeName(path).constData())
            != 0)
            cannotWrite(path, QStringLiteral("soubor nelze nahradit"));
        flushToDisk(info.absolutePath());
    } catch (...) {
        QFile::remove(temporary);
        throw;
    }
}

} // namespace vrl::workbook
