#include "access/workbook/XlsxWriter.h"

#include "access/DataError.h"
#include "access/workbook/PackageWriter.h"
#include "access/workbook/XlsxSheetXml.h"
#include "access/workbook/ZipArchive.h"

#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>

namespace vrl::workbook {

namespace {

constexpr int kMostSheetColumns = 16'384;
// The sheet goes to the packer in pieces of about this size, a few of them at most waiting.
constexpr size_t kPieceBytes = 1 << 20;
constexpr size_t kWaitingPieces = 4;

const char kContentTypes[]
    = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
      "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
      "<Default Extension=\"rels\" "
      "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
      "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
      "<Override PartName=\"/xl/workbook.xml\" "
      "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"
      "<Override PartName=\"/xl/worksheets/sheet1.xml\" "
      "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>"
      "<Override PartName=\"/xl/styles.xml\" "
      "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml\"/>"
      "<Override PartName=\"/xl/sharedStrings.xml\" "
      "ContentType=\"application/"
      "vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml\"/></Types>";

const char kPackageRelations[]
    = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
      "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
      "<Relationship Id=\"rId1\" "
      "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
      "officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>";

const char kWorkbookRelations[]
    = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
      "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
      "<Relationship Id=\"rId1\" "
      "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" "
      "Target=\"worksheets/sheet1.xml\"/>"
      "<Relationship Id=\"rId2\" "
      "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles\" "
      "Target=\"styles.xml\"/>"
      "<Relationship Id=\"rId3\" "
      "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
      "sharedStrings\" Target=\"sharedStrings.xml\"/></Relationships>";

std::string workbookXml(const QString &sheetName)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
           "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
           "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
           "<bookViews><workbookView/></bookViews><sheets><sheet name=\""
        + sheetName.toHtmlEscaped().toStdString()
        + "\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>";
}

// The sheet's XML made on a thread of its own while the calling thread packs what is ready:
// the two take about as long, and the machine has a core for each.
class SheetPieces
{
public:
    SheetPieces(const SheetExport &sheet, SheetXml &xml, SharedStrings &strings)
        : m_sheet(sheet)
        , m_xml(xml)
        , m_strings(strings)
    { }
    ~SheetPieces() { stop(); }

    void start()
    {
        m_thread = std::thread([this] { produce(); });
    }
    // Waits for the maker to end; a failure of its own is thrown.
    void finish()
    {
        if (m_thread.joinable())
            m_thread.join();
        if (m_failure)
            std::rethrow_exception(m_failure);
    }
    // Ends the maker early (the packing failed).
    void stop()
    {
        {
            std::lock_guard lock(m_mutex);
            m_stopped = true;
        }
        m_changed.notify_all();
        if (m_thread.joinable())
            m_thread.join();
    }

    // libzip's reading of the sheet entry.
    zip_int64_t read(void *data, zip_uint64_t length)
    {
        char *into = static_cast<char *>(data);
        zip_uint64_t given = 0;
        while (given < length) {
            if (m_offset == m_current.size()) {
                if (!nextPiece())
                    break;
                continue;
            }
            const size_t part = std::min(size_t(length - given), m_current.size() - m_offset);
            std::memcpy(into + given, m_current.data() + m_offset, part);
            m_offset += part;
            given += part;
        }
        return zip_int64_t(given);
    }
    bool failed() const { return bool(m_failure); }

private:
    struct Piece
    {
        std::string bytes;
        int rowsDone = 0;
    };

    void produce()
    {
        try {
            bool more = true;
            std::string bytes = m_xml.head(m_strings);
            while (more) {
                more = m_xml.appendPiece(bytes, kPieceBytes, m_strings);
                if (!more)
                    bytes += SheetXml::tail();
                std::unique_lock lock(m_mutex);
                m_changed.wait(lock, [&] { return m_stopped || m_ready.size() < kWaitingPieces; });
                if (m_stopped)
                    return;
                m_ready.push_back({ std::move(bytes), m_xml.rowsWritten() });
                if (!m_spare.empty()) {
                    bytes = std::move(m_spare.back());
                    m_spare.pop_back();
                }
                bytes.clear();
                bytes.reserve(kPieceBytes + 64 * 1024);
                m_changed.notify_all();
            }
        } catch (...) {
            m_failure = std::current_exception();
        }
        std::lock_guard lock(m_mutex);
        m_done = true;
        m_changed.notify_all();
    }

    // The next piece into m_current; false at the end (or when the maker failed).
    bool nextPiece()
    {
        std::unique_lock lock(m_mutex);
        m_spare.push_back(std::move(m_current));
        m_current.clear();
        m_offset = 0;
        m_changed.notify_all();
        m_changed.wait(lock, [&] { return !m_ready.empty() || m_done; });
        if (m_ready.empty())
            return false;
        m_current = std::move(m_ready.front().bytes);
        const int done = m_ready.front().rowsDone;
        m_ready.pop_front();
        m_changed.notify_all();
        lock.unlock();
        if (m_sheet.progress)
            m_sheet.progress(done, int(m_sheet.order.size()));
        return true;
    }

