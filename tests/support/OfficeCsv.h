#pragma once

#include <QString>
#include <QStringList>

namespace vrl::test {

// The spreadsheet program (LibreOffice) when it is installed, else empty.
QString spreadsheetProgram();

// The first sheet of a workbook as the spreadsheet program reads it, converted to UTF-8 CSV
// with ";" between fields, a line a row; the converted file goes into folder.
QStringList sheetAsOfficeReadsIt(const QString &program, const QString &workbook,
                                 const QString &folder);

} // namespace vrl::test
