#pragma once

#include <QByteArray>
#include <QString>

#include <ctime>
#include <functional>

struct zip;
struct zip_error;

namespace vrl::workbook {

// A failure of the system under a file operation, in the user's words (no permission, a full
// disk, ...); empty when the number says nothing more than the operation's own reason.
QString systemFailureReason(int code);

// Why the zip library failed, in Czech: a reason for each failure a user can meet (a folder
// without write permission, a full disk, a file that is no workbook); the library's own
// English text only for a failure this does not name.
QString zipFailureReason(const zip_error *error);

// A zip container opened for reading (libzip). Throws DataError with the file's name.
class ZipArchive
{
public:
    explicit ZipArchive(const QString &path);
    ~ZipArchive();
    ZipArchive(const ZipArchive &) = delete;
    ZipArchive &operator=(const ZipArchive &) = delete;

    // An entry as it lies in the file: its packed bytes, and what a copy of it needs.
    struct Packed
    {
        QByteArray bytes;
        quint16 method = 0;
        quint32 crc = 0;
        quint64 size = 0; // unpacked
        time_t modified = 0;
    };

    bool contains(const QString &entry) const;
    // The whole entry, unpacked; a damaged one throws.
    QByteArray read(const QString &entry) const;
    Packed packed(quint64 index) const;
    quint64 entryCount() const;
    // The unpacked size the file states for an entry, at most what its packed size can
    // hold; 0 for an entry it does not have.
    quint64 entrySize(const QString &entry) const;
    QByteArray entryName(quint64 index) const;
    // Hands an entry to consume in pieces of at most 64 KiB, so that a large sheet is never
    // held whole.
    void stream(const QString &entry,
                const std::function<void(const char *, qsizetype)> &consume) const;
    zip *handle() const { return m_zip; }

private:
    QString m_path;
    zip *m_zip = nullptr;
};

} // namespace vrl::workbook
