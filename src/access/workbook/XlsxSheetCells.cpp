// The cells of one worksheet part: its rows read by the quick reader, or else its XML by one
// parser, or a large sheet by two at once, each on a half of its rows; and the sheets' own
// texts joined to the shared strings.
#include "access/workbook/XlsxSheetCells.h"

#include "access/DataError.h"
#include "access/ResultMemory.h"
#include "access/workbook/XlsxReader.h"
#include "access/workbook/XmlQuickReader.h"
#include "access/workbook/XmlStream.h"
#include "access/workbook/ZipArchive.h"

#include <QDateTime>

#include <charconv>
#include <cstring>
#include <exception>
#include <string>
#include <thread>

namespace vrl::workbook {

namespace {

// A whole number of an attribute or value; -1 for one that is none or beyond any sheet
// (a damaged file may hold anything there).
qint64 numberIn(const char *text)
{
    qint64 value = -1;
    const char *end = text + std::strlen(text);
    const auto result = std::from_chars(text, end, value);
    if (result.ec != std::errc() || value < 0 || value > (qint64(1) << 31) - 1)
        return -1;
    return value;
}

// A sheet of at least this many cells (as its size tells) is read by two parsers at once.
constexpr size_t kCellsReadInHalves = 200'000;

// A sheet's own text (an inline string, a formula's text, an error) is numbered apart from the
// shared strings while the two are read side by side: the first is -2, the next -3, and so on.
constexpr qint32 ownText(qsizetype index)
{
    return qint32(-2 - index);
}

// The cells of one worksheet part.
class SheetParser
{
public:
    SheetParser(WorkbookData &book, Sheet &sheet, const std::vector<bool> &dateStyles,
                const QString &fileName)
        : m_book(book)
        , m_sheet(sheet)
        , m_dateStyles(dateStyles)
        , m_fileName(fileName)
    { }

    XmlHandlers handlers()
    {
        XmlHandlers h;
        h.start = [this](const char *name, const XmlAttributes &a) {
            start(name, a);
        };
        h.end = [this](const char *name) {
            end(name);
        };
        h.text = [this](const char *chars, int length) {
            if (m_collecting && m_phonetic == 0)
                m_text.append(chars, size_t(length));
        };
        return h;
    }

private:
    // A reference beyond the sheet's limits: no spreadsheet program writes one, and the row
    // arithmetic of reading and writing must never meet it.
    [[noreturn]] void outside(const QString &reference) const
    {
        throw DataError(QStringLiteral("Sešit %1 je poškozen: list %2 odkazuje na %3 mimo "
                                       "rozsah listu (řádky 1 až 1 048 576, sloupce A až XFD).")
                            .arg(m_fileName, m_sheet.name, reference));
    }

    // The elements of a cell are met a million times in a large sheet: their names are told
    // apart by their letters, not by comparing whole strings one after another.
    static bool isName(const char *name, char letter) { return name[0] == letter && !name[1]; }

    void start(const char *name, const XmlAttributes &attributes)
    {
        if (isName(name, 'c')) {
            const char *ref = nullptr, *type = nullptr, *style = nullptr;
            attributes.forEach([&](const char *attribute, const char *value) {
                if (attribute[0] != '\0' && attribute[1] == '\0') {
                    const char **wanted = attribute[0] == 'r' ? &ref
                        : attribute[0] == 't'                 ? &type
                        : attribute[0] == 's'                 ? &style
                                                              : nullptr;
                    if (wanted && !*wanted)
                        *wanted = value;
                }
            });
            int row = m_row, column = m_nextColumn;
            if (ref) {
                if (!parseCellReference(std::string_view(ref), row, column) || row > kLastSheetRow
                    || column > kLastSheetColumn)
                    outside(QStringLiteral("buňku „%1“").arg(QString::fromUtf8(ref)));
            } else if (column > kLastSheetColumn) {
                outside(QStringLiteral("sloupec %1").arg(column + 1));
            }
            m_cellRow = row;
            m_cellColumn = column;
            m_nextColumn = column + 1;
            m_type = typeOf(type);
            m_style = style ? int(numberIn(style)) : 0;
            m_text.clear();
            m_inCell = true;
        } else if (m_inCell && (isName(name, 'v') || isName(name, 't'))) {
            m_collecting = true;
        } else if (std::strcmp(name, "row") == 0) {
            if (const char *r = attributes.value("r")) {
                qint64 number = 0;
                const char *end = r + std::strlen(r);
                const auto parsed = std::from_chars(r, end, number);
                if (parsed.ec != std::errc() || parsed.ptr != end || number < 1
                    || number > kLastSheetRow + 1)
                    outside(QStringLiteral("řádek „%1“").arg(QString::fromUtf8(r)));
                m_row = int(number - 1);
            } else {
                if (m_row >= kLastSheetRow)
                    outside(QStringLiteral("řádek %1").arg(qint64(m_row) + 2));
                ++m_row;
            }
            m_nextColumn = 0;
        } else if (std::strcmp(name, "rPh") == 0) {
            ++m_phonetic;
        }
    }

