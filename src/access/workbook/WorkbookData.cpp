#include "access/workbook/WorkbookData.h"

#include "regional/Regional.h"

#include <QDateTime>

#include <cmath>

namespace vrl::workbook {

namespace {

// A1 or $A$1 of a text of any character type; only ASCII letters and digits make one.
template<typename Char> bool parseReference(const Char *text, qsizetype size, int &row, int &column)
{
    const auto at = [&](qsizetype i) {
        return i < size ? char32_t(text[i]) : char32_t(0);
    };
    qsizetype i = 0;
    if (at(i) == U'$')
        ++i;
    qint64 col = 0;
    qsizetype letters = 0;
    // Counted past the longest reference, but no longer accumulated, so nothing overflows.
    for (; i < size; ++i, ++letters) {
        char32_t c = at(i);
        if (c >= U'a' && c <= U'z')
            c -= U'a' - U'A';
        if (c < U'A' || c > U'Z')
            break;
        if (letters < 4)
            col = col * 26 + (c - U'A' + 1);
    }
    if (letters == 0 || letters > 3)
        return false;
    if (at(i) == U'$')
        ++i;
    qint64 r = 0;
    qsizetype digits = 0;
    for (; i < size && at(i) >= U'0' && at(i) <= U'9'; ++i, ++digits) {
        if (digits < 8)
            r = r * 10 + (at(i) - U'0');
    }
    if (digits == 0 || digits > 7 || i != size || r < 1 || col > 16384)
        return false;
    row = int(r - 1);
    column = int(col - 1);
    return true;
}

} // namespace

bool parseCellReference(QStringView reference, int &row, int &column)
{
    return parseReference(reference.utf16(), reference.size(), row, column);
}

bool parseCellReference(std::string_view reference, int &row, int &column)
{
    return parseReference(reference.data(), qsizetype(reference.size()), row, column);
}

bool parseRangeFormula(QStringView formula, QString &sheet, DefinedRange &range)
{
    QStringView text = formula.trimmed();
    if (text.startsWith(QLatin1Char('=')))
        text = text.mid(1);
    const qsizetype bang = text.lastIndexOf(QLatin1Char('!'));
    if (bang <= 0)
        return false;
    QString name = text.left(bang).toString();
    if (name.startsWith(QLatin1Char('\'')) && name.endsWith(QLatin1Char('\'')) && name.size() > 1)
        name = name.mid(1, name.size() - 2).replace(QLatin1String("''"), QLatin1String("'"));
    if (name.contains(QLatin1Char('[')) || name.contains(QLatin1Char(',')))
        return false; // another workbook, or several areas
    const QStringView area = text.mid(bang + 1);
    const qsizetype colon = area.indexOf(QLatin1Char(':'));
    const QStringView first = colon < 0 ? area : area.left(colon);
    const QStringView last = colon < 0 ? area : area.mid(colon + 1);
    if (!parseCellReference(first, range.firstRow, range.firstColumn)
        || !parseCellReference(last, range.lastRow, range.lastColumn))
        return false;
    if (range.lastRow < range.firstRow)
        std::swap(range.firstRow, range.lastRow);
    if (range.lastColumn < range.firstColumn)
        std::swap(range.firstColumn, range.lastColumn);
    sheet = name;
    return true;
}

namespace {

// A cell reference with "$" before its column and its row.
bool parseAbsoluteCell(QStringView reference, int &row, int &column)
{
    if (!reference.startsWith(QLatin1Char('$')))
        return false;
    qsizetype i = 1;
    while (i < reference.size() && reference[i].isLetter())
        ++i;
    if (i >= reference.size() || reference[i] != QLatin1Char('$'))
        return false;
    return parseCellReference(reference, row, column);
}

// One area of a name: "Sheet!$A$1", "'My sheet'!$A$1:$C$3" or "S!$A$1:S!$C$3".
bool parseArea(QStringView term, QString &sheet, DefinedRange &area)
{
    qsizetype bang = -1;
    if (term.startsWith(QLatin1Char('\''))) {
        qsizetype i = 1;
        for (; i < term.size(); ++i) {
            if (term[i] == QLatin1Char('\'')) {
                if (i + 1 < term.size() && term[i + 1] == QLatin1Char('\'')) {
                    sheet += QLatin1Char('\'');
                    ++i;
                    continue;
                }
                break;
            }
            sheet += term[i];
        }
        if (i + 1 >= term.size() || term[i + 1] != QLatin1Char('!'))
            return false;
        bang = i + 1;
    } else {
        bang = term.indexOf(QLatin1Char('!'));
        if (bang <= 0)
            return false;
        sheet = term.left(bang).toString();
    }
    // "Sheet1:Sheet3" is a 3-D reference; "[1]Sheet1" another workbook.
    if (sheet.isEmpty() || sheet.contains(QLatin1Char(':')) || sheet.contains(QLatin1Char('[')))
        return false;
    QStringView rest = term.mid(bang + 1);
    const qsizetype colon = rest.indexOf(QLatin1Char(':'));
    QStringView first = colon < 0 ? rest : rest.left(colon);
    QStringView last = colon < 0 ? rest : rest.mid(colon + 1);
    if (const qsizetype again = last.lastIndexOf(QLatin1Char('!')); again >= 0) {
        QString second = last.left(again).toString();
        if (second.size() > 1 && second.startsWith(QLatin1Char('\''))
            && second.endsWith(QLatin1Char('\'')))
            second
                = second.mid(1, second.size() - 2).replace(QLatin1String("''"), QLatin1String("'"));
        if (second.compare(sheet, Qt::CaseInsensitive) != 0)
            return false;
        last = last.mid(again + 1);
    }
    if (!parseAbsoluteCell(first, area.firstRow, area.firstColumn)
        || !parseAbsoluteCell(last, area.lastRow, area.lastColumn))
        return false;
    if (area.lastRow < area.firstRow)
        std::swap(area.firstRow, area.lastRow);
    if (area.lastColumn < area.firstColumn)
        std::swap(area.firstColumn, area.lastColumn);
    return true;
}

} // namespace

bool parseNameFormula(QStringView formula, QString &sheet, DefinedRange &range)
{
    // Split into terms at blanks outside quotes; parentheses only group. A comma is a union.
    QStringList terms;
    QString term;
    bool quoted = false;
    QStringView text = formula.trimmed();
    if (text.startsWith(QLatin1Char('=')))
        text = text.mid(1);
    for (const QChar c : text) {
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        if (!quoted && (c == QLatin1Char(',') || c == QLatin1Char('"')))
            return false;
        if (!quoted && (c == QLatin1Char('(') || c == QLatin1Char(')')))
            continue;
        if (!quoted && c.isSpace()) {
            if (!term.isEmpty())
                terms << term;
            term.clear();
            continue;
        }
        term += c;
    }
    if (!term.isEmpty())
        terms << term;
    if (quoted || terms.isEmpty())
        return false;
    QString firstSheet;
    DefinedRange result;
    for (qsizetype t = 0; t < terms.size(); ++t) {
        QString areaSheet;
        DefinedRange area;
        if (!parseArea(terms[t], areaSheet, area))
            return false;
        if (t == 0) {
            firstSheet = areaSheet;
            result = area;
            continue;
        }
        if (areaSheet.compare(firstSheet, Qt::CaseInsensitive) != 0)
            return false;
        result.firstRow = std::max(result.firstRow, area.firstRow);
        result.firstColumn = std::max(result.firstColumn, area.firstColumn);
        result.lastRow = std::min(result.lastRow, area.lastRow);
        result.lastColumn = std::min(result.lastColumn, area.lastColumn);
        if (result.firstRow > result.lastRow || result.firstColumn > result.lastColumn)
            return false; // the areas do not meet
    }
    sheet = firstSheet;
    range.firstRow = result.firstRow;
    range.firstColumn = result.firstColumn;
    range.lastRow = result.lastRow;
    range.lastColumn = result.lastColumn;
    range.growable = terms.size() == 1;
    return true;
}

QDateTime dateOfSerial(double serial, bool date1904)
{
    if (date1904)
        serial += 1462; // 1 January 1904 in the 1900 system
    else if (serial < 61 && serial >= 1)
        serial += 1; // the 1900 system counts a 29 February 1900 that never was
    return fromOleSerial(serial);
}

double serialOfDate(const QDateTime &value, bool date1904)
{
    double serial = toOleSerial(value);
    if (date1904)
        serial -= 1462;
    else if (serial < 61 && serial >= 2)
        serial -= 1;
    return serial;
}

bool isDateFormat(int formatId, const QString &code)
{
    if ((formatId >= 14 && formatId <= 22) || (formatId >= 45 && formatId <= 47))
        return true;
    if (formatId < 164 || code.isEmpty())
        return false;
    bool inQuotes = false;
    bool inBrackets = false;
    for (qsizetype i = 0; i < code.size(); ++i) {
        const QChar c = code[i];
        if (inQuotes) {
            inQuotes = c != QLatin1Char('"');
            continue;
        }
        if (inBrackets) {
            // [h], [mm] and [ss] are elapsed times; colours and conditions are not dates.
            if (c == QLatin1Char(']'))
                inBrackets = false;
            else if (QStringLiteral("hHsS").contains(c) && code[i - 1] == QLatin1Char('['))
                return true;
            continue;
        }
        if (c == QLatin1Char('"'))
            inQuotes = true;
        else if (c == QLatin1Char('['))
            inBrackets = true;
        else if (c == QLatin1Char('\\') || c == QLatin1Char('_') || c == QLatin1Char('*'))
            ++i; // the next character is shown as it is
        else if (c == QLatin1Char(';'))
            break; // the first section decides
        else if (QStringLiteral("yYdDhHsS").contains(c))
            return true;
    }
    return false;
}

} // namespace vrl::workbook
