#include "access/workbook/SheetPatch.h"

#include "access/DataError.h"
#include "access/ResultMemory.h"
#include "access/workbook/WorkbookData.h"

#include <QStringList>

#include <string.h>

#include <charconv>
#include <string>
#include <string_view>
#include <vector>

namespace vrl::workbook {

namespace {

[[noreturn]] void unexpected(const char *what)
{
    throw DataError(QStringLiteral("List sešitu nelze upravit: %1.").arg(QLatin1String(what)));
}

using Element = SheetPatch::Element;

// Where needle first begins in xml within [from, to), or -1. The library's search, which is
// many times faster than a byte array's on the megabytes of a large sheet.
qsizetype find(const QByteArray &xml, std::string_view needle, qsizetype from, qsizetype to)
{
    if (from < 0 || to > xml.size() || to - from < qsizetype(needle.size()))
        return -1;
    const void *at
        = memmem(xml.constData() + from, size_t(to - from), needle.data(), needle.size());
    return at ? static_cast<const char *>(at) - xml.constData() : -1;
}

// The value of an attribute in a start tag, or nothing.
std::optional<QByteArray> attribute(const QByteArray &xml, qsizetype begin, qsizetype tagEnd,
                                    const char *name)
{
    const std::string needle = std::string(" ") + name + "=\"";
    const qsizetype at = find(xml, needle, begin, tagEnd);
    if (at < 0)
        return std::nullopt;
    const qsizetype value = at + qsizetype(needle.size());
    const qsizetype close = find(xml, "\"", value, tagEnd);
    if (close < 0)
        return std::nullopt;
    return xml.mid(value, close - value);
}

// The next element named tag (with the prefix) from position from, before limit.
std::optional<Element> nextElement(const QByteArray &xml, const QByteArray &tag, qsizetype from,
                                   qsizetype limit)
{
    const std::string open = '<' + tag.toStdString();
    for (qsizetype at = find(xml, open, from, xml.size()); at >= 0 && at < limit;
         at = find(xml, open, at + 1, xml.size())) {
        const char after = at + qsizetype(open.size()) < xml.size() ? xml[at + open.size()] : '\0';
        if (after != ' ' && after != '>' && after != '/')
            continue; // <rowBreaks>, <col> versus <cols>
        Element element;
        element.begin = at;
        const qsizetype close = find(xml, ">", at, xml.size());
        if (close < 0)
            unexpected("neukončený prvek");
        element.tagEnd = close + 1;
        element.empty = xml[close - 1] == '/';
        if (element.empty) {
            element.end = element.tagEnd;
        } else {
            const std::string closing = "</" + tag.toStdString() + '>';
            const qsizetype endTag = find(xml, closing, element.tagEnd, xml.size());
            if (endTag < 0)
                unexpected("neukončený prvek");
            element.end = endTag + qsizetype(closing.size());
        }
        return element;
    }
    return std::nullopt;
}

QByteArray numberText(double value)
{
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return QByteArray(buffer, result.ptr - buffer);
}

} // namespace

QString cellAddress(int row, int column)
{
    QString letters;
    for (int c = column + 1; c > 0; c = (c - 1) / 26)
        letters.prepend(QChar(u'A' + (c - 1) % 26));
    return letters + QString::number(row + 1);
}

QByteArray xmlText(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'&')
            out += QLatin1String("&amp;");
        else if (c == u'<')
            out += QLatin1String("&lt;");
        else if (c == u'>')
            out += QLatin1String("&gt;");
        else if (c == u'\r')
            out += QLatin1String("&#13;");
        else if (c.unicode() < 0x20 && c != u'\n' && c != u'\t')
            out += QStringLiteral("_x%1_").arg(
                QString::number(c.unicode(), 16).rightJustified(4, QLatin1Char('0')).toUpper());
        else if (c == u'_' && i + 6 < text.size() && text[i + 1] == u'x' && text[i + 6] == u'_')
            out += QLatin1String("_x005F_"); // a literal "_xHHHH_" stays literal
        else
            out += c;
    }
    return out.toUtf8();
}

SheetPatch::SheetPatch(QByteArray xml)
    : m_xml(std::move(xml))
{
    const qsizetype data = m_xml.indexOf("sheetData");
    if (data > 0 && m_xml[data - 1] == ':') {
        qsizetype start = data - 1;
        while (start > 0 && m_xml[start - 1] != '<')
            --start;
        m_prefix = m_xml.mid(start, data - start);
    }
    const qsizetype dataStart = m_xml.indexOf('<' + m_prefix + "sheetData");
    if (dataStart < 0)
        unexpected("chybí data listu");
    m_dataTagEnd = m_xml.indexOf('>', dataStart) + 1;
    if (m_dataTagEnd <= 0)
        unexpected("neukončená data listu");
    if (m_xml[m_dataTagEnd - 2] == '/') {
        // <sheetData/> becomes <sheetData></sheetData>, so that rows fit inside.
        m_xml.replace(m_dataTagEnd - 2, 2, ">");
        --m_dataTagEnd;
        m_xml.insert(m_dataTagEnd, "</" + m_prefix + "sheetData>");
    }
    m_dataEnd = m_xml.indexOf("</" + m_prefix + "sheetData>", m_dataTagEnd);
    if (m_dataEnd < 0)
        unexpected("neukončená data listu");
}

