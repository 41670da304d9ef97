#pragma once

#include "access/ColumnStore.h"

#include <QString>
#include <QStringView>

#include <deque>
#include <string>
#include <vector>

namespace vrl::workbook {

// Appends text as XML element content in UTF-8 that spreadsheet programs read back exactly:
// &, < and > as entities, CR as a character reference (a reader turns a plain CR into LF),
// the characters XML cannot carry (control characters, unpaired surrogates, U+FFFE, U+FFFF)
// as _xHHHH_, and a literal "_xHHHH_" with its "_" escaped, so that it stays literal.
void appendXmlText(std::string &out, QStringView text);

// The shared strings of a workbook: each distinct text once, numbered in order of first use.
class SharedStrings
{
public:
    SharedStrings();
    // The number of a text that stays where it lies until the strings are written.
    quint32 indexOf(QStringView text);
    // The number of a text made for the cell, kept here.
    quint32 indexOfOwned(QString text);
    quint64 references() const { return m_references; }
    quint32 count() const { return quint32(m_texts.size()); }
    // The <si> element of every string, in number order.
    const std::string &entries() const { return m_entries; }

private:
    void grow();

    std::vector<quint64> m_slots; // hash in the high half, number + 1 in the low; 0 = free
    std::vector<QStringView> m_texts;
    std::deque<QString> m_owned;
    std::string m_entries;
    quint64 m_references = 0;
};

// The sheet XML of a result: the head with the frozen row of names and the column widths,
// the rows written in pieces, the tail, and the styles they refer to.
class SheetXml
{
public:
    // The widths are measured on the calling thread; the pieces may be written on another,
    // while nothing changes the rows.
    SheetXml(const RowStore &rows, const std::vector<quint32> &order);

    std::string head(SharedStrings &strings) const;
    // Appends whole rows until the piece holds about minBytes; false once every row is in.
    bool appendPiece(std::string &out, size_t minBytes, SharedStrings &strings);
    int rowsWritten() const { return m_next; }
    static std::string tail();
    std::string stylesXml() const;
    qsizetype shortened() const { return m_shortened; }

private:
    enum class Form { Bool, Int, Double, ScaledDecimal, OtherDecimal, DateTime, Text, Other };
    struct Field
    {
        Form form;
        int style; // index into the cell formats, 0 = general
        const Column *column;
        std::string letters; // "A", "B", ..., "XFD"
    };

    void appendRow(std::string &out, size_t row, int number, SharedStrings &strings);
    // The start of a cell up to its value: its place only after a cell left out, its format
    // and its type only where they are not the default.
    void startCell(std::string &out, const Field &field, int style, const char *type);
    // A cell holding a string; the text is cut to the most a cell holds.
    void appendString(std::string &out, const Field &field, QStringView text, bool owned,
                      SharedStrings &strings);
    void appendNumberText(std::string &out, const Field &field, std::string_view digits, size_t row,
                          SharedStrings &strings);
    void appendDateTime(std::string &out, const Field &field, size_t row, SharedStrings &strings);

    const RowStore &m_rows;
    const std::vector<quint32> &m_order;
    std::vector<Field> m_fields;
    std::vector<int> m_decimalScales; // the scales with a format of their own, style 5 on
    std::vector<double> m_widths;
    int m_next = 0;
    bool m_gap = false; // a cell was left out: the next one names its place
    char m_rowText[16] = {};
    std::string_view m_rowNumber; // the number of the row being written, in m_rowText
    qsizetype m_shortened = 0;
};

} // namespace vrl::workbook