    void end(const char *name)
    {
        if (isName(name, 'v') || isName(name, 't'))
            m_collecting = false;
        else if (isName(name, 'c')) {
            m_inCell = false;
            finishCell();
        } else if (std::strcmp(name, "rPh") == 0)
            --m_phonetic;
    }

    // A cell's type (its t attribute); any other than these holds a number.
    enum class Type { Number, Shared, Text, Error, Bool, Date };
    static Type typeOf(const char *type)
    {
        if (!type)
            return Type::Number;
        if (std::strcmp(type, "s") == 0)
            return Type::Shared;
        if (std::strcmp(type, "inlineStr") == 0 || std::strcmp(type, "str") == 0)
            return Type::Text;
        if (std::strcmp(type, "e") == 0)
            return Type::Error;
        if (std::strcmp(type, "b") == 0)
            return Type::Bool;
        if (std::strcmp(type, "d") == 0)
            return Type::Date;
        return Type::Number;
    }

    void finishCell()
    {
        CellRecord cell;
        cell.row = m_cellRow;
        cell.column = m_cellColumn;
        if (cell.row < 0 || cell.column < 0)
            return;
        const auto addText = [&](CellKind kind) {
            cell.kind = kind;
            cell.text = ownText(m_book.texts.size());
            m_book.texts << unescapeOoxml(
                QString::fromUtf8(m_text.data(), qsizetype(m_text.size())));
        };
        if (m_type == Type::Shared) {
            if (m_text.empty())
                return;
            // Checked against the shared strings' count once both are read.
            const qint64 index = numberIn(m_text.c_str());
            if (index < 0)
                return;
            cell.kind = CellKind::Text;
            cell.text = index;
        } else if (m_type == Type::Text) {
            addText(CellKind::Text);
        } else if (m_type == Type::Error) {
            addText(CellKind::Error);
        } else if (m_type == Type::Bool) {
            if (m_text.empty())
                return;
            cell.kind = CellKind::Bool;
            cell.number = m_text == "1" || m_text == "true" ? 1 : 0;
        } else if (m_type == Type::Date) {
            const QDateTime when
                = QDateTime::fromString(QString::fromLatin1(m_text.c_str()), Qt::ISODateWithMs);
            if (!when.isValid())
                return;
            cell.kind = CellKind::Date;
            cell.number
                = serialOfDate(QDateTime(when.date(), when.time(), Qt::UTC), m_book.date1904);
        } else {
            if (m_text.empty())
                return;
            const char *begin = m_text.c_str();
            const char *finish = begin + m_text.size();
            while (begin < finish && *begin == ' ')
                ++begin;
            if (std::from_chars(begin, finish, cell.number).ec != std::errc())
                return;
            const bool date = m_style >= 0 && size_t(m_style) < m_dateStyles.size()
                && m_dateStyles[size_t(m_style)];
            cell.kind = date ? CellKind::Date : CellKind::Number;
        }
        m_sheet.cells.push_back(cell);
    }

