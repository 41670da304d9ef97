#include "access/workbook/ZipWriter.h"

#include "access/workbook/PackageWriter.h"
#include "access/workbook/ZipArchive.h"

#include <QFile>

#include <fcntl.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <new>

namespace vrl::workbook {

namespace {

constexpr quint32 kLocalHeader = 0x04034b50;
constexpr quint32 kCentralHeader = 0x02014b50;
constexpr quint32 kEndOfDirectory = 0x06054b50;
constexpr quint32 kZip64EndOfDirectory = 0x06064b50;
constexpr quint32 kZip64Locator = 0x07064b50;
constexpr quint16 kZip64Extra = 0x0001;
constexpr quint64 kSmallMost = 0xFFFFFFFFu; // at or above it a field goes to the zip64 record
constexpr quint16 kMadeOnUnix = 3 << 8;
constexpr size_t kBufferBytes = 1 << 20;

void put16(std::string &out, quint16 value)
{
    out.push_back(char(value & 0xFF));
    out.push_back(char(value >> 8));
}

void put32(std::string &out, quint32 value)
{
    put16(out, quint16(value & 0xFFFF));
    put16(out, quint16(value >> 16));
}

void put64(std::string &out, quint64 value)
{
    put32(out, quint32(value & 0xFFFFFFFFu));
    put32(out, quint32(value >> 32));
}

quint32 small(quint64 value)
{
    return value >= kSmallMost ? quint32(kSmallMost) : quint32(value);
}

// A zip file tells the local time of day in two-second steps, and years from 1980.
void toDosTime(time_t time, quint16 &dosTime, quint16 &dosDate)
{
    struct tm local = {};
    localtime_r(&time, &local);
    const int year = std::max(local.tm_year + 1900, 1980);
    dosTime = quint16((local.tm_hour << 11) | (local.tm_min << 5) | (local.tm_sec / 2));
    dosDate = quint16(((year - 1980) << 9) | ((local.tm_mon + 1) << 5) | local.tm_mday);
}

// Names beyond ASCII are UTF-8, which a flag of the entry says.
quint16 flagsOf(std::string_view name)
{
    const bool ascii
        = std::all_of(name.begin(), name.end(), [](char c) { return (unsigned char)c < 0x80; });
    return ascii ? 0 : 0x0800;
}

// The version a reader needs: 4.5 for zip64 fields, 2.0 for deflate, 6.3 for the methods
// after it, which a copied entry may use.
quint16 versionNeeded(quint16 method, bool zip64)
{
    if (method != 0 && method != 8)
        return 63;
    return zip64 ? 45 : 20;
}

} // namespace

void packPiece(std::string_view raw, bool last, int level, PackedPiece &into)
{
    z_stream stream {};
    // Raw deflate (negative window bits): the zip entry carries no zlib header.
    if (deflateInit2(&stream, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::bad_alloc();
    // The bound of a finished stream, and room for the empty block a flush ends with.
    into.bytes.resize(size_t(deflateBound(&stream, uLong(raw.size()))) + 64);
    // zlib counts in 32 bits: a larger input goes in steps.
    constexpr size_t kMostStep = size_t(1) << 30;
    std::string_view left = raw;
    size_t packed = 0;
    for (;;) {
        if (stream.avail_in == 0 && !left.empty()) {
            const size_t step = std::min(left.size(), kMostStep);
            stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(left.data()));
            stream.avail_in = uInt(step);
            left.remove_prefix(step);
        }
        if (into.bytes.size() - packed < 64)
            into.bytes.resize(into.bytes.size() * 2);
        const size_t room = std::min(into.bytes.size() - packed, kMostStep);
        stream.next_out = reinterpret_cast<Bytef *>(into.bytes.data() + packed);
        stream.avail_out = uInt(room);
        const int flush = !left.empty() ? Z_NO_FLUSH : last ? Z_FINISH : Z_SYNC_FLUSH;
        const int result = deflate(&stream, flush);
        packed += room - stream.avail_out;
        if (result == Z_STREAM_ERROR) {
            deflateEnd(&stream);
            throw std::bad_alloc();
        }
        if (flush == Z_FINISH && result == Z_STREAM_END)
            break;
        if (flush == Z_SYNC_FLUSH && stream.avail_in == 0 && stream.avail_out != 0)
            break;
    }
    deflateEnd(&stream);
    into.bytes.resize(packed);
    into.crc = quint32(crc32_z(0, reinterpret_cast<const Bytef *>(raw.data()), raw.size()));
    into.rawSize = raw.size();
}

ZipWriter::ZipWriter(const QString &file, const QString &shownPath, time_t modified)
    : m_shownPath(shownPath)
{
    m_fd = ::open(QFile::encodeName(file).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                  0666);
    if (m_fd < 0) {
        const int code = errno;
        if (code == EACCES || code == EPERM || code == EROFS)
            cannotWrite(m_shownPath, QStringLiteral("složka sešitu není zapisovatelná"));
        const QString because = systemFailureReason(code);
        cannotWrite(m_shownPath,
                    QStringLiteral("dočasný soubor nelze vytvořit")
                        + (because.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(because)));
    }
    toDosTime(modified, m_dosTime, m_dosDate);
    m_buffer.reserve(kBufferBytes + 64 * 1024);
}

ZipWriter::~ZipWriter()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

void ZipWriter::failed(int code)
{
    const QString because = systemFailureReason(code);
    cannotWrite(m_shownPath,
                QStringLiteral("zápis souboru selhal")
                    + (because.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(because)));
}

void ZipWriter::writeAt(std::string_view bytes, qint64 at)
{
    while (!bytes.empty()) {
        const ssize_t done = at < 0 ? ::write(m_fd, bytes.data(), bytes.size())
                                    : ::pwrite(m_fd, bytes.data(), bytes.size(), off_t(at));
        if (done < 0) {
            if (errno == EINTR)
                continue;
            failed(errno);
        }
        bytes.remove_prefix(size_t(done));
        if (at >= 0)
            at += done;
    }
}

void ZipWriter::flushBuffer()
{
    writeAt(m_buffer, -1);
    m_buffer.clear();
}

void ZipWriter::put(std::string_view bytes)
{
    m_written += bytes.size();
    if (m_buffer.size() + bytes.size() > kBufferBytes) {
        flushBuffer();
        if (bytes.size() >= kBufferBytes) {
            writeAt(bytes, -1); // a large piece goes straight to the file
            return;
        }
    }
    m_buffer.append(bytes);
}

void ZipWriter::putSharedFields(std::string &out, const Entry &entry, bool zip64)
{
    // The fields that the entry's own header and its record in the directory both carry, in
    // the same order: version needed, flags, method, time, date, CRC.
    put16(out, versionNeeded(entry.method, zip64));
    put16(out, flagsOf(entry.name));
    put16(out, entry.method);
    put16(out, entry.dosTime);
    put16(out, entry.dosDate);
    put32(out, entry.crc);
}

void ZipWriter::writeLocalHeader(const Entry &entry, bool zip64)
{
    std::string header;
    put32(header, kLocalHeader);
    putSharedFields(header, entry, zip64);
    put32(header, zip64 ? quint32(kSmallMost) : quint32(entry.packedSize));
    put32(header, zip64 ? quint32(kSmallMost) : quint32(entry.rawSize));
    put16(header, quint16(entry.name.size()));
    put16(header, zip64 ? 20 : 0);
    header += entry.name;
    if (zip64) {
        put16(header, kZip64Extra);
        put16(header, 16);
        put64(header, entry.rawSize);
        put64(header, entry.packedSize);
    }
    put(header);
}

ZipWriter::Entry ZipWriter::newEntry(std::string_view name) const
{
    Entry entry;
    entry.name = name;
    entry.offset = m_written;
    entry.dosTime = m_dosTime;
    entry.dosDate = m_dosDate;
    return entry;
}

void ZipWriter::addWhole(std::string_view name, std::string_view bytes, int level)
{
    Entry entry = newEntry(name);
    entry.rawSize = bytes.size();
    PackedPiece packed;
    if (level > 0) {
        packPiece(bytes, true, level, packed);
        entry.crc = packed.crc;
        entry.packedSize = packed.bytes.size();
    } else {
        entry.method = 0;
        entry.crc
            = quint32(crc32_z(0, reinterpret_cast<const Bytef *>(bytes.data()), bytes.size()));
        entry.packedSize = bytes.size();
    }
    entry.zip64Header = entry.rawSize >= kSmallMost || entry.packedSize >= kSmallMost;
    writeLocalHeader(entry, entry.zip64Header);
    put(level > 0 ? std::string_view(packed.bytes) : bytes);
    m_entries.push_back(std::move(entry));
}

void ZipWriter::addPacked(std::string_view name, std::string_view packed, quint16 method,
                          quint32 crc, quint64 rawSize, time_t modified)
{
    Entry entry = newEntry(name);
    toDosTime(modified, entry.dosTime, entry.dosDate);
    entry.method = method;
    entry.crc = crc;
    entry.rawSize = rawSize;
    entry.packedSize = packed.size();
    entry.zip64Header = entry.rawSize >= kSmallMost || entry.packedSize >= kSmallMost;
    writeLocalHeader(entry, entry.zip64Header);
    put(packed);
    m_entries.push_back(std::move(entry));
}

void ZipWriter::beginPieces(std::string_view name)
{
    Entry entry = newEntry(name);
    // The sizes are not known yet: the header has room for sizes of any length and is
    // written again once the last piece is in.
    entry.zip64Header = true;
    writeLocalHeader(entry, true);
    m_entries.push_back(std::move(entry));
}

void ZipWriter::addPiece(const PackedPiece &piece)
{
    Entry &entry = m_entries.back();
    entry.crc = quint32(crc32_combine64(entry.crc, piece.crc, z_off64_t(piece.rawSize)));
    entry.rawSize += piece.rawSize;
    entry.packedSize += piece.bytes.size();
    put(piece.bytes);
}

void ZipWriter::endPieces()
{
    const Entry &entry = m_entries.back();
    flushBuffer();
    std::string crc;
    put32(crc, entry.crc);
    writeAt(crc, qint64(entry.offset + 14));
    std::string sizes;
    put64(sizes, entry.rawSize);
    put64(sizes, entry.packedSize);
    writeAt(sizes, qint64(entry.offset + 30 + entry.name.size() + 4));
}

void ZipWriter::writeCentralDirectory()
{
    const quint64 start = m_written;
    std::string directory;
    for (const Entry &entry : m_entries) {
        std::string extra;
        if (entry.rawSize >= kSmallMost)
            put64(extra, entry.rawSize);
        if (entry.packedSize >= kSmallMost)
            put64(extra, entry.packedSize);
        if (entry.offset >= kSmallMost)
            put64(extra, entry.offset);
        const bool zip64 = !extra.empty() || entry.zip64Header;
        put32(directory, kCentralHeader);
        put16(directory, kMadeOnUnix | 63);
        putSharedFields(directory, entry, zip64);
        put32(directory, small(entry.packedSize));
        put32(directory, small(entry.rawSize));
        put16(directory, quint16(entry.name.size()));
        put16(directory, quint16(extra.empty() ? 0 : extra.size() + 4));
        put16(directory, 0); // comment
        put16(directory, 0); // disk
        put16(directory, 0); // internal attributes
        put32(directory, quint32(0100644) << 16); // a plain file, readable by all
        put32(directory, small(entry.offset));
        directory += entry.name;
        if (!extra.empty()) {
            put16(directory, kZip64Extra);
            put16(directory, quint16(extra.size()));
            directory += extra;
        }
    }
    put(directory);
    const quint64 size = m_written - start;
    std::string end;
    if (start >= kSmallMost || size >= kSmallMost || m_entries.size() >= 0xFFFF) {
        const quint64 record = m_written;
        put32(end, kZip64EndOfDirectory);
        put64(end, 44);
        put16(end, kMadeOnUnix | 63);
        put16(end, 45);
        put32(end, 0);
        put32(end, 0);
        put64(end, m_entries.size());
        put64(end, m_entries.size());
        put64(end, size);
        put64(end, start);
        put32(end, kZip64Locator);
        put32(end, 0);
        put64(end, record);
        put32(end, 1);
    }
    put32(end, kEndOfDirectory);
    put16(end, 0);
    put16(end, 0);
    const quint16 count = m_entries.size() >= 0xFFFF ? 0xFFFF : quint16(m_entries.size());
    put16(end, count);
    put16(end, count);
    put32(end, small(size));
    put32(end, small(start));
    put16(end, 0); // comment
    put(end);
}

void ZipWriter::finish()
{
    writeCentralDirectory();
    flushBuffer();
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0)
        failed(errno);
}

} // namespace vrl::workbook
