#include "access/workbook/XlsxSheetXml.h"

#include "access/workbook/XlsxWriter.h"

#include <QDate>
#include <QHash>

#include <algorithm>
#include <charconv>
#include <cmath>

namespace vrl::workbook {

namespace {

constexpr qint64 kMsecsPerDay = 86'400'000;
// Cell formats: 0 general, 1 the bold names, 2 whole numbers shown with every digit, 3 a date,
// 4 a date and time, 5 on the decimals of each scale.
constexpr int kNameStyle = 1;
constexpr int kWholeStyle = 2;
constexpr int kDateStyle = 3;
constexpr int kDateTimeStyle = 4;
constexpr int kFirstDecimalStyle = 5;
// The rows the widths are fitted to, and the widest column made for them.
constexpr int kMeasuredRows = 1000;
constexpr double kWidestColumn = 100;
// The digits a cell's number keeps; a number of more significant digits goes as its text.
constexpr int kNumberDigits = 15;
// Serial numbers of the first and last day a sheet shows as a date (1 Jan 1900, 31 Dec 9999)
// in days since 30 Dec 1899; the sheet counts a 29 Feb 1900 that never was, so serials below
// 61 (1 Mar 1900) are a day lower there.
constexpr qint64 kFirstSheetDay = 2;
constexpr qint64 kLastSheetDay = 2'958'465;
constexpr qint64 kFirstTrueSerial = 61;

bool isHex(char16_t c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

void appendEscape(std::string &out, char16_t c)
{
    static const char digits[] = "0123456789ABCDEF";
    const char escape[] = { '_',
                            'x',
                            digits[(c >> 12) & 15],
                            digits[(c >> 8) & 15],
                            digits[(c >> 4) & 15],
                            digits[c & 15],
                            '_' };
    out.append(escape, sizeof escape);
}

template<typename Number> void appendNumber(std::string &out, Number value)
{
    char buffer[32];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    out.append(buffer, size_t(end - buffer));
}

// How many significant digits a decimal's text holds ("-0012.500" holds 3).
int significantDigits(std::string_view text)
{
    std::string digits;
    for (const char c : text) {
        if (c >= '0' && c <= '9')
            digits += c;
    }
    const size_t first = digits.find_first_not_of('0');
    if (first == std::string::npos)
        return 0;
    return int(digits.find_last_not_of('0') - first + 1);
}

std::string columnLetters(int column)
{
    std::string letters;
    for (int c = column + 1; c > 0; c = (c - 1) / 26)
        letters.insert(letters.begin(), char('A' + (c - 1) % 26));
    return letters;
}

// The widest line of a text, as a sheet column needs it.
qsizetype widestLine(QStringView text)
{
    qsizetype widest = 0;
    for (const QStringView line : text.tokenize(u'\n'))
        widest = std::max(widest, line.size());
    return widest;
}

} // namespace

void appendXmlText(std::string &out, QStringView text)
{
    const char16_t *s = text.utf16();
    const qsizetype n = text.size();
    out.reserve(out.size() + size_t(n) + 16);
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = s[i];
        if (c < 0x80) {
            if (c >= 0x20 && c != '&' && c != '<' && c != '>' && c != '_') {
                out.push_back(char(c));
            } else if (c == '&') {
                out.append("&amp;");
            } else if (c == '<') {
                out.append("&lt;");
            } else if (c == '>') {
                out.append("&gt;");
            } else if (c == '\r') {
                out.append("&#13;");
            } else if (c == '\n' || c == '\t') {
                out.push_back(char(c));
            } else if (c == '_') {
                const bool escapeLike = i + 6 < n && s[i + 1] == 'x' && isHex(s[i + 2])
                    && isHex(s[i + 3]) && isHex(s[i + 4]) && isHex(s[i + 5]) && s[i + 6] == '_';
                out.append(escapeLike ? "_x005F_" : "_");
            } else {
                appendEscape(out, c);
            }
        } else if (c < 0x800) {
            out.push_back(char(0xC0 | (c >> 6)));
            out.push_back(char(0x80 | (c & 0x3F)));
        } else if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(s[i + 1])) {
            const char32_t code = QChar::surrogateToUcs4(c, s[++i]);
            out.push_back(char(0xF0 | (code >> 18)));
            out.push_back(char(0x80 | ((code >> 12) & 0x3F)));
            out.push_back(char(0x80 | ((code >> 6) & 0x3F)));
            out.push_back(char(0x80 | (code & 0x3F)));
        } else if (QChar::isSurrogate(c) || c >= 0xFFFE) {
            appendEscape(out, c);
        } else {
            out.push_back(char(0xE0 | (c >> 12)));
            out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(char(0x80 | (c & 0x3F)));
        }
    }
}

