#include "access/workbook/ZipArchive.h"

#include "access/DataError.h"
#include "access/ResultMemory.h"

#include <QFileInfo>

#include <libdeflate.h>
#include <zip.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <limits>
#include <new>
#include <vector>

namespace vrl::workbook {

namespace {

// Deflate packs at most 1032 bytes into one: a header stating more is damaged.
constexpr quint64 kMostDeflateRatio = 1032;

[[noreturn]] void damaged(const QString &path, const QString &why)
{
    throw DataError(
        QStringLiteral("Sešit %1 je poškozen: %2").arg(QFileInfo(path).fileName(), why));
}

} // namespace

QString systemFailureReason(int code)
{
    switch (code) {
    case EACCES:
    case EPERM:
        return QStringLiteral("chybí oprávnění");
    case EROFS:
        return QStringLiteral("svazek je jen pro čtení");
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("na disku není místo");
    case ENOENT:
        return QStringLiteral("soubor nebo složka neexistuje");
    default:
        return QString();
    }
}

QString zipFailureReason(const zip_error *error)
{
    const int code = zip_error_code_zip(error);
    const int system
        = zip_error_system_type(error) == ZIP_ET_SYS ? zip_error_code_system(error) : 0;
    const QString because = systemFailureReason(system);
    const auto with = [&](const QString &reason) {
        return because.isEmpty() ? reason
                                 : reason + QStringLiteral(" (") + because + QLatin1Char(')');
    };
    switch (code) {
    case ZIP_ER_TMPOPEN:
        if (system == EACCES || system == EPERM || system == EROFS)
            return QStringLiteral("složka sešitu není zapisovatelná");
        return with(QStringLiteral("dočasný soubor nelze vytvořit"));
    case ZIP_ER_WRITE:
    case ZIP_ER_CLOSE:
        return with(QStringLiteral("zápis souboru selhal"));
    case ZIP_ER_RENAME:
    case ZIP_ER_REMOVE:
        return with(QStringLiteral("soubor nelze nahradit"));
    case ZIP_ER_READ:
    case ZIP_ER_SEEK:
    case ZIP_ER_TELL:
        return with(QStringLiteral("čtení souboru selhalo"));
    case ZIP_ER_OPEN:
        return with(QStringLiteral("soubor nelze otevřít"));
    case ZIP_ER_NOENT:
        return QStringLiteral("soubor neexistuje");
    case ZIP_ER_NOZIP:
        return QStringLiteral("není to sešit (soubor ZIP)");
    case ZIP_ER_INCONS:
    case ZIP_ER_EOF:
        return QStringLiteral("soubor je neúplný nebo porušený");
    case ZIP_ER_CRC:
    case ZIP_ER_ZLIB:
    case ZIP_ER_COMPRESSED_DATA:
        return QStringLiteral("komprimovaná data jsou porušena");
    case ZIP_ER_COMPNOTSUPP:
        return QStringLiteral("nepodporovaný způsob komprese");
    case ZIP_ER_ENCRNOTSUPP:
    case ZIP_ER_NOPASSWD:
    case ZIP_ER_WRONGPASSWD:
        return QStringLiteral("sešit je zašifrován");
    case ZIP_ER_MULTIDISK:
        return QStringLiteral("sešit rozdělený do více souborů nelze číst");
    case ZIP_ER_MEMORY:
        return QStringLiteral("nedostatek paměti");
    default: {
        // zip_error_strerror keeps its text in the error, which is the caller's.
        zip_error_t copy;
        zip_error_init(&copy);
        zip_error_set(&copy, code, zip_error_code_system(error));
        const QString text = QString::fromLocal8Bit(zip_error_strerror(&copy));
        zip_error_fini(&copy);
        return text;
    }
    }
}

ZipArchive::ZipArchive(const QString &path)
    : m_path(path)
{
    int error = 0;
    m_zip = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &error);
    if (!m_zip) {
        zip_error_t details;
        zip_error_init_with_code(&details, error);
        const QString why = zipFailureReason(&details);
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
                    .arg(entry, zipFailureReason(zip_get_error(m_zip))));
    std::vector<char> buffer(64 * 1024);
    for (;;) {
        const zip_int64_t got = zip_fread(file, buffer.data(), buffer.size());
        if (got < 0) {
            const QString why = zipFailureReason(zip_file_get_error(file));
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

quint64 ZipArchive::entryCount() const
{
    return quint64(std::max<zip_int64_t>(zip_get_num_entries(m_zip, 0), 0));
}

quint64 ZipArchive::entrySize(const QString &entry) const
{
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat(m_zip, entry.toUtf8().constData(), 0, &stat) != 0 || !(stat.valid & ZIP_STAT_SIZE))
        return 0;
    if ((stat.valid & ZIP_STAT_COMP_SIZE) && stat.comp_size < stat.size / kMostDeflateRatio)
        return stat.comp_size * kMostDeflateRatio;
    return stat.size;
}

QByteArray ZipArchive::entryName(quint64 index) const
{
    const char *name = zip_get_name(m_zip, index, 0);
    if (!name)
        damaged(m_path, zipFailureReason(zip_get_error(m_zip)));
    return QByteArray(name);
}

ZipArchive::Packed ZipArchive::packed(quint64 index) const
{
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(m_zip, index, 0, &stat) != 0)
        damaged(m_path, zipFailureReason(zip_get_error(m_zip)));
    const zip_uint64_t needed = ZIP_STAT_NAME | ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE
        | ZIP_STAT_COMP_METHOD | ZIP_STAT_CRC | ZIP_STAT_ENCRYPTION_METHOD;
    if ((stat.valid & needed) != needed)
        damaged(m_path, QStringLiteral("soubor je neúplný nebo porušený"));
    if (stat.encryption_method != ZIP_EM_NONE)
        damaged(m_path, QStringLiteral("sešit je zašifrován"));
    Packed entry;
    entry.method = quint16(stat.comp_method);
    entry.crc = stat.crc;
    entry.size = stat.size;
    entry.modified = (stat.valid & ZIP_STAT_MTIME) ? stat.mtime : time(nullptr);
    if (stat.comp_size > quint64(std::numeric_limits<qsizetype>::max()))
        damaged(m_path, QStringLiteral("soubor je neúplný nebo porušený"));
    zip_file_t *file = zip_fopen_index(m_zip, index, ZIP_FL_COMPRESSED);
    if (!file)
        damaged(m_path, zipFailureReason(zip_get_error(m_zip)));
    entry.bytes = QByteArray(qsizetype(stat.comp_size), Qt::Uninitialized);
    const zip_int64_t got = zip_fread(file, entry.bytes.data(), stat.comp_size);
    const QString why = got < 0 ? zipFailureReason(zip_file_get_error(file)) : QString();
    zip_fclose(file);
    if (got < 0)
        damaged(m_path,
                QStringLiteral("část %1 nelze číst (%2)").arg(QString::fromUtf8(stat.name), why));
    if (zip_uint64_t(got) != stat.comp_size)
        damaged(m_path, QStringLiteral("soubor je neúplný nebo porušený"));
    return entry;
}

QByteArray ZipArchive::read(const QString &entry) const
{
    const zip_int64_t index = zip_name_locate(m_zip, entry.toUtf8().constData(), 0);
    zip_stat_t stat;
    zip_stat_init(&stat);
    const bool known = index >= 0 && zip_stat_index(m_zip, zip_uint64_t(index), 0, &stat) == 0
        && (stat.valid & ZIP_STAT_COMP_METHOD) && stat.comp_method == ZIP_CM_DEFLATE;
    if (!known) {
        QByteArray whole;
        stream(entry, [&whole](const char *data, qsizetype size) { whole.append(data, size); });
        return whole;
    }
    // A deflated entry is unpacked in one go, straight into its place.
    const Packed stored = packed(zip_uint64_t(index));
    // A size beyond what the packed bytes can hold is a damaged header, not a reason to ask
    // for the memory.
    if (stored.size / kMostDeflateRatio > quint64(stored.bytes.size()) + 1
        || stored.size > quint64(std::numeric_limits<qsizetype>::max()))
        damaged(m_path, QStringLiteral("komprimovaná data jsou porušena"));
    QByteArray whole(qsizetype(stored.size), Qt::Uninitialized);
    preferLargePages(whole.data(), size_t(whole.size()));
    libdeflate_decompressor *unpacker = libdeflate_alloc_decompressor();
    if (!unpacker)
        throw std::bad_alloc();
    const libdeflate_result result = libdeflate_deflate_decompress(
        unpacker, stored.bytes.constData(), size_t(stored.bytes.size()), whole.data(),
        size_t(whole.size()), nullptr);
    libdeflate_free_decompressor(unpacker);
    if (result != LIBDEFLATE_SUCCESS
        || libdeflate_crc32(0, whole.constData(), size_t(whole.size())) != stored.crc)
        damaged(m_path, QStringLiteral("komprimovaná data jsou porušena"));
    return whole;
}

} // namespace vrl::workbook
