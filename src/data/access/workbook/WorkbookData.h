#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

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
};

// A workbook-level name that refers to one rectangular range of one sheet.
struct DefinedRange
{
    QString name;
    int sheet = 0;
    int firstRow = 0, firstColumn = 0, lastRow = 0, lastColumn = 0; // from 0, inclusive
};

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
};

// A cell reference such as "B12" or "$B$12" as a zero-based row and column; false when it is
// none.
bool parseCellReference(QStringView reference, int &row, int &column);
// "Sheet1!$A$1:$C$10" or "'My sheet'!A1" into a range of a named sheet; false when the text is
// no single rectangular range (a constant, a formula, several areas, #REF!).
bool parseRangeFormula(QStringView formula, QString &sheet, DefinedRange &range);
// A serial number of the workbook's date system as a date-time without a time zone.
QDateTime dateOfSerial(double serial, bool date1904);
// Whether a number format code shows a date or a time: built-in formats 14-22 and 45-47, or a
// custom code with year, day, hour or second codes outside quotes and brackets.
bool isDateFormat(int formatId, const QString &code);

} // namespace vrl::workbook
