#pragma once

#include <QString>
#include <QtGlobal>

#include <ctime>
#include <string>
#include <string_view>
#include <vector>

namespace vrl::workbook {

// One piece of an entry that is packed in pieces, each on whichever thread is free: a piece
// is packed on its own (no match reaches back into the piece before it), and every piece but
// the last ends on a byte boundary without a final block, so that the pieces, joined in order,
// are one deflate stream.
struct PackedPiece
{
    std::string bytes;
    quint32 crc = 0; // CRC-32 of the piece's own raw bytes
    quint64 rawSize = 0;
};

// Packs raw into `into` (its buffer is reused). level as zlib's, 1 the fastest.
void packPiece(std::string_view raw, bool last, int level, PackedPiece &into);

// Writes a new zip file entry after entry, each either given whole or as packed pieces, and
// its central directory at the end; zip64 records only where a size or an offset needs them.
// The file is made new (it must not exist). Failures throw DataError naming shownPath, the
// file the user asked for, as cannotWrite does; the file is then left to the caller.
class ZipWriter
{
public:
    ZipWriter(const QString &file, const QString &shownPath, time_t modified);
    ~ZipWriter();
    ZipWriter(const ZipWriter &) = delete;
    ZipWriter &operator=(const ZipWriter &) = delete;

    // An entry whose bytes are at hand, deflated at level (0 stores them).
    void addWhole(std::string_view name, std::string_view bytes, int level);

    // An entry copied from another zip file as it lies there: its packed bytes with their
    // method, the CRC and size of the unpacked ones, its time.
    void addPacked(std::string_view name, std::string_view packed, quint16 method, quint32 crc,
                   quint64 rawSize, time_t modified);

    // An entry given as packed pieces: beginPieces, the pieces in order, endPieces.
    void beginPieces(std::string_view name);
    void addPiece(const PackedPiece &piece);
    void endPieces();

    // Writes the central directory and closes the file (not flushed to disk).
    void finish();

private:
    struct Entry
    {
        std::string name;
        quint16 method = 8;
        quint32 crc = 0;
        quint64 packedSize = 0;
        quint64 rawSize = 0;
        quint64 offset = 0;
        quint16 dosTime = 0;
        quint16 dosDate = 0;
        bool zip64Header = false; // the local header carries zip64 sizes
    };

    Entry newEntry(std::string_view name) const;

    static void putSharedFields(std::string &out, const Entry &entry, bool zip64);
    void writeLocalHeader(const Entry &entry, bool zip64);
    void writeCentralDirectory();
    void put(std::string_view bytes);
    // Writes at the end of the file (at < 0) or over what lies at `at`.
    void writeAt(std::string_view bytes, qint64 at);
    void flushBuffer();
    [[noreturn]] void failed(int code);

    QString m_shownPath;
    int m_fd = -1;
    quint16 m_dosTime = 0;
    quint16 m_dosDate = 0;
    std::string m_buffer;
    quint64 m_written = 0; // bytes handed to the file, the buffer's included
    std::vector<Entry> m_entries;
};

} // namespace vrl::workbook
