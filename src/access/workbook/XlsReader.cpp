#include "access/workbook/XlsReader.h"

#include "access/DataError.h"
#include "access/workbook/BiffRecords.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-stdio.h>
#include <gsf/gsf-utils.h>

#include <memory>

namespace vrl::workbook {

namespace {

using namespace biff;

class Biff8Reader
{
    struct PendingName
    {
        QString name;
        int sheet; // among every sheet of the workbook, as EXTERNSHEET counts them
        int firstRow, firstColumn, lastRow, lastColumn;
        bool growable = true;
    };

public:
    Biff8Reader(const QByteArray &stream, WorkbookData &book)
        : m_stream(stream)
        , m_book(book)
    { }

    void read()
    {
        readGlobals();
        QHash<qsizetype, int> sheetAt; // each sheet's records are read once, however many
                                       // entries point at them
        for (const auto &[name, offset] : m_sheetOffsets) {
            const int index = int(m_book.sheets.size());
            Sheet &sheet = m_book.sheets.emplace_back();
            sheet.name = name;
            if (const auto read = sheetAt.constFind(offset); read != sheetAt.constEnd()) {
                sheet.sharesCellsOf = *read;
                continue;
            }
            sheetAt.insert(offset, index);
            readSheet(sheet, offset);
        }
        resolveNames();
    }

private:
    std::optional<Record> recordAt(qsizetype offset) const
    {
        if (offset + 4 > m_stream.size())
            return std::nullopt;
        const auto *p = reinterpret_cast<const uchar *>(m_stream.constData() + offset);
        Record record { quint16(p[0] | (p[1] << 8)), offset + 4, qsizetype(p[2] | (p[3] << 8)) };
        if (record.offset + record.size > m_stream.size())
            throw Damaged { QStringLiteral("záznam přesahuje konec souboru") };
        return record;
    }

    // The reader of a record joined with the CONTINUE records that follow it.
    RecordReader readerOf(const Record &record, qsizetype *next = nullptr) const
    {
        RecordReader reader;
        reader.addSegment(m_stream.constData() + record.offset, record.size);
        qsizetype at = record.offset + record.size;
        while (const auto more = recordAt(at)) {
            if (more->type != kContinue)
                break;
            reader.addSegment(m_stream.constData() + more->offset, more->size);
            at = more->offset + more->size;
        }
        if (next)
            *next = at;
        return reader;
    }

    void readGlobals()
    {
        const auto bof = recordAt(0);
        if (!bof || bof->type != kBof || bof->size < 4)
            throw Damaged { QStringLiteral("chybí úvodní záznam") };
        RecordReader head = readerOf(*bof);
        if (head.u16() != 0x0600)
            throw DataError(QStringLiteral("Sešit %1 je ve starém formátu aplikace Excel (verze 5 "
                                           "nebo 95), který nelze číst; uložte jej jako .xlsx.")
                                .arg(QFileInfo(m_book.path).fileName()));
        qsizetype at = bof->offset + bof->size;
        while (const auto record = recordAt(at)) {
            at = record->offset + record->size;
            if (record->type == kEof)
                return;
            RecordReader data = readerOf(*record, record->type == kSst ? &at : nullptr);
            switch (record->type) {
            case kFilePass:
                throw DataError(QStringLiteral("Sešit %1 je chráněn heslem; bez hesla jej nelze "
                                               "číst.")
                                    .arg(QFileInfo(m_book.path).fileName()));
            case kDateMode:
                m_book.date1904 = data.u16() == 1;
                break;
            case kFormat: {
                const int id = data.u16();
                m_formats.insert(id, data.unicodeString(false));
                break;
            }
            case kXf:
                data.u16();
                m_xfFormats.push_back(data.u16());
                break;
            case kBoundSheet: {
                const quint32 offset = data.u32();
                data.u8(); // visibility
                const quint8 kind = data.u8();
                const QString name = data.unicodeString(true);
                m_everySheet << name;
                if (kind == 0) // worksheets; charts and macro sheets hold no table
                    m_sheetOffsets.push_back({ name, qsizetype(offset) });
                break;
            }
            case kSst: {
                data.u32();
                const quint32 unique = data.u32();
                for (quint32 i = 0; i < unique && !data.atEnd(); ++i)
                    m_sst << data.unicodeString(false);
                break;
            }
            case kSupBook:
                data.u16();
                m_internalBooks.push_back(data.u16() == 0x0401); // this workbook's own
                break;
            case kExternSheet: {
                const int count = data.u16();
                for (int i = 0; i < count; ++i) {
                    const quint16 book = data.u16();
                    const qint16 first = qint16(data.u16());
                    const qint16 last = qint16(data.u16());
                    const bool internal = m_internalBooks.empty()
                        || (book < m_internalBooks.size() && m_internalBooks[book]);
                    // A 3-D reference over several sheets, or one into another workbook, is
                    // no sheet of this one.
                    m_externSheets.push_back(internal && first == last ? first : -1);
                }
                break;
            }
            case kName:
                readName(data);
                break;
            default:
                break;
            }
        }
        throw Damaged { QStringLiteral("chybí konec úvodní části") };
    }

