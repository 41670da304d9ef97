#include "access/workbook/XlsxReader.h"

#include "access/DataError.h"
#include "access/ResultMemory.h"
#include "access/workbook/XlsxSheetCells.h"
#include "access/workbook/XmlQuickReader.h"
#include "access/workbook/XmlStream.h"
#include "access/workbook/ZipArchive.h"

#include <QDateTime>
#include <QFileInfo>
#include <QHash>

#include <future>
#include <string>

namespace vrl::workbook {

namespace {

struct SheetEntry
{
    QString name;
    QString relationId;
    int sheetId;
};

// The relationships of one part: id -> (target part, type).
QHash<QString, std::pair<QString, QString>>
readRelations(const ZipArchive &archive, const QString &part, const QString &fileName)
{
    const qsizetype slash = part.lastIndexOf(QLatin1Char('/'));
    const QString rels = part.left(slash + 1) + QStringLiteral("_rels/") + part.mid(slash + 1)
        + QStringLiteral(".rels");
    QHash<QString, std::pair<QString, QString>> relations;
    if (!archive.contains(rels))
        return relations;
    XmlHandlers handlers;
    handlers.start = [&](const char *name, const XmlAttributes &attributes) {
        if (std::strcmp(name, "Relationship") == 0)
            relations.insert(
                attributes.text("Id"),
                { resolvePart(part, attributes.text("Target")), attributes.text("Type") });
    };
    parseXml(archive, rels, handlers, fileName);
    return relations;
}

// Which cell styles show numbers as dates, by style index.
std::vector<bool> readDateStyles(const ZipArchive &archive, const QString &part,
                                 const QString &fileName)
{
    std::vector<bool> dateStyles;
    if (part.isEmpty() || !archive.contains(part))
        return dateStyles;
    QHash<int, QString> customFormats;
    bool inCellXfs = false;
    XmlHandlers handlers;
    handlers.start = [&](const char *name, const XmlAttributes &attributes) {
        if (std::strcmp(name, "numFmt") == 0) {
            customFormats.insert(attributes.text("numFmtId").toInt(),
                                 attributes.text("formatCode"));
        } else if (std::strcmp(name, "cellXfs") == 0) {
            inCellXfs = true;
        } else if (inCellXfs && std::strcmp(name, "xf") == 0) {
            const int id = attributes.text("numFmtId").toInt();
            dateStyles.push_back(isDateFormat(id, customFormats.value(id)));
        }
    };
    handlers.end = [&](const char *name) {
        if (std::strcmp(name, "cellXfs") == 0)
            inCellXfs = false;
    };
    parseXml(archive, part, handlers, fileName);
    return dateStyles;
}

// The text of <si> entries: the <t> of plain and rich runs, without phonetic runs.
void readSharedStrings(const ZipArchive &archive, const QString &part, const QString &fileName,
                       QStringList &texts)
{
    if (part.isEmpty() || !archive.contains(part))
        return;
    std::string text;
    bool collecting = false;
    int phonetic = 0;
    XmlHandlers handlers;
    handlers.start = [&](const char *name, const XmlAttributes &) {
        if (std::strcmp(name, "si") == 0)
            text.clear();
        else if (std::strcmp(name, "rPh") == 0)
            ++phonetic;
        else if (std::strcmp(name, "t") == 0)
            collecting = phonetic == 0;
    };
    handlers.end = [&](const char *name) {
        if (std::strcmp(name, "si") == 0)
            texts << unescapeOoxml(QString::fromUtf8(text.data(), qsizetype(text.size())));
        else if (std::strcmp(name, "rPh") == 0)
            --phonetic;
        else if (std::strcmp(name, "t") == 0)
            collecting = false;
    };
    handlers.text = [&](const char *chars, int length) {
        if (collecting)
            text.append(chars, size_t(length));
    };
    // The strings are read by the quick reader where they hold only what it knows; otherwise
    // (or after a fault, which expat names) by expat, from the first string again.
    const QByteArray xml = archive.read(part);
    const std::string_view bytes(xml.constData(), size_t(xml.size()));
    const qsizetype before = texts.size();
    if (readXmlQuickly(bytes, "sst", handlers))
        return;
    texts.resize(before);
    text.clear();
    collecting = false;
    phonetic = 0;
    parseXml(bytes, part, handlers, fileName);
}

} // namespace

QString resolvePart(const QString &fromPart, const QString &target)
{
    QString path = target.startsWith(QLatin1Char('/'))
        ? target.mid(1)
        : fromPart.left(fromPart.lastIndexOf(QLatin1Char('/')) + 1) + target;
    QStringList parts;
    for (const QString &piece : path.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (piece == QLatin1String(".."))
            parts.isEmpty() ? void() : parts.removeLast();
        else if (piece != QLatin1String("."))
            parts << piece;
    }
    return parts.join(QLatin1Char('/'));
}

QString unescapeOoxml(const QString &text)
{
    if (!text.contains(QLatin1String("_x")))
        return text;
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('_') && i + 6 < text.size() && text[i + 1] == QLatin1Char('x')
            && text[i + 6] == QLatin1Char('_')) {
            bool ok = false;
            const uint code = text.mid(i + 2, 4).toUInt(&ok, 16);
            if (ok) {
                result += QChar(char16_t(code));
                i += 6;
                continue;
            }
        }
        result += text[i];
    }
    return result;
}