    const SheetExport &m_sheet;
    SheetXml &m_xml;
    SharedStrings &m_strings;
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Piece> m_ready;
    std::vector<std::string> m_spare;
    bool m_stopped = false;
    bool m_done = false;
    std::exception_ptr m_failure;
    std::string m_current;
    size_t m_offset = 0;
};

// An entry whose bytes are made while the package is written: libzip asks for them in
// zip_close, entry after entry.
struct StreamedEntry
{
    std::function<zip_int64_t(void *, zip_uint64_t)> read;
    std::function<void()> open; // may be empty
    zip_error_t error;
};

zip_int64_t streamEntry(void *state, void *data, zip_uint64_t length, zip_source_cmd_t command)
{
    auto *entry = static_cast<StreamedEntry *>(state);
    switch (command) {
    case ZIP_SOURCE_OPEN:
        try {
            if (entry->open)
                entry->open();
        } catch (...) {
            zip_error_set(&entry->error, ZIP_ER_INTERNAL, 0);
            return -1;
        }
        return 0;
    case ZIP_SOURCE_READ: {
        const zip_int64_t got = entry->read(data, length);
        if (got < 0)
            zip_error_set(&entry->error, ZIP_ER_INTERNAL, 0);
        return got;
    }
    case ZIP_SOURCE_CLOSE:
    case ZIP_SOURCE_FREE:
        return 0;
    case ZIP_SOURCE_STAT: {
        auto *stat = static_cast<zip_stat_t *>(data);
        zip_stat_init(stat);
        stat->mtime = time(nullptr);
        stat->valid |= ZIP_STAT_MTIME;
        return sizeof(zip_stat_t);
    }
    case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&entry->error, data, length);
    case ZIP_SOURCE_SUPPORTS:
        return ZIP_SOURCE_SUPPORTS_READABLE;
    default:
        zip_error_set(&entry->error, ZIP_ER_OPNOTSUPP, 0);
        return -1;
    }
}

// Reads from a string that is complete by the time the entry is opened.
std::function<zip_int64_t(void *, zip_uint64_t)> readerOf(const std::string &bytes, size_t &offset)
{
    return [&bytes, &offset](void *data, zip_uint64_t length) {
        const size_t part = std::min(size_t(length), bytes.size() - offset);
        std::memcpy(data, bytes.data() + offset, part);
        offset += part;
        return zip_int64_t(part);
    };
}

// The folder and target are checked before anything is written: a target that is no plain
// file (a folder, a device) is never replaced.
void requireWritableTarget(const QString &path)
{
    const QFileInfo info(path);
    struct stat target;
    if (::stat(QFile::encodeName(path).constData(), &target) == 0 && !S_ISREG(target.st_mode))
        cannotWrite(path, QStringLiteral("cíl není obyčejný soubor"));
    const QByteArray folderName = QFile::encodeName(info.absolutePath());
    struct stat folder;
    if (::stat(folderName.constData(), &folder) != 0 || !S_ISDIR(folder.st_mode))
        cannotWrite(path, QStringLiteral("složka neexistuje"));
    if (::access(folderName.constData(), W_OK) != 0 || (folder.st_mode & 0222) == 0)
        cannotWrite(path, QStringLiteral("složka není zapisovatelná"));
}

// The mask new files are made with, read without changing it (umask() would, for every
// thread at once).
mode_t fileCreationMask()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith("Umask:")) {
                bool ok = false;
                const uint mask = line.mid(6).trimmed().toUInt(&ok, 8);
                if (ok)
                    return mode_t(mask);
            }
        }
    }
    return 022;
}

} // namespace

QString validSheetName(const QString &wanted, const QString &fallback)
{
    QString name;
    for (const QChar c : wanted) {
        const bool refused = QStringView(u"[]:*?/\\").contains(c) || c.unicode() < 0x20;
        name += refused ? QChar(u'_') : c;
    }
    if (name.size() > 31)
        name.truncate(name[30].isHighSurrogate() ? 30 : 31);
    if (name.startsWith(QLatin1Char('\'')))
        name[0] = QLatin1Char('_');
    if (name.endsWith(QLatin1Char('\'')))
        name[name.size() - 1] = QLatin1Char('_');
    if (name.trimmed().isEmpty())
        return fallback;
    if (name.compare(QLatin1String("History"), Qt::CaseInsensitive) == 0)
        name += QLatin1Char('_'); // the spreadsheet program keeps that name for itself
    return name;
}