    void readName(RecordReader &data)
    {
        const quint16 options = data.u16();
        data.u8();
        const int cch = data.u8();
        const int formulaSize = data.u16();
        data.u16();
        const int sheetScope = data.u16();
        data.skip(4);
        const quint8 flags = data.u8();
        const QString name = data.characters(cch, flags);
        // Built-in names (print areas and the like) and names of one sheet are no tables.
        if ((options & 0x0020) || sheetScope != 0)
            return;
        try {
            if (const auto area = areaOfFormula(data, formulaSize)) {
                PendingName pending = *area;
                pending.name = name;
                m_names.push_back(pending);
            }
        } catch (const Damaged &) {
            // A formula cut short is no table; the rest of the workbook reads on.
        }
    }

    // The one rectangle a name's formula (its parsed tokens) evaluates to: a 3-D reference
    // or area of one sheet, or the intersection of such areas, all absolute. Anything else
    // (a relative part, a union, a constant, a function, several sheets) gives nothing.
    std::optional<PendingName> areaOfFormula(RecordReader &data, int size)
    {
        std::vector<PendingName> stack;
        int used = 0;
        const auto take = [&](int bytes) {
            used += bytes;
            if (used > size)
                throw Damaged { QStringLiteral("vzorec přesahuje svou délku") };
        };
        const auto pushArea = [&](quint16 extern_, int r1, int r2, quint16 c1, quint16 c2) {
            if ((c1 | c2) & 0xC000)
                return false; // a relative row or column
            if (extern_ >= m_externSheets.size() || m_externSheets[extern_] < 0)
                return false;
            stack.push_back({ QString(), m_externSheets[extern_], std::min(r1, r2),
                              std::min(c1 & 0x3FFF, c2 & 0x3FFF), std::max(r1, r2),
                              std::max(c1 & 0x3FFF, c2 & 0x3FFF) });
            return true;
        };
        while (used < size) {
            take(1);
            const quint8 token = data.u8();
            switch (token) {
            case 0x3A: // tRef3d, reference / value / array class
            case 0x5A:
            case 0x7A: {
                take(6);
                const quint16 extern_ = data.u16();
                const int row = data.u16();
                const quint16 column = data.u16();
                if (!pushArea(extern_, row, row, column, column))
                    return std::nullopt;
                break;
            }
            case 0x3B: // tArea3d
            case 0x5B:
            case 0x7B: {
                take(10);
                const quint16 extern_ = data.u16();
                const int r1 = data.u16(), r2 = data.u16();
                const quint16 c1 = data.u16(), c2 = data.u16();
                if (!pushArea(extern_, r1, r2, c1, c2))
                    return std::nullopt;
                break;
            }
            case 0x0F: { // tIsect: the areas' common rectangle
                if (stack.size() < 2)
                    return std::nullopt;
                const PendingName b = stack.back();
                stack.pop_back();
                PendingName &a = stack.back();
                if (a.sheet != b.sheet)
                    return std::nullopt;
                a.firstRow = std::max(a.firstRow, b.firstRow);
                a.firstColumn = std::max(a.firstColumn, b.firstColumn);
                a.lastRow = std::min(a.lastRow, b.lastRow);
                a.lastColumn = std::min(a.lastColumn, b.lastColumn);
                if (a.firstRow > a.lastRow || a.firstColumn > a.lastColumn)
                    return std::nullopt;
                a.growable = false;
                break;
            }
            case 0x15: // tParen: grouping only
                break;
            case 0x26: // tMemArea, tMemErr, tMemNoMem: a subexpression follows
            case 0x46:
            case 0x66:
            case 0x27:
            case 0x47:
            case 0x67:
            case 0x28:
            case 0x48:
            case 0x68:
                take(6);
                data.skip(6);
                break;
            case 0x29: // tMemFunc
            case 0x49:
            case 0x69:
                take(2);
                data.skip(2);
                break;
            default: // tUnion, tRange, constants, functions, relative and error references
                return std::nullopt;
            }
        }
        if (stack.size() != 1)
            return std::nullopt;
        return stack.front();
    }

    void resolveNames()
    {
        for (const PendingName &pending : m_names) {
            // EXTERNSHEET counts every sheet; the tables count only worksheets.
            if (pending.sheet < 0 || pending.sheet >= m_everySheet.size())
                continue;
            const QString sheetName = m_everySheet[pending.sheet];
            for (size_t s = 0; s < m_book.sheets.size(); ++s) {
                if (m_book.sheets[s].name == sheetName) {
                    m_book.ranges.push_back({ pending.name, int(s), pending.firstRow,
                                              pending.firstColumn, pending.lastRow,
                                              pending.lastColumn, pending.growable });
                    break;
                }
            }
        }
    }

