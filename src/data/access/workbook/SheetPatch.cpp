#include "data/access/workbook/SheetPatch.h"

#include "data/access/DataError.h"
#include "data/access/workbook/WorkbookData.h"

#include <QStringList>

#include <charconv>
#include <vector>

namespace vrl::workbook {

namespace {

[[noreturn]] void unexpected(const char *what)
{
    throw DataError(QStringLiteral("List sešitu nelze upravit: %1.").arg(QLatin1String(what)));
}

// One element found in the XML: where its start tag and the whole element lie.
struct Element
{
    qsizetype begin = 0; // '<'
    qsizetype tagEnd = 0; // after '>' of the start tag
    qsizetype end = 0; // after the element
    bool empty = false; // <x/>
};

// The value of an attribute in a start tag, or nothing.
std::optional<QByteArray> attribute(const QByteArray &xml, qsizetype begin, qsizetype tagEnd,
                                    const char *name)
{
    const QByteArray needle = QByteArray(" ") + name + "=\"";
    const qsizetype at = xml.indexOf(needle, begin);
    if (at < 0 || at >= tagEnd)
        return std::nullopt;
    const qsizetype value = at + needle.size();
    const qsizetype close = xml.indexOf('"', value);
    if (close < 0 || close >= tagEnd)
        return std::nullopt;
    return xml.mid(value, close - value);
}

// The next element named tag (with the prefix) from position from, before limit.
std::optional<Element> nextElement(const QByteArray &xml, const QByteArray &tag, qsizetype from,
                                   qsizetype limit)
{
    const QByteArray open = '<' + tag;
    for (qsizetype at = xml.indexOf(open, from); at >= 0 && at < limit;
         at = xml.indexOf(open, at + 1)) {
        const char after = at + open.size() < xml.size() ? xml[at + open.size()] : '\0';
        if (after != ' ' && after != '>' && after != '/')
            continue; // <rowBreaks>, <col> versus <cols>
        Element element;
        element.begin = at;
        const qsizetype close = xml.indexOf('>', at);
        if (close < 0)
            unexpected("neukončený prvek");
        element.tagEnd = close + 1;
        element.empty = xml[close - 1] == '/';
        if (element.empty) {
            element.end = element.tagEnd;
        } else {
            const QByteArray closing = "</" + tag + '>';
            const qsizetype endTag = xml.indexOf(closing, element.tagEnd);
            if (endTag < 0)
                unexpected("neukončený prvek");
            element.end = endTag + closing.size();
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
}

std::optional<std::pair<qsizetype, qsizetype>> SheetPatch::findCell(int row, int column) const
{
    const QByteArray needle = " r=\"" + cellAddress(row, column).toLatin1() + '"';
    const QByteArray tag = '<' + m_prefix + 'c';
    for (qsizetype at = m_xml.indexOf(needle); at >= 0; at = m_xml.indexOf(needle, at + 1)) {
        const qsizetype begin = m_xml.lastIndexOf('<', at);
        if (begin < 0 || m_xml.mid(begin, tag.size()) != tag || m_xml[begin + tag.size()] != ' ')
            continue;
        const qsizetype tagEnd = m_xml.indexOf('>', at) + 1;
        if (m_xml[tagEnd - 2] == '/')
            return std::make_pair(begin, tagEnd);
        const qsizetype end = m_xml.indexOf("</" + m_prefix + "c>", tagEnd);
        return std::make_pair(begin, end < 0 ? tagEnd : end);
    }
    return std::nullopt;
}

std::optional<int> SheetPatch::styleOf(int row, int column) const
{
    const auto cell = findCell(row, column);
    if (!cell)
        return std::nullopt;
    const qsizetype tagEnd = m_xml.indexOf('>', cell->first) + 1;
    if (const auto s = attribute(m_xml, cell->first, tagEnd, "s"))
        return s->toInt();
    return std::nullopt;
}

bool SheetPatch::hasValue(int row, int column) const
{
    const auto cell = findCell(row, column);
    if (!cell)
        return false;
    const QByteArray inside = m_xml.mid(cell->first, cell->second - cell->first);
    return inside.contains("<" + m_prefix + "v>") || inside.contains("<" + m_prefix + "is>");
}

QByteArray SheetPatch::apply()
{
    const QByteArray rowTag = m_prefix + "row";
    const QByteArray cellTag = m_prefix + "c";
    qsizetype dataStart = m_xml.indexOf('<' + m_prefix + "sheetData");
    if (dataStart < 0)
        unexpected("chybí data listu");
    qsizetype dataTagEnd = m_xml.indexOf('>', dataStart) + 1;
    if (m_xml[dataTagEnd - 2] == '/') {
        // <sheetData/> becomes <sheetData></sheetData>, so that rows fit inside.
        m_xml.replace(dataTagEnd - 2, 2, ">");
        --dataTagEnd;
        m_xml.insert(dataTagEnd, "</" + m_prefix + "sheetData>");
    }
    const qsizetype dataEnd = m_xml.indexOf("</" + m_prefix + "sheetData>", dataTagEnd);
    if (dataEnd < 0)
        unexpected("neukončená data listu");

    // The rows as they are, in order.
    struct Row
    {
        int number;
        Element element;
    };
    std::vector<Row> rows;
    int previous = -1;
    for (auto row = nextElement(m_xml, rowTag, dataTagEnd, dataEnd); row;
         row = nextElement(m_xml, rowTag, row->end, dataEnd)) {
        const auto r = attribute(m_xml, row->begin, row->tagEnd, "r");
        previous = r ? r->toInt() - 1 : previous + 1;
        rows.push_back({ previous, *row });
    }

    int maxRow = 0, maxColumn = 0, minRow = INT_MAX, minColumn = INT_MAX;
    // Back to front, so that the positions found above stay valid.
    for (auto change = m_writes.rbegin(); change != m_writes.rend(); ++change) {
        const int rowNumber = change->first;
        maxRow = std::max(maxRow, rowNumber);
        minRow = std::min(minRow, rowNumber);
        QByteArray newCells;
        const auto found = std::find_if(rows.begin(), rows.end(),
                                        [&](const Row &r) { return r.number == rowNumber; });
        const auto cellXml
            = [&](int column, const CellWrite &cell, std::optional<QByteArray> style) {
                  maxColumn = std::max(maxColumn, column);
                  minColumn = std::min(minColumn, column);
                  if (!style && cell.newCellStyle)
                      style = QByteArray::number(*cell.newCellStyle);
                  QByteArray xml
                      = '<' + cellTag + " r=\"" + cellAddress(rowNumber, column).toLatin1() + '"';
                  if (style && *style != "0")
                      xml += " s=\"" + *style + '"';
                  switch (cell.kind) {
                  case CellWrite::Kind::Empty:
                      return xml + "/>";
                  case CellWrite::Kind::Number:
                      return xml + "><" + m_prefix + "v>" + numberText(cell.number) + "</"
                          + m_prefix + "v></" + cellTag + '>';
                  case CellWrite::Kind::Bool:
                      return xml + " t=\"b\"><" + m_prefix + "v>" + (cell.number != 0 ? "1" : "0")
                          + "</" + m_prefix + "v></" + cellTag + '>';
                  case CellWrite::Kind::Text: {
                      const bool edges = !cell.text.isEmpty()
                          && (cell.text.front().isSpace() || cell.text.back().isSpace());
                      return xml + " t=\"inlineStr\"><" + m_prefix + "is><" + m_prefix + 't'
                          + (edges ? " xml:space=\"preserve\"" : "") + '>' + xmlText(cell.text)
                          + "</" + m_prefix + "t></" + m_prefix + "is></" + cellTag + '>';
                  }
                  }
                  return xml;
              };

        if (found == rows.end()) {
            // A new row, before the first row with a higher number.
            for (const auto &[column, cell] : change->second)
                newCells += cellXml(column, cell, std::nullopt);
            const auto next = std::find_if(rows.begin(), rows.end(),
                                           [&](const Row &r) { return r.number > rowNumber; });
            const qsizetype at = next == rows.end() ? dataEnd : next->element.begin;
            m_xml.insert(at,
                         '<' + rowTag + " r=\"" + QByteArray::number(rowNumber + 1) + "\">"
                             + newCells + "</" + rowTag + '>');
            continue;
        }

        Element row = found->element;
        if (row.empty) {
            // <row r="5"/> gets content.
            m_xml.replace(row.tagEnd - 2, 2, ">");
            row.tagEnd -= 1;
            m_xml.insert(row.tagEnd, "</" + rowTag + '>');
            row.end = row.tagEnd + rowTag.size() + 3;
            row.empty = false;
        }
        struct Cell
        {
            int column;
            Element element;
        };
        std::vector<Cell> cells;
        const qsizetype rowContentEnd = row.end - (rowTag.size() + 3);
        int previousColumn = -1;
        for (auto c = nextElement(m_xml, cellTag, row.tagEnd, rowContentEnd); c;
             c = nextElement(m_xml, cellTag, c->end, rowContentEnd)) {
            int r = 0, column = previousColumn + 1;
            if (const auto ref = attribute(m_xml, c->begin, c->tagEnd, "r"))
                parseCellReference(QString::fromLatin1(*ref), r, column);
            previousColumn = column;
            cells.push_back({ column, *c });
        }
        for (auto write = change->second.rbegin(); write != change->second.rend(); ++write) {
            const int column = write->first;
            const auto existing = std::find_if(cells.begin(), cells.end(),
                                               [&](const Cell &c) { return c.column == column; });
            if (existing != cells.end()) {
                const Element &e = existing->element;
                const auto style = attribute(m_xml, e.begin, e.tagEnd, "s");
                if (!e.empty
                    && m_xml.mid(e.tagEnd, e.end - e.tagEnd).contains("<" + m_prefix + "f"))
                    m_replacedFormulas << cellAddress(rowNumber, column);
                m_xml.replace(e.begin, e.end - e.begin, cellXml(column, write->second, style));
            } else {
                const auto next = std::find_if(cells.begin(), cells.end(),
                                               [&](const Cell &c) { return c.column > column; });
                const qsizetype at = next == cells.end() ? rowContentEnd : next->element.begin;
                m_xml.insert(at, cellXml(column, write->second, std::nullopt));
            }
        }
    }

    // The dimension covers what is there now.
    if (const auto dimension = nextElement(m_xml, m_prefix + "dimension", 0, dataStart)) {
        if (const auto ref = attribute(m_xml, dimension->begin, dimension->tagEnd, "ref")) {
            const QList<QByteArray> corners = ref->split(':');
            int r1 = 0, c1 = 0, r2 = 0, c2 = 0;
            if (parseCellReference(QString::fromLatin1(corners.first()), r1, c1)) {
                r2 = r1;
                c2 = c1;
                if (corners.size() > 1)
                    parseCellReference(QString::fromLatin1(corners.last()), r2, c2);
                const QByteArray grown
                    = cellAddress(std::min(r1, minRow), std::min(c1, minColumn)).toLatin1() + ':'
                    + cellAddress(std::max(r2, maxRow), std::max(c2, maxColumn)).toLatin1();
                const qsizetype at = m_xml.indexOf("ref=\"", dimension->begin) + 5;
                m_xml.replace(at, ref->size(), grown);
            }
        }
    }
    m_writes.clear();
    return m_xml;
}

} // namespace vrl::workbook