SharedStrings::SharedStrings()
    : m_slots(size_t(1) << 12, 0)
{ }

quint32 SharedStrings::indexOf(QStringView text)
{
    ++m_references;
    const quint32 hash = quint32(qHash(text));
    const size_t mask = m_slots.size() - 1;
    for (size_t at = hash & mask;; at = (at + 1) & mask) {
        const quint64 slot = m_slots[at];
        if (slot == 0) {
            const auto number = quint32(m_texts.size());
            m_slots[at] = (quint64(hash) << 32) | (number + 1);
            m_texts.push_back(text);
            m_entries.append("<si><t");
            // Blanks at either end would be dropped by a reader without this.
            if (!text.isEmpty() && (text.front().isSpace() || text.back().isSpace()))
                m_entries.append(" xml:space=\"preserve\"");
            m_entries.push_back('>');
            appendXmlText(m_entries, text);
            m_entries.append("</t></si>");
            if (m_texts.size() * 2 > m_slots.size())
                grow();
            return number;
        }
        if (quint32(slot >> 32) == hash) {
            const quint32 number = quint32(slot) - 1;
            if (m_texts[number] == text)
                return number;
        }
    }
}

quint32 SharedStrings::indexOfOwned(QString text)
{
    const quint32 known = count();
    m_owned.push_back(std::move(text));
    const quint32 number = indexOf(m_owned.back());
    if (number < known)
        m_owned.pop_back(); // the same text was there before: its copy is not needed
    return number;
}

void SharedStrings::grow()
{
    std::vector<quint64> table(m_slots.size() * 2, 0);
    const size_t mask = table.size() - 1;
    for (const quint64 slot : m_slots) {
        if (slot == 0)
            continue;
        size_t at = size_t(slot >> 32) & mask;
        while (table[at] != 0)
            at = (at + 1) & mask;
        table[at] = slot;
    }
    m_slots.swap(table);
}

SheetXml::SheetXml(const RowStore &rows, const std::vector<quint32> &order)
    : m_rows(rows)
    , m_order(order)
{
    for (int f = 0; f < rows.fieldCount(); ++f) {
        const Column &column = rows.column(f);
        Field field { Form::Text, 0, &column, columnLetters(f) };
        switch (column.type()) {
        case FieldType::Bool:
            field.form = Form::Bool;
            break;
        case FieldType::Int:
            field.form = Form::Int;
            field.style = kWholeStyle;
            break;
        case FieldType::Double:
            field.form = Form::Double;
            break;
        case FieldType::Decimal: {
            const int scale = column.scale();
            field.form
                = column.storesIntegers() && scale >= 0 ? Form::ScaledDecimal : Form::OtherDecimal;
            if (scale == 0) {
                field.style = kWholeStyle;
            } else if (scale > 0) {
                auto known = std::find(m_decimalScales.begin(), m_decimalScales.end(), scale);
                if (known == m_decimalScales.end())
                    known = m_decimalScales.insert(m_decimalScales.end(), scale);
                field.style = kFirstDecimalStyle + int(known - m_decimalScales.begin());
            }
            break;
        }
        case FieldType::DateTime:
            field.form = Form::DateTime;
            break;
        case FieldType::Text:
            field.form = Form::Text;
            break;
        case FieldType::Binary:
            field.form = Form::Other;
            break;
        }
        m_fields.push_back(std::move(field));

        // The name is bold, a little wider than the same text in plain letters.
        double widest = double(widestLine(rows.fields()[size_t(f)].name)) * 1.1;
        const size_t measured = std::min(order.size(), size_t(kMeasuredRows));
        for (size_t i = 0; i < measured; ++i) {
            if (!column.isNull(order[i]))
                widest = std::max(widest, double(widestLine(column.value(order[i]).toText())));
        }
        m_widths.push_back(std::min(widest + 2, kWidestColumn));
    }
}

