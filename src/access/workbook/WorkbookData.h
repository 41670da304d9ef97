#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <string_view>
#include <vector>

namespace vrl::workbook {

enum class CellKind : quint8 { Number, Date, Bool, Text, Error };

// One non-empty cell of a sheet, as the file stores it. Numbers are kept as serial numbers;
// Date marks a number whose format shows it as a date or time. Text and error cells point into
// the workbook's text pool.
struct CellRecord
{
    qint32 row = 0; // from 0
    qint32 column = 0; // from 0
    CellKind kind = CellKind::Number;
    double number = 0; // Number, Date, Bool (0 or 1)
    qint32 text = -1; // Text, Error: index into WorkbookData::texts
};

struct Sheet
{
    QString name;
    QString part; // its entry in an .xlsx package
    int sheetId = 0;
    std::vector<CellRecord> cells; // in row order, then column order
    // The earlier sheet whose data this entry names too (two entries of a crafted file may
    // point at the same data, which is read once); -1 when the cells above are its own.
    int sharesCellsOf = -1;
};

// A workbook-level name that refers to one rectangular range of one sheet.
struct DefinedRange
{
    QString name;
    int sheet = 0;
    int firstRow = 0, firstColumn = 0, lastRow = 0, lastColumn = 0; // from 0, inclusive
    // Its formula is one area that can be rewritten to reach further down; a name that is
    // the intersection of areas cannot grow.
    bool growable = true;
};

// The limits of a worksheet (from 0): rows 1 to 1,048,576, columns A to XFD.
constexpr int kLastSheetRow = 1'048'575;
constexpr int kLastSheetColumn = 16'383;

// The serial number of a date-time in the workbook's date system (the inverse of
// dateOfSerial).
double serialOfDate(const QDateTime &value, bool date1904);

struct WorkbookData
{
    QString path;
    bool xlsx = false; // an Office Open XML package, which can be written
    QString workbookPart; // "xl/workbook.xml" as a rule
    bool date1904 = false;
    std::vector<Sheet> sheets; // worksheets in workbook order
    std::vector<DefinedRange> ranges; // in the order the workbook lists them
    QStringList texts;

    // The cells of a sheet, its own or those of the sheet whose data it shares.
    const std::vector<CellRecord> &cellsOf(size_t sheet) const
    {
        const Sheet &entry = sheets[sheet];
        return entry.sharesCellsOf >= 0 ? sheets[size_t(entry.sharesCellsOf)].cells : entry.cells;
    }
    // The sheet that holds the data of a sheet entry.
    int dataSheetOf(int sheet) const
    {
        const int shared = sheets[size_t(sheet)].sharesCellsOf;
        return shared >= 0 ? shared : sheet;
    }
};

// A cell reference such as "B12" or "$B$12" as a zero-based row and column; false when it is
// none.
bool parseCellReference(QStringView reference, int &row, int &column);
// The same of the bytes a sheet file holds, without a QString for every cell.
bool parseCellReference(std::string_view reference, int &row, int &column);
// "Sheet1!$A$1:$C$10" or "'My sheet'!A1" into a range of a named sheet; false when the text is
// no single rectangular range (a constant, a formula, several areas, #REF!).
bool parseRangeFormula(QStringView formula, QString &sheet, DefinedRange &range);
// The table a defined name's formula makes, as parseRangeFormula but stricter and wider:
// every reference absolute ("$A$1", no relative part), on one sheet (no 3-D reference), and
// either one area or the intersection of areas (the space operator: "S!$A$1:$D$9 S!$B$2:$F$5")
// that is not empty; unions, lists of areas, constants and formulas are no tables.
bool parseNameFormula(QStringView formula, QString &sheet, DefinedRange &range);
// A serial number of the workbook's date system as a date-time without a time zone.
QDateTime dateOfSerial(double serial, bool date1904);
// Whether a number format code shows a date or a time: built-in formats 14-22 and 45-47, or a
// custom code with year, day, hour or second codes outside quotes and brackets.
bool isDateFormat(int formatId, const QString &code);

} // namespace vrl::workbook