QString workbookEntry(const ZipArchive &archive, const QString &fileName)
{
    const auto relations = readRelations(archive, QStringLiteral(""), fileName);
    for (const auto &[target, type] : relations) {
        if (type.endsWith(QLatin1String("/officeDocument")))
            return target;
    }
    return QStringLiteral("xl/workbook.xml");
}

WorkbookData readXlsx(const QString &path)
{
    const QString fileName = QFileInfo(path).fileName();
    ZipArchive archive(path);
    const QString workbookPart = workbookEntry(archive, fileName);
    if (!archive.contains(workbookPart))
        throw DataError(QStringLiteral("Soubor %1 není sešit aplikace Excel: chybí v něm %2.")
                            .arg(fileName, workbookPart));

    WorkbookData book;
    book.path = path;
    book.xlsx = true;
    book.workbookPart = workbookPart;
    std::vector<SheetEntry> sheetEntries;
    struct NameEntry
    {
        QString name;
        QString formula;
        bool skip;
    };
    std::vector<NameEntry> names;
    bool inName = false;
    XmlHandlers handlers;
    handlers.start = [&](const char *name, const XmlAttributes &attributes) {
        if (std::strcmp(name, "workbookPr") == 0) {
            const QString flag = attributes.text("date1904");
            book.date1904 = flag == QLatin1String("1") || flag == QLatin1String("true");
        } else if (std::strcmp(name, "sheet") == 0) {
            sheetEntries.push_back({ attributes.text("name"), attributes.text("id"),
                                     attributes.text("sheetId").toInt() });
        } else if (std::strcmp(name, "definedName") == 0) {
            const QString defined = attributes.text("name");
            names.push_back(
                { defined, QString(),
                  attributes.value("localSheetId") != nullptr
                      || defined.startsWith(QLatin1String("_xlnm."), Qt::CaseInsensitive) });
            inName = true;
        }
    };
    handlers.end = [&](const char *name) {
        if (std::strcmp(name, "definedName") == 0)
            inName = false;
    };
    handlers.text = [&](const char *chars, int length) {
        if (inName)
            names.back().formula += QString::fromUtf8(chars, length);
    };
    parseXml(archive, workbookPart, handlers, fileName);

    const auto relations = readRelations(archive, workbookPart, fileName);
    QString stylesPart, stringsPart;
    for (const auto &[target, type] : relations) {
        if (type.endsWith(QLatin1String("/styles")))
            stylesPart = target;
        else if (type.endsWith(QLatin1String("/sharedStrings")))
            stringsPart = target;
    }
    const std::vector<bool> dateStyles = readDateStyles(archive, stylesPart, fileName);
    // The shared strings are read on a thread of their own (from an archive opened again: one
    // is not to be read from two threads) while the sheets are read here; a workbook of many
    // different texts spends much of its reading on them.
    std::future<QStringList> sharedTexts
        = std::async(std::launch::async, [&path, &stringsPart, &fileName] {
              QStringList texts;
              if (!stringsPart.isEmpty()) {
                  const ZipArchive own(path);
                  readSharedStrings(own, stringsPart, fileName, texts);
              }
              return texts;
          });

    QHash<QString, int> sheetOfPart; // each part is read once, however many entries name it
    for (const SheetEntry &entry : sheetEntries) {
        const auto relation = relations.constFind(entry.relationId);
        // Chart sheets and dialog sheets hold no table.
        if (relation == relations.constEnd()
            || !relation->second.endsWith(QLatin1String("/worksheet")))
            continue;
        const int index = int(book.sheets.size());
        Sheet &sheet = book.sheets.emplace_back();
        sheet.name = entry.name;
        sheet.part = relation->first;
        sheet.sheetId = entry.sheetId;
        if (const auto read = sheetOfPart.constFind(sheet.part); read != sheetOfPart.constEnd()) {
            sheet.sharesCellsOf = *read;
            continue;
        }
        sheetOfPart.insert(sheet.part, index);
        // Room for the cells at once, in large pages: growing to a million cells copied and
        // faulted in 64 MB (a fifth of the open). No cell takes fewer than 15 bytes of XML;
        // beyond 8 million cells (or a size a damaged file states) the room grows as needed.
        constexpr quint64 kMostReserved = 8'000'000;
        const size_t mostCells
            = size_t(std::min(archive.entrySize(relation->first) / 15, kMostReserved));
        sheet.cells.reserve(mostCells);
        preferLargePages(sheet.cells.data(), sheet.cells.capacity() * sizeof(CellRecord));
        readSheetCells(archive, relation->first, book, sheet, dateStyles, fileName);
    }
    joinSharedTexts(book, sharedTexts.get());

    for (const NameEntry &name : names) {
        QString sheetName;
        DefinedRange range;
        if (name.skip || !parseNameFormula(name.formula, sheetName, range))
            continue;
        for (size_t s = 0; s < book.sheets.size(); ++s) {
            if (book.sheets[s].name.compare(sheetName, Qt::CaseInsensitive) == 0) {
                range.name = name.name;
                range.sheet = int(s);
                book.ranges.push_back(range);
                break;
            }
        }
    }
    return book;
}

} // namespace vrl::workbook
