#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <map>
#include <optional>
#include <vector>

namespace vrl::workbook {

// A new content for one cell. Text goes in as an inline string; a number (dates as their
// serial number) as a value; nothing leaves the cell empty. The cell keeps its style; a new
// cell takes the style given, usually that of the cell above.
struct CellWrite
{
    enum class Kind { Empty, Number, Bool, Text } kind = Kind::Empty;
    double number = 0;
    QString text;
    std::optional<int> newCellStyle;
};

// Changes the cells of one worksheet's XML: only the changed cells are rewritten, everything
// else stays byte for byte; cells and rows stay in order, missing rows and cells are inserted
// where they belong, and the sheet's dimension grows to cover them. The rows are found once
// and the new text is built in one pass, so that changing every row of a large sheet takes
// about as long as changing one.
class SheetPatch
{
public:
    explicit SheetPatch(QByteArray xml);

    void set(int row, int column, const CellWrite &cell) { m_writes[row][column] = cell; }
    bool isEmpty() const { return m_writes.empty(); }
    // Applies the changes; throws DataError when the sheet's XML is not as expected.
    QByteArray apply();
    // Addresses ("B3") of replaced cells that held a formula.
    const QStringList &replacedFormulas() const { return m_replacedFormulas; }
    // The style index of a cell, when the sheet has the cell or it was set here as a new one.
    std::optional<int> styleOf(int row, int column) const;
    // Whether the sheet has a value (not just a style) in the cell, as the file is now.
    bool hasValue(int row, int column) const;

    // Where an element lies in the XML.
    struct Element
    {
        qsizetype begin = 0; // '<'
        qsizetype tagEnd = 0; // after the '>' of the start tag
        qsizetype end = 0; // after the element
        bool empty = false; // <x/>
    };

private:
    struct Cell
    {
        int column;
        Element element;
    };
    // The rows of the sheet by number (from 0), found on first need.
    const std::map<int, Element> &rows() const;
    std::vector<Cell> cellsOf(int row, const Element &element) const;
    std::optional<Element> findCell(int row, int column) const;
    QByteArray cellXml(int row, int column, const CellWrite &cell,
                       std::optional<QByteArray> style) const;

    std::map<int, std::map<int, CellWrite>> m_writes; // row -> column -> cell
    QByteArray m_xml;
    mutable std::optional<std::map<int, Element>> m_rows;
    qsizetype m_dataTagEnd = 0; // after <sheetData>
    qsizetype m_dataEnd = 0; // at </sheetData>
    QByteArray m_prefix; // "x:" when the sheet's elements carry one
    QStringList m_replacedFormulas;
};

// "B3" for a zero-based row and column.
QString cellAddress(int row, int column);
// Text as XML element content that spreadsheet programs read back exactly: markup
// characters as entities, CR as a character reference, control characters as _xHHHH_.
QByteArray xmlText(const QString &text);

} // namespace vrl::workbook