std::string SheetXml::head(SharedStrings &strings) const
{
    std::string out
        = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
          "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
          "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
          "<dimension ref=\"A1";
    if (!m_fields.empty()) {
        out += ':' + m_fields.back().letters;
        appendNumber(out, qint64(m_order.size()) + 1);
    }
    out += "\"/><sheetViews><sheetView tabSelected=\"1\" workbookViewId=\"0\">"
           "<pane ySplit=\"1\" topLeftCell=\"A2\" activePane=\"bottomLeft\" state=\"frozen\"/>"
           "<selection pane=\"bottomLeft\" activeCell=\"A2\" sqref=\"A2\"/></sheetView>"
           "</sheetViews><sheetFormatPr defaultRowHeight=\"15\"/>";
    if (!m_fields.empty()) {
        out += "<cols>";
        for (size_t f = 0; f < m_fields.size(); ++f) {
            out += "<col min=\"";
            appendNumber(out, f + 1);
            out += "\" max=\"";
            appendNumber(out, f + 1);
            out += "\" width=\"";
            appendNumber(out, std::round(m_widths[f] * 100) / 100);
            out += "\" customWidth=\"1\"/>";
        }
        out += "</cols>";
    }
    out += "<sheetData><row r=\"1\">";
    static_assert(kNameStyle == 1, "the names' cells below are written with style 1");
    for (const FieldInfo &info : m_rows.fields()) {
        out += "<c s=\"1\" t=\"s\"><v>";
        appendNumber(out, strings.indexOf(info.name));
        out += "</v></c>";
    }
    out += "</row>";
    return out;
}

std::string SheetXml::tail()
{
    return "</sheetData></worksheet>";
}

bool SheetXml::appendPiece(std::string &out, size_t minBytes, SharedStrings &strings)
{
    const int count = int(m_order.size());
    while (m_next < count && out.size() < minBytes) {
        appendRow(out, m_order[size_t(m_next)], m_next + 2, strings);
        ++m_next;
    }
    return m_next < count;
}

namespace {

constexpr std::string_view kCellEnd = "</v></c>";

} // namespace

void SheetXml::startCell(std::string &out, const Field &field, int style, const char *type)
{
    out.append("<c");
    if (m_gap) {
        out.append(" r=\"");
        out.append(field.letters);
        out.append(m_rowNumber);
        out.push_back('"');
        m_gap = false;
    }
    if (style != 0) {
        out.append(" s=\"");
        appendNumber(out, style);
        out.push_back('"');
    }
    if (type) {
        out.append(" t=\"");
        out.append(type);
        out.push_back('"');
    }
    out.append("><v>");
}

void SheetXml::appendRow(std::string &out, size_t row, int number, SharedStrings &strings)
{
    const auto numberEnd = std::to_chars(m_rowText, m_rowText + sizeof m_rowText, number).ptr;
    m_rowNumber = std::string_view(m_rowText, size_t(numberEnd - m_rowText));
    out.append("<row r=\"");
    out.append(m_rowNumber);
    out.append("\">");
    m_gap = false;
    for (const Field &field : m_fields) {
        const Column &column = *field.column;
        if (column.isNull(row)) {
            m_gap = true;
            continue;
        }
        switch (field.form) {
        case Form::Bool:
            startCell(out, field, 0, "b");
            out.push_back(column.integerAt(row) ? '1' : '0');
            out.append(kCellEnd);
            break;
        case Form::Int: {
            const qint64 value = column.integerAt(row);
            char digits[24];
            const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
            appendNumberText(out, field, std::string_view(digits, size_t(end - digits)), row,
                             strings);
            break;
        }
        case Form::Double: {
            const double value = column.doubleAt(row);
            if (!std::isfinite(value)) {
                appendString(out, field, column.value(row).toText(), true, strings);
                break;
            }
            startCell(out, field, field.style, nullptr);
            appendNumber(out, value);
            out.append(kCellEnd);
            break;
        }
        case Form::ScaledDecimal: {
            const qint64 scaled = column.integerAt(row);
            const quint64 magnitude = scaled < 0 ? 0 - quint64(scaled) : quint64(scaled);
            char digits[24];
            const int length
                = int(std::to_chars(digits, digits + sizeof digits, magnitude).ptr - digits);
            const int scale = column.scale();
            char text[48];
            int at = 0;
            if (scaled < 0)
                text[at++] = '-';
            if (scale == 0) {
                std::copy(digits, digits + length, text + at);
                at += length;
            } else if (length <= scale) {
                text[at++] = '0';
                text[at++] = '.';
                for (int i = length; i < scale; ++i)
                    text[at++] = '0';
                std::copy(digits, digits + length, text + at);
                at += length;
            } else {
                std::copy(digits, digits + length - scale, text + at);
                at += length - scale;
                text[at++] = '.';
                std::copy(digits + length - scale, digits + length, text + at);
                at += scale;
            }
            appendNumberText(out, field, std::string_view(text, size_t(at)), row, strings);
            break;
        }
        case Form::OtherDecimal: {
            const QByteArray canonical = column.storesText()
                ? column.textAt(row).toLatin1()
                : column.value(row).asDecimal().toLatin1();
            appendNumberText(out, field, std::string_view(canonical.data(), canonical.size()), row,
                             strings);
            break;
        }
        case Form::DateTime:
            appendDateTime(out, field, row, strings);
            break;
        case Form::Text:
            appendString(out, field, column.textAt(row), false, strings);
            break;
        case Form::Other:
            appendString(out, field, column.value(row).toText(), true, strings);
            break;
        }
    }
    out.append("</row>");
}