    WorkbookData &m_book;
    Sheet &m_sheet;
    const std::vector<bool> &m_dateStyles;
    QString m_fileName;
    int m_row = -1;
    int m_nextColumn = 0;
    int m_cellRow = 0;
    int m_cellColumn = 0;
    Type m_type = Type::Number;
    int m_style = 0;
    std::string m_text;
    bool m_inCell = false;
    bool m_collecting = false;
    int m_phonetic = 0;
};

// The place in a sheet's XML where its second half begins: the start of a row in the middle
// of its data that names its number, so that a second parser can begin there; or -1 where
// that is not sure (markup that may hide a tag: comments, sections, declarations, processing
// instructions after the document's first line).
qsizetype secondHalfOf(const QByteArray &xml, QByteArray &opening)
{
    const std::string_view text(xml.constData(), size_t(xml.size()));
    if (text.find("<!") != std::string_view::npos)
        return -1;
    // The root element and the prefix of the sheet's elements ("x:" or none), as the second
    // parser is to open them before its rows.
    size_t root = 0;
    while ((root = text.find('<', root)) != std::string_view::npos && root + 1 < text.size()
           && text[root + 1] == '?')
        ++root;
    const size_t data = text.find("sheetData");
    if (root == std::string_view::npos || data == std::string_view::npos || data == 0
        || text.find("<?", root) != std::string_view::npos)
        return -1;
    const size_t dataStart = text.rfind('<', data);
    if (dataStart == std::string_view::npos || dataStart < root)
        return -1;
    const std::string_view prefix = text.substr(dataStart + 1, data - dataStart - 1);
    const size_t rootEnd = text.find_first_of(" \t\r\n/>", root + 1);
    if (rootEnd == std::string_view::npos)
        return -1;
    const std::string row = '<' + std::string(prefix) + "row";
    for (size_t at = text.find(row, std::max(dataStart, text.size() / 2));
         at != std::string_view::npos; at = text.find(row, at + 1)) {
        const char after = at + row.size() < text.size() ? text[at + row.size()] : '\0';
        if (after != ' ' && after != '>' && after != '/')
            continue;
        const size_t tagEnd = text.find('>', at);
        if (tagEnd == std::string_view::npos
            || text.substr(at, tagEnd - at).find(" r=") == std::string_view::npos)
            return -1;
        opening = QByteArray('<' + QByteArray(text.data() + root + 1, qsizetype(rootEnd - root - 1))
                             + "><" + QByteArray(prefix.data(), qsizetype(prefix.size()))
                             + "sheetData>");
        return qsizetype(at);
    }
    return -1;
}

// Reads a large sheet with two parsers at once, each on a half of its rows. False, with the
// sheet as it was, when the sheet cannot be cut surely or a half is no well-formed XML: it is
// then read whole, which names the fault exactly.
bool readSheetInHalves(const QByteArray &xml, WorkbookData &book, Sheet &sheet,
                       const std::vector<bool> &dateStyles, const QString &fileName)
{
    QByteArray opening;
    const qsizetype middle = secondHalfOf(xml, opening);
    if (middle < 0)
        return false;
    WorkbookData secondBook;
    secondBook.date1904 = book.date1904;
    Sheet second;
    second.name = sheet.name;
    second.cells.reserve(sheet.cells.capacity() / 2);
    preferLargePages(second.cells.data(), second.cells.capacity() * sizeof(CellRecord));
    const qsizetype textsBefore = book.texts.size();
    const size_t cellsBefore = sheet.cells.size();

    bool secondRead = false;
    std::exception_ptr secondFailure;
    std::thread reader([&] {
        try {
            SheetParser parser(secondBook, second, dateStyles, fileName);
            secondRead = parseXmlPieces(
                { std::string_view(opening.constData(), size_t(opening.size())),
                  std::string_view(xml.constData() + middle, size_t(xml.size() - middle)) },
                true, parser.handlers());
        } catch (...) {
            secondFailure = std::current_exception();
        }
    });
    bool firstRead = false;
    std::exception_ptr firstFailure;
    try {
        SheetParser parser(book, sheet, dateStyles, fileName);
        firstRead = parseXmlPieces({ std::string_view(xml.constData(), size_t(middle)) }, false,
                                   parser.handlers());
    } catch (...) {
        firstFailure = std::current_exception();
    }
    reader.join();
    if (firstRead && secondRead && !firstFailure && !secondFailure) {
        // The second half's own texts follow the first's.
        const qint32 shift = qint32(book.texts.size() - textsBefore);
        for (CellRecord &cell : second.cells) {
            if (cell.text <= ownText(0)
                && (cell.kind == CellKind::Text || cell.kind == CellKind::Error))
                cell.text -= shift;
        }
        book.texts << secondBook.texts;
        sheet.cells.insert(sheet.cells.end(), second.cells.begin(), second.cells.end());
        return true;
    }
    // The first half is the beginning of the whole: its cells' failure is the whole's. Any
    // other fault is named by reading the whole.
    if (firstFailure)
        std::rethrow_exception(firstFailure);
    sheet.cells.resize(cellsBefore);
    book.texts.resize(textsBefore);
    return false;
}

} // namespace

void readSheetCells(const ZipArchive &archive, const QString &part, WorkbookData &book,
                    Sheet &sheet, const std::vector<bool> &dateStyles, const QString &fileName)
{
    // The rows are read by the quick reader where it knows all they hold. Where it does not, a
    // large sheet is read by two parsers at once, and one that cannot be cut surely by one,
    // from the same bytes.
    const QByteArray xml = archive.read(part);
    const std::string_view bytes(xml.constData(), size_t(xml.size()));
    const size_t cellsBefore = sheet.cells.size();
    const qsizetype textsBefore = book.texts.size();
    {
        SheetParser parser(book, sheet, dateStyles, fileName);
        if (readXmlQuickly(bytes, "sheetData", parser.handlers()))
            return;
    }
    sheet.cells.resize(cellsBefore);
    book.texts.resize(textsBefore);
    if (sheet.cells.capacity() >= kCellsReadInHalves
        && readSheetInHalves(xml, book, sheet, dateStyles, fileName))
        return;
    SheetParser parser(book, sheet, dateStyles, fileName);
    parseXml(bytes, part, parser.handlers(), fileName);
}

// The shared strings first, then the sheets' own texts; a cell that names a shared string the
// workbook does not have is left out, as an empty cell.
void joinSharedTexts(WorkbookData &book, QStringList shared)
{
    const qsizetype sharedCount = shared.size();
    for (Sheet &sheet : book.sheets) {
        size_t kept = 0;
        for (CellRecord &cell : sheet.cells) {
            if (cell.kind == CellKind::Text || cell.kind == CellKind::Error) {
                if (cell.text <= ownText(0))
                    cell.text = qint32(sharedCount + (ownText(0) - cell.text));
                else if (cell.text >= sharedCount)
                    continue;
            }
            sheet.cells[kept++] = cell;
        }
        sheet.cells.resize(kept);
    }
    shared.append(book.texts);
    book.texts = std::move(shared);
}
} // namespace vrl::workbook
