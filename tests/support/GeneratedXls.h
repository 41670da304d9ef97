#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

namespace vrl::test {

// Writes a small Excel 97-2003 workbook (.xls): BIFF8 records in the "Workbook" stream of a
// compound file, just those the workbook reader reads. Sheets hold text and number cells;
// several sheet entries may point at the same sheet data, as in a crafted file; workbook-level
// names carry formula tokens spelt out by the test. EXTERNSHEET has one entry per sheet (its
// index is the sheet's), and one more over all sheets (threeDEntry) for a 3-D reference.
class GeneratedXls
{
public:
    // Returns the sheet's index.
    int addSheet(const QString &name);
    // A sheet entry of its own name whose data is that of an earlier sheet.
    void addSheetSharing(const QString &name, int sheet);
    void setText(int sheet, int row, int column, const QString &text);
    void setNumber(int sheet, int row, int column, double value);
    void addName(const QString &name, const QByteArray &tokens);
    int threeDEntry() const { return int(m_sheets.size()); }
    void save(const QString &path) const;

    // Formula tokens of a name. Relative flags go on the column fields as BIFF8 has them.
    static constexpr quint16 kRowRelative = 0x8000;
    static constexpr quint16 kColumnRelative = 0x4000;
    static QByteArray ref3d(int entry, int row, int column, quint16 flags = 0);
    static QByteArray area3d(int entry, int firstRow, int firstColumn, int lastRow, int lastColumn,
                             quint16 firstFlags = 0, quint16 lastFlags = 0);
    static QByteArray intersection() { return QByteArray(1, '\x0F'); }
    static QByteArray unionOf() { return QByteArray(1, '\x10'); }
    // tMemFunc: the subexpression of the next size bytes computes a reference.
    static QByteArray memFunc(int size);

private:
    struct SheetData
    {
        QString name;
        int sharesWith = -1;
        QByteArray cells; // cell records
    };
    std::vector<SheetData> m_sheets;
    std::vector<std::pair<QString, QByteArray>> m_names;
};

} // namespace vrl::test