void SheetXml::appendNumberText(std::string &out, const Field &field, std::string_view digits,
                                size_t row, SharedStrings &strings)
{
    // A number of more digits than a cell keeps would lose its last ones there (a key of 16
    // or more digits, a wide decimal): it goes as the text the grid shows.
    if (significantDigits(digits) > kNumberDigits) {
        appendString(out, field, field.column->value(row).toText(), true, strings);
        return;
    }
    startCell(out, field, field.style, nullptr);
    out.append(digits);
    out.append(kCellEnd);
}

void SheetXml::appendDateTime(std::string &out, const Field &field, size_t row,
                              SharedStrings &strings)
{
    static const qint64 firstOleDay = QDate(1899, 12, 30).toJulianDay();
    const qint64 key = field.column->integerAt(row);
    qint64 day = key / kMsecsPerDay;
    qint64 msecs = key % kMsecsPerDay;
    if (msecs < 0) {
        msecs += kMsecsPerDay;
        --day;
    }
    qint64 serialDay = day - firstOleDay;
    // A day the sheet has no date for goes as the text the grid shows.
    if (serialDay < kFirstSheetDay || serialDay > kLastSheetDay) {
        appendString(out, field, field.column->value(row).toText(), true, strings);
        return;
    }
    if (serialDay < kFirstTrueSerial)
        --serialDay;
    // As the grid does, a value at midnight shows as a date alone.
    startCell(out, field, msecs == 0 ? kDateStyle : kDateTimeStyle, nullptr);
    if (msecs == 0)
        appendNumber(out, serialDay);
    else
        appendNumber(out, double(serialDay) + double(msecs) / double(kMsecsPerDay));
    out.append(kCellEnd);
}

void SheetXml::appendString(std::string &out, const Field &field, QStringView text, bool owned,
                            SharedStrings &strings)
{
    if (text.size() > kMostCellCharacters) {
        qsizetype cut = kMostCellCharacters;
        if (text[cut - 1].isHighSurrogate())
            --cut;
        text = text.left(cut);
        owned = true;
        ++m_shortened;
    }
    const quint32 number = owned ? strings.indexOfOwned(text.toString()) : strings.indexOf(text);
    startCell(out, field, 0, "s");
    appendNumber(out, number);
    out.append(kCellEnd);
}

std::string SheetXml::stylesXml() const
{
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
                      "<styleSheet "
                      "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
                      "<numFmts count=\"";
    appendNumber(out, m_decimalScales.size() + 2);
    // The Czech forms of the grid: day and month with two digits, the hour without a zero.
    out += "\"><numFmt numFmtId=\"164\" formatCode=\"dd.mm.yyyy\"/>"
           "<numFmt numFmtId=\"165\" formatCode=\"dd.mm.yyyy h:mm:ss\"/>";
    for (size_t i = 0; i < m_decimalScales.size(); ++i) {
        out += "<numFmt numFmtId=\"";
        appendNumber(out, 166 + i);
        out += "\" formatCode=\"0." + std::string(size_t(m_decimalScales[i]), '0') + "\"/>";
    }
    out += "</numFmts><fonts count=\"2\">"
           "<font><sz val=\"11\"/><name val=\"Calibri\"/><family val=\"2\"/></font>"
           "<font><b/><sz val=\"11\"/><name val=\"Calibri\"/><family val=\"2\"/></font></fonts>"
           "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill>"
           "<fill><patternFill patternType=\"gray125\"/></fill></fills>"
           "<borders count=\"1\"><border><left/><right/><top/><bottom/><diagonal/></border>"
           "</borders><cellStyleXfs count=\"1\">"
           "<xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"/></cellStyleXfs>"
           "<cellXfs count=\"";
    appendNumber(out, m_decimalScales.size() + kFirstDecimalStyle);
    const auto format = [&out](int id) {
        out += "<xf numFmtId=\"";
        appendNumber(out, id);
        out += "\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" "
               "applyNumberFormat=\"1\"/>";
    };
    out += "\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/>"
           "<xf numFmtId=\"0\" fontId=\"1\" fillId=\"0\" borderId=\"0\" xfId=\"0\" "
           "applyFont=\"1\"/>";
    format(1);
    format(164);
    format(165);
    for (size_t i = 0; i < m_decimalScales.size(); ++i)
        format(int(166 + i));
    out += "</cellXfs><cellStyles count=\"1\">"
           "<cellStyle name=\"Normal\" xfId=\"0\" builtinId=\"0\"/></cellStyles></styleSheet>";
    return out;
}

} // namespace vrl::workbook
