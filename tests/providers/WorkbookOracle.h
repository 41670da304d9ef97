#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>

namespace vrl::test {

// What the reference reader (openpyxl for .xlsx, xlrd for .xls) sees in a workbook.
struct ReferenceWorkbook
{
    bool date1904 = false;
    QStringList sheets;
    QStringList ranges; // "name/sheet/first row/first column/last row/last column"
    QMap<QString, QString> cells; // "sheet/row/column" -> "kind<TAB>value"
};

// Runs the reference reader; nothing when it is not installed or cannot read the file.
std::optional<ReferenceWorkbook> readWithReference(const QString &path);
bool referenceReaderInstalled();
QString cellKey(qsizetype sheet, int row, int column);

} // namespace vrl::test