SheetExportOutcome writeSheetWorkbook(const QString &requested, const SheetExport &sheet)
{
    if (sheet.order.size() > size_t(kMostSheetRecords))
        throw DataError(QStringLiteral("Výsledek má %1 záznamů, list sešitu pojme nejvýše %2.")
                            .arg(sheet.order.size())
                            .arg(kMostSheetRecords));
    if (sheet.rows->fieldCount() > kMostSheetColumns)
        throw DataError(QStringLiteral("Výsledek má %1 polí, list sešitu pojme nejvýše %2.")
                            .arg(sheet.rows->fieldCount())
                            .arg(kMostSheetColumns));
    // A link is followed: the file it points at gets the workbook, the link stays.
    const QString canonical = QFileInfo(requested).canonicalFilePath();
    const QString path = canonical.isEmpty() ? requested : canonical;
    requireWritableTarget(path);

    SheetXml xml(*sheet.rows, sheet.order);
    SharedStrings strings;
    SheetPieces pieces(sheet, xml, strings);
    const std::string workbook = workbookXml(validSheetName(sheet.sheetName, QString()));
    const std::string styles = xml.stylesXml();
    std::string sharedStrings;

    const QString temporary = temporaryPathOf(path);
    QFile::remove(temporary);
    int error = 0;
    zip_t *target
        = zip_open(QFile::encodeName(temporary).constData(), ZIP_CREATE | ZIP_EXCL, &error);
    if (!target) {
        zip_error_t details;
        zip_error_init_with_code(&details, error);
        const QString why = zipFailureReason(&details);
        zip_error_fini(&details);
        cannotWrite(path, why);
    }
    const auto fail = [&](const QString &why) {
        pieces.stop();
        zip_discard(target);
        QFile::remove(temporary);
        cannotWrite(path, why);
    };
    const time_t now = time(nullptr);
    const auto addEntry = [&](const char *name, zip_source_t *data) {
        if (!data)
            fail(zipFailureReason(zip_get_error(target)));
        const zip_int64_t index = zip_file_add(target, name, data, ZIP_FL_ENC_UTF_8);
        if (index < 0) {
            zip_source_free(data);
            fail(zipFailureReason(zip_get_error(target)));
        }
        // The fastest level: the sheet of a large result takes as long to pack as to make at
        // level 1 already; the spreadsheet program packs it tighter at its next save.
        zip_set_file_compression(target, zip_uint64_t(index), ZIP_CM_DEFLATE, 1);
        zip_file_set_mtime(target, zip_uint64_t(index), now, 0);
    };
    const auto addBytes = [&](const char *name, const char *bytes, size_t size) {
        addEntry(name, zip_source_buffer(target, bytes, size, 0));
    };
    addBytes("[Content_Types].xml", kContentTypes, sizeof kContentTypes - 1);
    addBytes("_rels/.rels", kPackageRelations, sizeof kPackageRelations - 1);
    addBytes("xl/workbook.xml", workbook.data(), workbook.size());
    addBytes("xl/_rels/workbook.xml.rels", kWorkbookRelations, sizeof kWorkbookRelations - 1);
    addBytes("xl/styles.xml", styles.data(), styles.size());

    StreamedEntry sheetEntry {
        [&](void *data, zip_uint64_t length) { return pieces.read(data, length); }, {}, {}
    };
    zip_error_init(&sheetEntry.error);
    addEntry("xl/worksheets/sheet1.xml", zip_source_function(target, streamEntry, &sheetEntry));
    // The shared strings are known once the sheet is made; libzip opens this entry after it
    // has read the sheet's to the end.
    size_t stringsOffset = 0;
    StreamedEntry stringsEntry { readerOf(sharedStrings, stringsOffset),
                                 [&] {
                                     pieces.finish();
                                     sharedStrings
                                         = "<?xml version=\"1.0\" encoding=\"UTF-8\" "
                                           "standalone=\"yes\"?>\r\n<sst xmlns=\"http://"
                                           "schemas.openxmlformats.org/spreadsheetml/2006/"
                                           "main\" count=\""
                                         + std::to_string(strings.references())
                                         + "\" uniqueCount=\"" + std::to_string(strings.count())
                                         + "\">" + strings.entries() + "</sst>";
                                 },
                                 {} };
    zip_error_init(&stringsEntry.error);
    addEntry("xl/sharedStrings.xml", zip_source_function(target, streamEntry, &stringsEntry));

    pieces.start();
    if (zip_close(target) != 0) {
        const QString why = zipFailureReason(zip_get_error(target));
        pieces.stop();
        zip_discard(target);
        QFile::remove(temporary);
        try {
            pieces.finish(); // the maker's own failure, when it had one, says more
        } catch (const DataError &) {
            throw;
        } catch (const std::exception &failure) {
            cannotWrite(path, QString::fromLocal8Bit(failure.what()));
        }
        cannotWrite(path, why);
    }
    try {
        pieces.finish();
        flushToDisk(temporary);
        // A replaced file keeps its mode; a new one gets the mode files are made with.
        struct stat old;
        const QByteArray name = QFile::encodeName(temporary);
        if (::stat(QFile::encodeName(path).constData(), &old) == 0) {
            if (::chmod(name.constData(), old.st_mode & 07777) != 0)
                cannotWrite(path, QStringLiteral("nelze nastavit práva souboru"));
        } else {
            if (::chmod(name.constData(), 0666 & ~fileCreationMask()) != 0)
                cannotWrite(path, QStringLiteral("nelze nastavit práva souboru"));
        }
        if (std::rename(name.constData(), QFile::encodeName(path).constData()) != 0)
            cannotWrite(path, QStringLiteral("soubor nelze nahradit"));
        flushToDisk(QFileInfo(path).absolutePath());
    } catch (...) {
        QFile::remove(temporary);
        throw;
    }
    return { xml.shortened() };
}

} // namespace vrl::workbook
