#include "access/workbook/XlsxWriter.h"

#include "access/DataError.h"
#include "access/workbook/PackageWriter.h"
#include "access/workbook/PiecePacking.h"
#include "access/workbook/XlsxSheetXml.h"
#include "access/workbook/ZipWriter.h"

#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>

namespace vrl::workbook {

namespace {

constexpr int kMostSheetColumns = 16'384;

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
    const QString temporary = temporaryPathOf(path);
    QFile::remove(temporary);
    try {
        ZipWriter zip(temporary, path, time(nullptr));
        zip.addWhole("[Content_Types].xml", kContentTypes, kSmallEntryLevel);
        zip.addWhole("_rels/.rels", kPackageRelations, kSmallEntryLevel);
        zip.addWhole("xl/workbook.xml", workbookXml(validSheetName(sheet.sheetName, QString())),
                     kSmallEntryLevel);
        zip.addWhole("xl/_rels/workbook.xml.rels", kWorkbookRelations, kSmallEntryLevel);
        zip.addWhole("xl/styles.xml", xml.stylesXml(), kSmallEntryLevel);

        bool headMade = false;
        const auto makeSheet = [&](RawPiece &piece) {
            if (!headMade) {
                piece.owned = xml.head(strings);
                headMade = true;
            }
            const bool more = xml.appendPiece(piece.owned, kPieceBytes, strings);
            if (!more)
                piece.owned += SheetXml::tail();
            piece.progress = xml.rowsWritten();
            return more;
        };
        const auto rowsWritten = [&](int done) {
            if (sheet.progress)
                sheet.progress(done, int(sheet.order.size()));
        };
        writeEntryInPieces(zip, "xl/worksheets/sheet1.xml", makeSheet, rowsWritten);

        // The shared strings are known once the sheet is made: their entries are packed as
        // they lie, between a head that counts them and the closing tag.
        const std::string head = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
                                 "\r\n<sst xmlns=\"http://schemas.openxmlformats.org/"
                                 "spreadsheetml/2006/main\" count=\""
            + std::to_string(strings.references()) + "\" uniqueCount=\""
            + std::to_string(strings.count()) + "\">";
        writeBytesInPieces(zip, "xl/sharedStrings.xml", { head, strings.entries(), "</sst>" });
        zip.finish();
    } catch (...) {
        QFile::remove(temporary);
        throw;
    }
    try {
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