const std::map<int, Element> &SheetPatch::rows() const
{
    if (!m_rows) {
        std::map<int, Element> found;
        int previous = -1;
        const QByteArray rowTag = m_prefix + "row";
        for (auto row = nextElement(m_xml, rowTag, m_dataTagEnd, m_dataEnd); row;
             row = nextElement(m_xml, rowTag, row->end, m_dataEnd)) {
            const auto r = attribute(m_xml, row->begin, row->tagEnd, "r");
            previous = r ? r->toInt() - 1 : previous + 1;
            found[previous] = *row;
        }
        m_rows = std::move(found);
    }
    return *m_rows;
}

std::vector<SheetPatch::Cell> SheetPatch::cellsOf(int row, const Element &element) const
{
    std::vector<Cell> cells;
    if (element.empty)
        return cells;
    const qsizetype contentEnd = element.end - (m_prefix.size() + 6); // before </row>
    int previousColumn = -1;
    for (auto c = nextElement(m_xml, m_prefix + 'c', element.tagEnd, contentEnd); c;
         c = nextElement(m_xml, m_prefix + 'c', c->end, contentEnd)) {
        int r = row, column = previousColumn + 1;
        if (const auto ref = attribute(m_xml, c->begin, c->tagEnd, "r"))
            parseCellReference(QString::fromLatin1(*ref), r, column);
        previousColumn = column;
        cells.push_back({ column, *c });
    }
    return cells;
}

std::optional<Element> SheetPatch::findCell(int row, int column) const
{
    const auto found = rows().find(row);
    if (found == rows().end())
        return std::nullopt;
    for (const Cell &cell : cellsOf(row, found->second)) {
        if (cell.column == column)
            return cell.element;
    }
    return std::nullopt;
}

std::optional<int> SheetPatch::styleOf(int row, int column) const
{
    const auto cell = findCell(row, column);
    if (!cell) {
        // A cell set here and not yet in the XML looks as it will once it is.
        const auto written = m_writes.find(row);
        if (written != m_writes.end()) {
            const auto set = written->second.find(column);
            if (set != written->second.end())
                return set->second.newCellStyle;
        }
        return std::nullopt;
    }
    if (const auto s = attribute(m_xml, cell->begin, cell->tagEnd, "s"))
        return s->toInt();
    return std::nullopt;
}

bool SheetPatch::hasValue(int row, int column) const
{
    const auto cell = findCell(row, column);
    if (!cell || cell->empty)
        return false;
    const QByteArray inside = m_xml.mid(cell->tagEnd, cell->end - cell->tagEnd);
    return inside.contains("<" + m_prefix + "v>") || inside.contains("<" + m_prefix + "is>");
}

QByteArray SheetPatch::cellXml(int row, int column, const CellWrite &cell,
                               std::optional<QByteArray> style) const
{
    const QByteArray cellTag = m_prefix + 'c';
    if (!style && cell.newCellStyle)
        style = QByteArray::number(*cell.newCellStyle);
    QByteArray xml = '<' + cellTag + " r=\"" + cellAddress(row, column).toLatin1() + '"';
    if (style && *style != "0")
        xml += " s=\"" + *style + '"';
    switch (cell.kind) {
    case CellWrite::Kind::Empty:
        return xml + "/>";
    case CellWrite::Kind::Number:
        return xml + "><" + m_prefix + "v>" + numberText(cell.number) + "</" + m_prefix + "v></"
            + cellTag + '>';
    case CellWrite::Kind::Bool:
        return xml + " t=\"b\"><" + m_prefix + "v>" + (cell.number != 0 ? "1" : "0") + "</"
            + m_prefix + "v></" + cellTag + '>';
    case CellWrite::Kind::Text: {
        const bool edges
            = !cell.text.isEmpty() && (cell.text.front().isSpace() || cell.text.back().isSpace());
        return xml + " t=\"inlineStr\"><" + m_prefix + "is><" + m_prefix + 't'
            + (edges ? " xml:space=\"preserve\"" : "") + '>' + xmlText(cell.text) + "</" + m_prefix
            + "t></" + m_prefix + "is></" + cellTag + '>';
    }
    }
    return xml;
}

