#include "access/workbook/PackageWriter.h"

#include "access/DataError.h"
#include "access/workbook/ZipArchive.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

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
    int error = 0;
    zip_t *target
        = zip_open(QFile::encodeName(temporary).constData(), ZIP_CREATE | ZIP_EXCL, &error);
    if (!target)
        cannotWrite(path, QStringLiteral("dočasný soubor nelze vytvořit"));
    const auto fail = [&](const QString &why) {
        const QString details = zipFailureReason(zip_get_error(target));
        zip_discard(target);
        QFile::remove(temporary);
        cannotWrite(path, why + QStringLiteral(" (") + details + QLatin1Char(')'));
    };
    const zip_int64_t count = zip_get_num_entries(source.handle(), 0);
    const time_t now = time(nullptr);
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t stat;
        zip_stat_init(&stat);
        if (zip_stat_index(source.handle(), zip_uint64_t(i), 0, &stat) != 0)
            fail(QStringLiteral("obsah nelze číst"));
        const QString name = QString::fromUtf8(stat.name);
        if (removals.contains(name))
            continue;
        const auto replaced = replacements.find(name);
        zip_source_t *data;
        if (replaced != replacements.end()) {
            data = zip_source_buffer(target, replaced->second.constData(),
                                     zip_uint64_t(replaced->second.size()), 0);
        } else {
            data = zip_source_zip(target, source.handle(), zip_uint64_t(i), ZIP_FL_COMPRESSED, 0,
                                  -1);
        }
        if (!data)
            fail(QStringLiteral("obsah nelze připravit"));
        const zip_int64_t index = zip_file_add(target, stat.name, data, ZIP_FL_ENC_UTF_8);
        if (index < 0) {
            zip_source_free(data);
            fail(QStringLiteral("obsah nelze zapsat"));
        }
        if (replaced != replacements.end()) {
            // The fastest level: a changed sheet of 100,000 rows took 1.6 s of processor time
            // at level 6 and 0.57 s at level 1, for a file a fifth larger; the spreadsheet
            // program packs it tighter at its next save.
            zip_set_file_compression(target, zip_uint64_t(index), ZIP_CM_DEFLATE, 1);
            zip_file_set_mtime(target, zip_uint64_t(index), now, 0);
        } else if (stat.valid & ZIP_STAT_MTIME) {
            zip_file_set_mtime(target, zip_uint64_t(index), stat.mtime, 0);
        }
    }
    if (zip_close(target) != 0)
        fail(QStringLiteral("dočasný soubor nelze dopsat"));
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