    bool isDateStyle(int xf) const
    {
        if (xf < 0 || size_t(xf) >= m_xfFormats.size())
            return false;
        const int format = m_xfFormats[size_t(xf)];
        return isDateFormat(format, m_formats.value(format));
    }

    static void addCell(Sheet &sheet, const CellRecord &cell)
    {
        // BIFF8 has 256 columns; a damaged MULRK may count on past the last a sheet can have.
        if (cell.column > kLastSheetColumn)
            throw Damaged { QStringLiteral("list %1 odkazuje na sloupec %2 mimo rozsah listu")
                                .arg(sheet.name)
                                .arg(cell.column + 1) };
        sheet.cells.push_back(cell);
    }

    void addNumber(Sheet &sheet, int row, int column, int xf, double value)
    {
        addCell(sheet,
                { row, column, isDateStyle(xf) ? CellKind::Date : CellKind::Number, value, -1 });
    }

    void addText(Sheet &sheet, int row, int column, CellKind kind, const QString &text)
    {
        addCell(sheet, { row, column, kind, 0, qint32(m_book.texts.size()) });
        m_book.texts << text;
    }

    static double rkValue(quint32 rk)
    {
        double value;
        if (rk & 0x02) {
            value = double(qint32(rk) >> 2);
        } else {
            const quint64 bits = quint64(rk & 0xFFFFFFFC) << 32;
            std::memcpy(&value, &bits, sizeof value);
        }
        return (rk & 0x01) ? value / 100 : value;
    }

    static QString errorText(quint8 code)
    {
        switch (code) {
        case 0x00:
            return QStringLiteral("#NULL!");
        case 0x07:
            return QStringLiteral("#DIV/0!");
        case 0x0F:
            return QStringLiteral("#VALUE!");
        case 0x17:
            return QStringLiteral("#REF!");
        case 0x1D:
            return QStringLiteral("#NAME?");
        case 0x24:
            return QStringLiteral("#NUM!");
        default:
            return QStringLiteral("#N/A");
        }
    }

    void readSheet(Sheet &sheet, qsizetype offset)
    {
        const auto bof = recordAt(offset);
        if (!bof || bof->type != kBof)
            throw Damaged { QStringLiteral("list %1 nelze najít").arg(sheet.name) };
        qsizetype at = bof->offset + bof->size;
        int depth = 1; // a chart inside the sheet brings its own BOF and EOF
        int textRow = -1, textColumn = -1; // a formula whose text result follows
        while (const auto record = recordAt(at)) {
            at = record->offset + record->size;
            if (record->type == kBof) {
                ++depth;
                continue;
            }
            if (record->type == kEof) {
                if (--depth == 0)
                    return;
                continue;
            }
            if (depth > 1)
                continue;
            RecordReader data = readerOf(*record);
            switch (record->type) {
            case kLabelSst: {
                const int row = data.u16(), column = data.u16();
                data.u16();
                const quint32 index = data.u32();
                if (index < quint32(m_sst.size())) {
                    addCell(sheet, { row, column, CellKind::Text, 0, qint32(m_book.texts.size()) });
                    m_book.texts << m_sst[qsizetype(index)];
                }
                break;
            }
            case kLabel:
            case kRString: {
                const int row = data.u16(), column = data.u16();
                data.u16();
                addText(sheet, row, column, CellKind::Text, data.unicodeString(false));
                break;
            }
            case kNumber: {
                const int row = data.u16(), column = data.u16(), xf = data.u16();
                addNumber(sheet, row, column, xf, data.f64());
                break;
            }
            case kRk: {
                const int row = data.u16(), column = data.u16(), xf = data.u16();
                addNumber(sheet, row, column, xf, rkValue(data.u32()));
                break;
            }
            case kMulRk: {
                const int row = data.u16();
                int column = data.u16();
                const int cells = int((record->size - 6) / 6);
                for (int i = 0; i < cells; ++i, ++column) {
                    const int xf = data.u16();
                    addNumber(sheet, row, column, xf, rkValue(data.u32()));
                }
                break;
            }
            case kBoolErr: {
                const int row = data.u16(), column = data.u16();
                data.u16();
                const quint8 value = data.u8();
                if (data.u8())
                    addText(sheet, row, column, CellKind::Error, errorText(value));
                else
                    addCell(sheet, { row, column, CellKind::Bool, double(value != 0), -1 });
                break;
            }
            case kFormula: {
                const int row = data.u16(), column = data.u16(), xf = data.u16();
                quint8 result[8];
                for (quint8 &b : result)
                    b = data.u8();
                if (result[6] != 0xFF || result[7] != 0xFF) {
                    double value;
                    std::memcpy(&value, result, sizeof value);
                    addNumber(sheet, row, column, xf, value);
                } else if (result[0] == 0) {
                    textRow = row;
                    textColumn = column;
                } else if (result[0] == 1) {
                    addCell(sheet, { row, column, CellKind::Bool, double(result[2] != 0), -1 });
                } else if (result[0] == 2) {
                    addText(sheet, row, column, CellKind::Error, errorText(result[2]));
                } else if (result[0] == 3) {
                    addText(sheet, row, column, CellKind::Text, QString());
                }
                break;
            }
            case kString:
                if (textRow >= 0) {
                    addText(sheet, textRow, textColumn, CellKind::Text, data.unicodeString(false));
                    textRow = -1;
                }
                break;
            default:
                break;
            }
        }
        throw Damaged { QStringLiteral("list %1 nemá konec").arg(sheet.name) };
    }

