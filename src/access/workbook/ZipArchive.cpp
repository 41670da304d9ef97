#include "access/workbook/ZipArchive.h"

#include "access/DataError.h"

#include <QFileInfo>

#include <zip.h>

#include <vector>

namespace vrl::workbook {

namespace {

[[noreturn]] void damaged(const QString &path, const QString &why)
{
    throw DataError(
        QStringLiteral("Sešit %1 je poškozen: %2").arg(QFileInfo(path).fileName(), why));
}

} // namespace

ZipArchive::ZipArchive(const QString &path)
    : m_path(path)
{
    int error = 0;
    m_zip = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &error);
    if (!m_zip) {
        zip_error_t details;
        zip_error_init_with_code(&details, error);
        const QString why = QString::fromLocal8Bit(zip_error_strerror(&details));
        zip_error_fini(&details);
        damaged(path, why);
    }
}

ZipArchive::~ZipArchive()
{
    if (m_zip)
        zip_discard(m_zip);
}

bool ZipArchive::contains(const QString &entry) const
{
    return zip_name_locate(m_zip, entry.toUtf8().constData(), 0) >= 0;
}

void ZipArchive::stream(const QString &entry,
                        const std::function<void(const char *, qsizetype)> &consume) const
{
    zip_file_t *file = zip_fopen(m_zip, entry.toUtf8().constData(), 0);
    if (!file)
        damaged(m_path,
                QStringLiteral("chybí část %1 (%2)")
                    .arg(entry, QString::fromLocal8Bit(zip_strerror(m_zip))));
    std::vector<char> buffer(64 * 1024);
    for (;;) {
        const zip_int64_t got = zip_fread(file, buffer.data(), buffer.size());
        if (got < 0) {
            const QString why = QString::fromLocal8Bit(zip_file_strerror(file));
            zip_fclose(file);
            damaged(m_path, QStringLiteral("část %1 nelze číst (%2)").arg(entry, why));
        }
        if (got == 0)
            break;
        try {
            consume(buffer.data(), qsizetype(got));
        } catch (...) {
            zip_fclose(file);
            throw;
        }
    }
    zip_fclose(file);
}

QByteArray ZipArchive::read(const QString &entry) const
{
    QByteArray whole;
    stream(entry, [&whole](const char *data, qsizetype size) { whole.append(data, size); });
    return whole;
}

} // namespace vrl::workbook
