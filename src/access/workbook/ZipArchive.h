#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

struct zip;

namespace vrl::workbook {

// A zip container opened for reading (libzip). Throws DataError with the file's name.
class ZipArchive
{
public:
    explicit ZipArchive(const QString &path);
    ~ZipArchive();
    ZipArchive(const ZipArchive &) = delete;
    ZipArchive &operator=(const ZipArchive &) = delete;

    bool contains(const QString &entry) const;
    QByteArray read(const QString &entry) const;
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