QByteArray SheetPatch::apply()
{
    // Every change as a piece of text replacing a stretch of the old one, in file order.
    struct Edit
    {
        qsizetype at;
        qsizetype length;
        QByteArray text;
    };
    std::vector<Edit> edits;
    const QByteArray rowTag = m_prefix + "row";
    int maxRow = 0, maxColumn = 0, minRow = INT_MAX, minColumn = INT_MAX;
    for (const auto &[rowNumber, writes] : m_writes) {
        maxRow = std::max(maxRow, rowNumber);
        minRow = std::min(minRow, rowNumber);
        for (const auto &entry : writes) {
            maxColumn = std::max(maxColumn, entry.first);
            minColumn = std::min(minColumn, entry.first);
        }
        const auto found = rows().find(rowNumber);
        if (found == rows().end() || found->second.empty) {
            QByteArray cells;
            for (const auto &[column, cell] : writes)
                cells += cellXml(rowNumber, column, cell, std::nullopt);
            if (found == rows().end()) {
                // A new row, before the first row with a higher number.
                const auto next = rows().upper_bound(rowNumber);
                const qsizetype at = next == rows().end() ? m_dataEnd : next->second.begin;
                edits.push_back({ at, 0,
                                  '<' + rowTag + " r=\"" + QByteArray::number(rowNumber + 1) + "\">"
                                      + cells + "</" + rowTag + '>' });
            } else {
                // <row r="5" .../> gets content, its attributes kept.
                const Element &row = found->second;
                const QByteArray start = m_xml.mid(row.begin, row.tagEnd - 2 - row.begin);
                edits.push_back(
                    { row.begin, row.end - row.begin, start + '>' + cells + "</" + rowTag + '>' });
            }
            continue;
        }
        const Element &row = found->second;
        const std::vector<Cell> cells = cellsOf(rowNumber, row);
        const qsizetype contentEnd = row.end - (rowTag.size() + 3);
        for (const auto &[column, cell] : writes) {
            // A copy: clang 14, which the sanitizer and fuzz builds use, does not yet let a
            // lambda capture a structured binding.
            const auto wanted = column;
            const auto existing = std::find_if(cells.begin(), cells.end(),
                                               [&](const Cell &c) { return c.column == wanted; });
            if (existing != cells.end()) {
                const Element &e = existing->element;
                const auto style = attribute(m_xml, e.begin, e.tagEnd, "s");
                if (!e.empty
                    && m_xml.mid(e.tagEnd, e.end - e.tagEnd).contains("<" + m_prefix + "f"))
                    m_replacedFormulas << cellAddress(rowNumber, column);
                edits.push_back(
                    { e.begin, e.end - e.begin, cellXml(rowNumber, column, cell, style) });
            } else {
                const auto next = std::find_if(cells.begin(), cells.end(),
                                               [&](const Cell &c) { return c.column > wanted; });
                edits.push_back({ next == cells.end() ? contentEnd : next->element.begin, 0,
                                  cellXml(rowNumber, column, cell, std::nullopt) });
            }
        }
    }

    // The dimension covers what is there now.
    if (!m_writes.empty()) {
        if (const auto dimension = nextElement(m_xml, m_prefix + "dimension", 0, m_dataTagEnd)) {
            if (const auto ref = attribute(m_xml, dimension->begin, dimension->tagEnd, "ref")) {
                const QList<QByteArray> corners = ref->split(':');
                int r1 = 0, c1 = 0, r2 = 0, c2 = 0;
                if (parseCellReference(QString::fromLatin1(corners.first()), r1, c1)) {
                    r2 = r1;
                    c2 = c1;
                    if (corners.size() > 1)
                        parseCellReference(QString::fromLatin1(corners.last()), r2, c2);
                    const QByteArray grown
                        = cellAddress(std::min(r1, minRow), std::min(c1, minColumn)).toLatin1()
                        + ':'
                        + cellAddress(std::max(r2, maxRow), std::max(c2, maxColumn)).toLatin1();
                    edits.push_back(
                        { m_xml.indexOf("ref=\"", dimension->begin) + 5, ref->size(), grown });
                }
            }
        }
    }

    // Edits at one place keep the order they were made in: rows and cells ascending.
    std::stable_sort(edits.begin(), edits.end(),
                     [](const Edit &a, const Edit &b) { return a.at < b.at; });
    QByteArray result;
    qsizetype added = 0;
    for (const Edit &edit : edits)
        added += edit.text.size();
    result.reserve(m_xml.size() + added);
    preferLargePages(result.data(), size_t(result.capacity()));
    qsizetype at = 0;
    for (const Edit &edit : edits) {
        result.append(m_xml.constData() + at, edit.at - at);
        result.append(edit.text);
        at = edit.at + edit.length;
    }
    result.append(m_xml.constData() + at, m_xml.size() - at);
    m_writes.clear();
    m_rows.reset();
    m_xml = result;
    return result;
}

} // namespace vrl::workbook