    const QByteArray &m_stream;
    WorkbookData &m_book;
    QHash<int, QString> m_formats;
    std::vector<int> m_xfFormats;
    std::vector<std::pair<QString, qsizetype>> m_sheetOffsets;
    QStringList m_everySheet; // worksheets or not, as EXTERNSHEET counts them
    QStringList m_sst;
    std::vector<int> m_externSheets; // sheet of each entry; -1 for none of this workbook
    std::vector<bool> m_internalBooks; // SUPBOOK records: whether each is this workbook
    std::vector<PendingName> m_names;
};

// Frees a GObject when it goes out of scope.
struct Unref
{
    void operator()(void *object) const
    {
        if (object)
            g_object_unref(object);
    }
};

QByteArray readStream(GsfInfile *container, const char *name)
{
    std::unique_ptr<GsfInput, Unref> stream(gsf_infile_child_by_name(container, name));
    if (!stream)
        return QByteArray();
    const gsf_off_t size = gsf_input_size(stream.get());
    if (size <= 0 || size > (gsf_off_t(1) << 30))
        return QByteArray();
    QByteArray data(qsizetype(size), Qt::Uninitialized);
    if (!gsf_input_read(stream.get(), size_t(size), reinterpret_cast<guint8 *>(data.data())))
        return QByteArray();
    return data;
}

} // namespace

WorkbookData readBiff8Stream(const QByteArray &stream, const QString &path)
{
    WorkbookData book;
    book.path = path;
    try {
        Biff8Reader(stream, book).read();
    } catch (const Damaged &damage) {
        throw DataError(QStringLiteral("Sešit %1 je poškozen: %2.")
                            .arg(QFileInfo(path).fileName(), damage.why));
    }
    return book;
}

WorkbookData readXls(const QString &path)
{
    static const bool ready = [] {
        gsf_init();
        // A damaged container makes libgsf complain on the console; the reader says it to the
        // user instead.
        g_log_set_handler(
            "libgsf:msole", GLogLevelFlags(G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_WARNING),
            [](const gchar *, GLogLevelFlags, const gchar *, gpointer) {}, nullptr);
        return true;
    }();
    (void)ready;
    const QString name = QFileInfo(path).fileName();
    GError *error = nullptr;
    std::unique_ptr<GsfInput, Unref> input(
        gsf_input_stdio_new(QFile::encodeName(path).constData(), &error));
    if (!input) {
        const QString why = error ? QString::fromUtf8(error->message) : QString();
        g_clear_error(&error);
        throw DataError(QStringLiteral("Soubor sešitu %1 nelze otevřít: %2").arg(path, why));
    }
    std::unique_ptr<GsfInfile, Unref> container(gsf_infile_msole_new(input.get(), &error));
    if (!container) {
        const QString why = error ? QString::fromUtf8(error->message) : QString();
        g_clear_error(&error);
        throw DataError(QStringLiteral("Sešit %1 je poškozen: %2").arg(name, why));
    }
    // An encrypted .xlsx is a compound file holding the encrypted package.
    if (std::unique_ptr<GsfInput, Unref>(
            gsf_infile_child_by_name(container.get(), "EncryptedPackage")))
        throw DataError(
            QStringLiteral("Sešit %1 je chráněn heslem; bez hesla jej nelze číst.").arg(name));
    const QByteArray stream = readStream(container.get(), "Workbook");
    if (stream.isEmpty()) {
        if (!readStream(container.get(), "Book").isEmpty())
            throw DataError(QStringLiteral("Sešit %1 je ve starém formátu aplikace Excel (verze "
                                           "5 nebo 95), který nelze číst; uložte jej jako .xlsx.")
                                .arg(name));
        throw DataError(QStringLiteral("Soubor %1 není sešit aplikace Excel.").arg(name));
    }
    return readBiff8Stream(stream, path);
}

} // namespace vrl::workbook
